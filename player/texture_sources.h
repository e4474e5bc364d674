#pragma once
// Texture sources: where a particle picture comes from (a resource image, an
// image file, a soft circle, a text, a polygon, a custom picture). Whatever
// the kind, the pictures travel in the project under the source's image
// links and are resolved through the current document; the kind's own values
// are only read, kept and copied. ZVI_AlerterTextureSRC holds a source,
// resolves it into frame sets, premultiplies and animates them.
#include <cstdint>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/text_params.h"
#include "core/zvi_string.h"
#include "platform/com/com.h"
#include "player/doc_res_manager.h"
#include "player/file_links.h"

class DS_IOF_Archive;

class ZVI_TextureSRC : public DS_IOF_Item, public DS_NamedFileLinkData {
 public:
  // One image link named by a new GUID, which is also the current link.
  ZVI_TextureSRC();
  ZVI_TextureSRC(const ZVI_TextureSRC& other) : DS_IOF_Item(), DS_NamedFileLinkData(other) {}
  ZVI_TextureSRC& operator=(const ZVI_TextureSRC&) = delete;
  ~ZVI_TextureSRC() override = default;

  virtual void Hook2(int32_t, int32_t) {}
  virtual void Hook1(int32_t) {}
  virtual bool Query2(int32_t, int32_t) { return false; }
  virtual bool FirstClassFlag() const { return true; }
  virtual bool SecondClassFlag() const { return true; }
  virtual ZVI_TextureSRC* Clone() const = 0;

  // The base record: "ZVI_TextureSRC", its version (neither used), the block.
  void ReadBaseRecord(DS_IOF_Archive& ar);
};

class ZVI_ResIDTex : public ZVI_TextureSRC {
 public:
  bool FirstClassFlag() const override { return false; }
  bool SecondClassFlag() const override { return false; }
  ZVI_TextureSRC* Clone() const override { return new ZVI_ResIDTex(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

class ZVI_ImgFileTex : public ZVI_TextureSRC {
 public:
  bool FirstClassFlag() const override { return false; }
  ZVI_TextureSRC* Clone() const override { return new ZVI_ImgFileTex(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

class ZVI_CustomTexure : public ZVI_TextureSRC {
 public:
  ZVI_TextureSRC* Clone() const override { return new ZVI_CustomTexure(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ReadBaseRecord(ar); }
};

class ZVI_SoftCircleTex : public ZVI_TextureSRC {
 public:
  ZVI_TextureSRC* Clone() const override { return new ZVI_SoftCircleTex(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> first{0u};
  MediaParamT<unsigned int> second{0u};
  MediaParamT<int> third{0};
};

class ZVI_PolygonTex : public ZVI_TextureSRC {
 public:
  ZVI_PolygonTex() = default;
  ZVI_PolygonTex(const ZVI_PolygonTex&) = default;
  ZVI_TextureSRC* Clone() const override { return new ZVI_PolygonTex(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned int> first{0u};
  MediaParamT<unsigned int> second{0u};
  UINTSclaleTo<float> third;  // scale 1, offset 0
  MediaParamT<int> fourth{0};
  MediaParamT<int> fifth{0};
};

class ZVI_TextTexure : public ZVI_TextureSRC {
 public:
  ZVI_TextureSRC* Clone() const override { return new ZVI_TextTexure(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<zvi_string> text;
  TextFontParams font;
  TextPaintParams paint;
};

// The private-data mark of a premultiplied texture (a 2-byte word 1).
extern const GUID kPremultipliedMark;
// Whether the texture carries the mark with value 1.
bool IsMarkedPremultiplied(IDirect3DTexture9* texture);

class ZVI_AlerterTextureSRC : public MediaParamT<DS_SafePtr<ZVI_TextureSRC>> {
 public:
  ZVI_AlerterTextureSRC();

  // One frame set per image link of the held source, from the current
  // document with the filter. Always true.
  bool Resolve(DWORD filter);
  void PremultiplyTextures();
  // Owner's frame time dt in seconds.
  void Advance(float dt);
  // A copy of the frame set at the index; false (out untouched) when none.
  bool GetImageRecord(ImageFrameSet* out, size_t index) const;

  // The record: the source by class name, the speed, the reverse flag.
  void ReadRecord(DS_IOF_Archive& ar);

  MediaSpeedParam speed;
  MediaParamT<int> reverse{0};
  std::vector<ImageFrameSet> images;
};

// A texture source record (class name, version, fields) by class name; null
// for a name without a reader.
DS_SafePtr<ZVI_TextureSRC> ReadTextureSRC(DS_IOF_Archive& ar);

void RegisterTextureSourceReaders();
