#pragma once
// What a slide's objects name of the document's resources: one entry per
// image an object uses, with the colour it is drawn in. Authoring-side
// bookkeeping; the player only collects it.
#include <cstdint>
#include <vector>

#include "player/file_links.h"

struct DocResourceEntry {
  DS_ImageFileLink link;
  uint32_t colour = 0;
};

class DocResourceSet {
 public:
  std::vector<DocResourceEntry> entries;
};
