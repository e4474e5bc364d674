#include "core/archive.h"
#include "platform/com/com.h"

void DS_IOF_Archive::ReadGuid(GUID* guid) {
  zvi_string text;
  ReadWideString(&text);
  GUID parsed = GUID_NULL;
  if (FAILED(CLSIDFromString(text.c_str(), &parsed))) parsed = GUID_NULL;
  *guid = parsed;
}
