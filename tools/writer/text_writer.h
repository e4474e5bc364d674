#pragma once
// Writers for the texts drawn from stored images: the static text, the
// scrolling text and the text link (each version 1).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/line_writer.h"
#include "tools/writer/sprite_writer.h"

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

// "DS_StaticTextConstructor" (versions 0 to 3).
struct StaticTextConstructorRecord {
  int32_t version = 3;
  int32_t authoring[2] = {0, 0};
  std::u16string text = u"Text";
  int32_t fontSize = 32;
  uint32_t fontWeight = 700;
  int32_t fontStyle = 0;
  std::u16string face = u"Arial";
  GUID guid = GUID_NULL;  // version 3
  std::u16string imageName;
  uint8_t imageFlag = 1;
  uint32_t fadeIn = 0, fadeOut = 0, shown = 0, hidden = 0;  // versions 0 and 1, ms
  StatBaseFXRecord base;
};
ByteBuilder& WriteStaticTextConstructor(ByteBuilder& b, const StaticTextConstructorRecord& r);

// "DS_ScrollingTextConstructor" (versions 1 and 2).
struct ScrollingTextConstructorRecord {
  int32_t version = 2;
  uint32_t period = 10;
  int32_t direction = 0;
  float textureHeight = 0.0f, textureWidth = 0.0f;  // version 2
  StaticTextConstructorRecord base;
};
ByteBuilder& WriteScrollingTextConstructor(ByteBuilder& b, const ScrollingTextConstructorRecord& r);

// "DS_TextLinkConstructor" (version 1).
struct TextLinkConstructorRecord {
  uint32_t slideIndex = 0;
  StaticTextConstructorRecord base;
};
ByteBuilder& WriteTextLinkConstructor(ByteBuilder& b, const TextLinkConstructorRecord& r);

// One record of every class above, each with two image links of the pack:
// seeds for the readers.
std::vector<ByteBuilder> TextSampleRecords();

}  // namespace pw
