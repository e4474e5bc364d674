// Which built-in effect stands in for a class whose project effect the player
// cannot make (a stored compiled binary that is damaged or needs what the
// effect layer cannot run, pack ids whose effect differs by the class that
// asks).
#pragma once

#include <cstdint>
#include <string_view>

class DS_FileLink3;

// One row of the table. A row matches the asking class and, unless `packId`
// is kAnyLink, a link into the resource pack with that id. A row with
// `emptyLinkToo` also serves a class whose link is empty (a class that cannot
// draw without an effect).
struct StandInRow {
  static constexpr int64_t kAnyLink = -1;
  std::u16string_view askingClass;
  int64_t packId;
  uint32_t standIn;
  bool emptyLinkToo;
};

// True for a link that names nothing (no file, no resource).
bool IsEmptyLink(const DS_FileLink3& link);

// The pack id of the stand-in for (asking class, link); the first matching row
// wins. With no row, a link into the pack keeps its own id; anything else is 0
// (no stand-in: the class draws without an effect).
uint32_t StandInEffectId(std::u16string_view askingClass, const DS_FileLink3& link);
