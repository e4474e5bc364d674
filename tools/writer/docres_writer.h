#pragma once
// Writers for the document resource records: the manager's record (versions
// 1 to 4), raw-frame lists, the ":ZVI:" image frame container, the module
// image list and named image-link blocks.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "tools/writer/byte_builder.h"

namespace pw {

struct EmbeddedFileSpec {
  uint32_t resourceId = 0;
  std::u16string module;
  std::u16string path;
  std::vector<uint8_t> bytes;
};

struct LinkFiles {
  std::u16string name;
  int64_t id = 0;
  std::vector<EmbeddedFileSpec> files;
};

struct LinkDelays {
  std::u16string name;
  int64_t id = 0;
  std::vector<float> delays;
};

struct GuidImageSpec {
  GUID guid{};
  std::u16string name;
  uint8_t flag = 0;
  std::u16string path;
  std::vector<uint8_t> bytes;
};

struct RawFrameSpec {
  uint32_t version = 1;
  std::vector<uint8_t> bytes;
  float delay = 0.0f;
};

struct LinkRawFrames {
  std::u16string name;
  int64_t id = 0;
  std::vector<RawFrameSpec> frames;
};

struct DocResRecord {
  std::vector<LinkFiles> imageFiles;      // every version
  std::vector<LinkDelays> delays;         // every version
  std::vector<LinkFiles> moduleImages;    // version 2 and later
  std::vector<GuidImageSpec> guidImages;  // version 3 and later
  std::vector<LinkRawFrames> rawFrames;   // version 4
};

ByteBuilder& WriteEmbeddedFileSpec(ByteBuilder& b, const EmbeddedFileSpec& f);
// Class name "DS_DocResManager", the version, then the sections it has.
ByteBuilder& WriteDocResManager(ByteBuilder& b, const DocResRecord& record, int32_t version = 4);
// The sections alone (what follows the class name and version).
ByteBuilder& WriteDocResManagerFields(ByteBuilder& b, const DocResRecord& record, int32_t version = 4);
ByteBuilder& WriteRawFrameList(ByteBuilder& b, const std::vector<RawFrameSpec>& frames);
// ":ZVI:", the wide string tag ("IMG" in real files), the frame list.
std::vector<uint8_t> ImageContainer(const std::vector<RawFrameSpec>& frames, std::u16string_view tag = u"IMG");
// u32 delay count, the delays, u32 entry count, the EmbeddedFile records.
std::vector<uint8_t> ModuleImageList(const std::vector<float>& delays, const std::vector<EmbeddedFileSpec>& entries);

struct NamedFileLinkSpec {
  std::u16string name;
  std::vector<std::pair<std::u16string, int64_t>> links;
  uint32_t version = 5;
  uint32_t atlasColumns = 1;
  uint32_t atlasRows = 1;
  std::u16string currentName;
  int64_t currentId = 0;
  uint8_t premultiplied = 0;
  float cellOffset[3] = {0.0f, 0.0f, 0.0f};
  uint32_t atlasMode = 0xFFFFFFFFu;
};

// An image-link vector: count, then name and id per link.
ByteBuilder& WriteImageFileLinks(ByteBuilder& b, const std::vector<std::pair<std::u16string, int64_t>>& links);
// The block's fields for its version (no class name).
ByteBuilder& WriteNamedFileLinkData(ByteBuilder& b, const NamedFileLinkSpec& block);

}  // namespace pw
