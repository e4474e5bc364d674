#pragma once
// Bases of everything that is serialised. The player reads records through
// each class's ReadRecord; Write is kept for the record order and does
// nothing here, since the player's archive never writes.
class DS_IOF_Archive;

class DS_IOF_Item {
 public:
  virtual ~DS_IOF_Item() = default;
  virtual void Write(DS_IOF_Archive& ar) const {}
};

// Base of serialised sub-objects (nodes, effects, physics, geometry, laws).
class ZVI_IOF_Item : public DS_IOF_Item {};
