#include "tools/writer/text_writer.h"

namespace pw {

ByteBuilder& WriteStaticText(ByteBuilder& b, const StaticTextRecord& r) {
  b.Header(u"DS_StaticText", 1).WideString(r.text).WideString(r.face).U32(r.size);
  b.I32(r.fontValues[0]).I32(r.fontValues[1]).U32(r.colour);
  for (int32_t v : r.layoutValues) b.I32(v);
  b.U32(r.colour2).U32(r.textValues[0]).U32(r.textValues[1]);
  b.I32(r.paintMode).U32(r.paintColour).U32(r.paintAmount);
  b.I32(r.shadowEnabled).U32(r.shadowColour).U32(r.shadowTransparency).U32(r.shadowDistance).U32(r.shadowDirection);
  for (int i = 0; i < 2; ++i) b.U32(r.colours[i]).U32(r.transparencies[i]);
  b.U32(r.moreValues[0]).U32(r.moreValues[1]);
  return WriteStaticObject(b, r.base);
}

ByteBuilder& WriteScrollingTex(ByteBuilder& b, const ScrollingTexRecord& r) {
  b.Header(u"DS_ScrollingTex", 1).I32(r.direction);
  return WriteStaticText(b, r.base);
}

ByteBuilder& WriteTextLink(ByteBuilder& b, const TextLinkRecord& r) {
  b.Header(u"DS_TextLink", 1).U32(r.slideIndex);
  return WriteStaticText(b, r.base);
}

std::vector<ByteBuilder> TextSampleRecords() {
  StaticTextRecord text;
  text.shadowEnabled = 1;
  text.shadowColour = 0x00404040;
  text.shadowTransparency = 50;
  text.shadowDistance = 3;
  text.shadowDirection = 315;
  text.base.base.corners = {10, 10, 0, 10, 40, 0, 90, 10, 0, 90, 40, 0};
  text.base.base.system.block.image.links = {{u"common_res.dll", 40}, {u"common_res.dll", 6001}};
  std::vector<ByteBuilder> out(3);
  WriteStaticText(out[0], text);
  ScrollingTexRecord scroll;
  scroll.direction = 1;
  scroll.base = text;
  WriteScrollingTex(out[1], scroll);
  TextLinkRecord link;
  link.slideIndex = 1;
  link.base = text;
  WriteTextLink(out[2], link);
  return out;
}

}  // namespace pw
