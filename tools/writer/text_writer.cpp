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

ByteBuilder& WriteStaticTextConstructor(ByteBuilder& b, const StaticTextConstructorRecord& r) {
  b.Header(u"DS_StaticTextConstructor", r.version).I32(r.authoring[0]).I32(r.authoring[1]).WideString(r.text);
  b.I32(r.fontSize).U32(r.fontWeight).I32(r.fontStyle).WideString(r.face);
  if (r.version >= 3)
    b.Guid(r.guid).WideString(r.imageName).U8(r.imageFlag);
  else if (r.version <= 1)
    b.U32(r.fadeIn).U32(r.fadeOut).U32(r.shown).U32(r.hidden);
  return WriteStatBaseFXCtrl(b, r.base);
}

ByteBuilder& WriteScrollingTextConstructor(ByteBuilder& b, const ScrollingTextConstructorRecord& r) {
  b.Header(u"DS_ScrollingTextConstructor", r.version).U32(r.period).I32(r.direction);
  if (r.version >= 2) b.F32(r.textureHeight).F32(r.textureWidth);
  return WriteStaticTextConstructor(b, r.base);
}

ByteBuilder& WriteTextLinkConstructor(ByteBuilder& b, const TextLinkConstructorRecord& r) {
  b.Header(u"DS_TextLinkConstructor", 1).U32(r.slideIndex);
  return WriteStaticTextConstructor(b, r.base);
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
  StaticTextConstructorRecord sprite;
  sprite.base.x = 60;
  sprite.base.y = 40;
  sprite.base.width = 80;
  sprite.base.height = 20;
  for (int32_t v : {0, 1, 2, 3}) {
    sprite.version = v;
    sprite.shown = v == 1 ? 3000 : 0;
    WriteStaticTextConstructor(out.emplace_back(), sprite);
  }
  for (int32_t v : {1, 2}) {
    ScrollingTextConstructorRecord scrolling;
    scrolling.version = v;
    scrolling.textureWidth = scrolling.textureHeight = 64.0f;
    scrolling.base = sprite;
    WriteScrollingTextConstructor(out.emplace_back(), scrolling);
  }
  TextLinkConstructorRecord spriteLink;
  spriteLink.slideIndex = 1;
  spriteLink.base = sprite;
  WriteTextLinkConstructor(out.emplace_back(), spriteLink);
  return out;
}

}  // namespace pw
