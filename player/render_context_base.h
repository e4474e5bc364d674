#pragma once
// The slide's render context as the slides see it: the drawing interface
// plus a serialised record, read through ReaderRegistry<DS_2D_Light>.
#include "core/io_item.h"
#include "player/ds_ab_render.h"

class DS_2D_Light : public DS_ABRender, public DS_IOF_Item {
 public:
  ~DS_2D_Light() override = default;
};
