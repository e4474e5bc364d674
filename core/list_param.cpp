#include "core/list_param.h"

void AListMediaParam::Command(int32_t code, MediaControl* source) {
  BeforeCommand(code);
  if (code >= 0) {
    current_index = code;
  } else if (code == kListAdd) {
    Add();
  } else if (code == kListRemove) {
    Remove(current_index);
    if (current_index >= Count()) current_index = Count() - 1;
  } else if (code == kListMoveUp) {
    int32_t s = MoveUp(current_index);
    if (s != 0) current_index -= s;
  } else if (code == kListMoveDown) {
    int32_t s = MoveDown(current_index);
    if (s != 0) current_index += s;
  } else if (code == kListElementCommand) {
    ElementCommand(current_index);
  }
  Notify(source);
}
