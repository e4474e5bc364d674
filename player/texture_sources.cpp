#include "player/texture_sources.h"

#include <cmath>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"

// {FC4E11FD-5193-4726-BE4E-FC166E3E435C}
const GUID kPremultipliedMark = {0xFC4E11FD, 0x5193, 0x4726, {0xBE, 0x4E, 0xFC, 0x16, 0x6E, 0x3E, 0x43, 0x5C}};

ZVI_TextureSRC::ZVI_TextureSRC() {
  GUID guid{};
  CoCreateGuid(&guid);
  DS_ImageFileLink link{DS_FileLink3(GuidToString(guid).name)};
  currentLinkName = link.name;
  currentLinkId = link.id;
  links.push_back(link);
}

void ZVI_TextureSRC::ReadBaseRecord(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  ReadNamedFileLinkData(ar, *this);
}

void ZVI_SoftCircleTex::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  uint32_t v = 0;
  ar.ReadUInt(&first.value);
  ar.ReadUInt(&second.value);
  ar.ReadDword(&v);
  third.value = static_cast<int>(v);
  ReadBaseRecord(ar);
}

void ZVI_PolygonTex::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  uint32_t v = 0;
  ar.ReadUInt(&first.value);
  ar.ReadUInt(&second.value);
  third.Read(ar);
  ar.ReadDword(&v);
  fourth.value = static_cast<int>(v);
  ar.ReadDword(&v);
  fifth.value = static_cast<int>(v);
  ReadBaseRecord(ar);
}

void ZVI_TextTexure::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadWideString(&text.value);
  ReadTextFontParams(ar, font);
  ReadTextPaintParams(ar, paint);
  ReadBaseRecord(ar);
}

bool IsMarkedPremultiplied(IDirect3DTexture9* texture) {
  if (!texture) return false;
  uint16_t mark = 0;
  DWORD size = sizeof mark;
  if (FAILED(texture->GetPrivateData(kPremultipliedMark, &mark, &size)) || size != sizeof mark) return false;
  return mark == 1;
}

namespace {

void Mark(IDirect3DTexture9* texture) {
  const uint16_t one = 1;
  texture->SetPrivateData(kPremultipliedMark, &one, sizeof one, 0);
}

}  // namespace

ZVI_AlerterTextureSRC::ZVI_AlerterTextureSRC() { speed.SetScaleOffset(0.01f, 0.0f, 100u); }

bool ZVI_AlerterTextureSRC::Resolve(DWORD filter) {
  images.clear();
  ZVI_TextureSRC* source = value.get();
  if (!source) return true;
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager) return true;
  for (const DS_ImageFileLink& link : source->links) {
    DS_FileLink3 copy(link);
    images.push_back(manager->GetImage(copy, filter));
  }
  if (source->atlasMode.value == 0) {
    speed.scale = 1.0f;
    speed.offset = 0.0f;
    speed.Recompute();
  }
  return true;
}

void ZVI_AlerterTextureSRC::PremultiplyTextures() {
  ZVI_TextureSRC* source = value.get();
  const bool already = source && source->premultiplied != 0;
  for (ImageFrameSet& set : images) {
    for (auto& texture : set.textures) {
      if (!texture) continue;
      if (already) {
        Mark(texture);
        continue;
      }
      if (IsMarkedPremultiplied(texture)) continue;
      D3DSURFACE_DESC desc{};
      if (FAILED(texture->GetLevelDesc(0, &desc))) continue;
      if (desc.Format == D3DFMT_DXT1) {
        Mark(texture);
      } else if (desc.Format == D3DFMT_A8R8G8B8) {
        if (PremultiplyAlpha(texture)) Mark(texture);
      }
    }
  }
}

void ZVI_AlerterTextureSRC::Advance(float dt) {
  const float s = speed.derived * std::fmin(dt, 0.2f);
  speed.step = s;
  speed.elapsed += s;
  for (ImageFrameSet& set : images) {
    if (reverse.value == 0) set.AdvanceForward(speed.elapsed);
    else set.AdvanceBackward(speed.elapsed);
  }
}

bool ZVI_AlerterTextureSRC::GetImageRecord(ImageFrameSet* out, size_t index) const {
  if (!out || index >= images.size()) return false;
  *out = images[index];
  return true;
}

void ZVI_AlerterTextureSRC::ReadRecord(DS_IOF_Archive& ar) {
  value = ReadTextureSRC(ar);
  uint32_t s = speed.value;
  ar.ReadUInt(&s);
  speed.SetValue(s);
  uint32_t r = 0;
  ar.ReadDword(&r);
  reverse.value = static_cast<int>(r);
}

DS_SafePtr<ZVI_TextureSRC> ReadTextureSRC(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_TextureSRC> source = ReadObjectOf<ZVI_TextureSRC>(ar);
  return DS_SafePtr<ZVI_TextureSRC>(source.release());
}

void RegisterTextureSourceReaders() {
  RegisterReader<ZVI_ResIDTex, ZVI_TextureSRC>(u"ZVI_ResIDTex");
  RegisterReader<ZVI_ImgFileTex, ZVI_TextureSRC>(u"ZVI_ImgFileTex");
  RegisterReader<ZVI_SoftCircleTex, ZVI_TextureSRC>(u"ZVI_SoftCircleTex");
  RegisterReader<ZVI_TextTexure, ZVI_TextureSRC>(u"ZVI_TextTexure");
  RegisterReader<ZVI_PolygonTex, ZVI_TextureSRC>(u"ZVI_PolygonTex");
  RegisterReader<ZVI_CustomTexure, ZVI_TextureSRC>(u"ZVI_CustomTexure");
}
