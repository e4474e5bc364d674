#pragma once
// Writers for the texts drawn from stored images: the static text, the
// scrolling text and the text link (each version 1).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/line_writer.h"

namespace pw {

// "DS_StaticText" (version 1).
struct StaticTextRecord {
  std::u16string text = u"Text";
  std::u16string face = u"Arial";
  uint32_t size = 32;
  int32_t fontValues[2] = {700, 0};
  uint32_t colour = 0;
  int32_t layoutValues[3] = {0, 0, 0};
  uint32_t colour2 = 0;
  uint32_t textValues[2] = {0, 0};
  int32_t paintMode = 0;
  uint32_t paintColour = 0;
  uint32_t paintAmount = 0;
  int32_t shadowEnabled = 0;
  uint32_t shadowColour = 0;
  uint32_t shadowTransparency = 0;
  uint32_t shadowDistance = 0;
  uint32_t shadowDirection = 0;  // degrees
  uint32_t colours[2] = {0, 0};
  uint32_t transparencies[2] = {0, 0};
  uint32_t moreValues[2] = {0, 0};
  StaticObjectRecord base;
};
ByteBuilder& WriteStaticText(ByteBuilder& b, const StaticTextRecord& r);

// "DS_ScrollingTex" (version 1).
struct ScrollingTexRecord {
  int32_t direction = 0;
  StaticTextRecord base;
};
ByteBuilder& WriteScrollingTex(ByteBuilder& b, const ScrollingTexRecord& r);

// "DS_TextLink" (version 1).
struct TextLinkRecord {
  uint32_t slideIndex = 0;
  StaticTextRecord base;
};
ByteBuilder& WriteTextLink(ByteBuilder& b, const TextLinkRecord& r);

// One record of every class above, each with two image links of the pack:
// seeds for the readers.
std::vector<ByteBuilder> TextSampleRecords();

}  // namespace pw
