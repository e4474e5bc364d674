#include "tools/writer/docres_writer.h"

namespace pw {

namespace {

void WriteLinkFilesMap(ByteBuilder& b, const std::vector<LinkFiles>& entries) {
  b.I32(static_cast<int32_t>(entries.size()));
  for (const auto& e : entries) {
    b.FileLink(e.name, static_cast<uint64_t>(e.id));
    b.I32(static_cast<int32_t>(e.files.size()));
    for (const auto& f : e.files) WriteEmbeddedFileSpec(b, f);
  }
}

}  // namespace

ByteBuilder& WriteEmbeddedFileSpec(ByteBuilder& b, const EmbeddedFileSpec& f) {
  return b.EmbeddedFile(f.resourceId, f.module, f.path, f.bytes);
}

ByteBuilder& WriteRawFrameList(ByteBuilder& b, const std::vector<RawFrameSpec>& frames) {
  b.I32(static_cast<int32_t>(frames.size()));
  for (const auto& f : frames) {
    b.U32(f.version);
    b.I32(static_cast<int32_t>(f.bytes.size()));
    b.Raw(f.bytes);
    b.F32(f.delay);
  }
  return b;
}

ByteBuilder& WriteDocResManagerFields(ByteBuilder& b, const DocResRecord& record, int32_t version) {
  WriteLinkFilesMap(b, record.imageFiles);
  b.I32(static_cast<int32_t>(record.delays.size()));
  for (const auto& d : record.delays) {
    b.FileLink(d.name, static_cast<uint64_t>(d.id));
    b.U32(static_cast<uint32_t>(d.delays.size()));
    for (float v : d.delays) b.F32(v);
  }
  if (version < 2) return b;
  WriteLinkFilesMap(b, record.moduleImages);
  if (version < 3) return b;
  b.I32(static_cast<int32_t>(record.guidImages.size()));
  for (const auto& g : record.guidImages) {
    b.Guid(g.guid);
    b.WideString(g.name);
    b.U8(g.flag);
    b.Blob(g.path, g.bytes);
  }
  if (version < 4) return b;
  b.I32(static_cast<int32_t>(record.rawFrames.size()));
  for (const auto& r : record.rawFrames) {
    b.FileLink(r.name, static_cast<uint64_t>(r.id));
    WriteRawFrameList(b, r.frames);
  }
  return b;
}

ByteBuilder& WriteDocResManager(ByteBuilder& b, const DocResRecord& record, int32_t version) {
  b.Header(u"DS_DocResManager", version);
  return WriteDocResManagerFields(b, record, version);
}

std::vector<uint8_t> ImageContainer(const std::vector<RawFrameSpec>& frames, std::u16string_view tag) {
  ByteBuilder b;
  b.Raw(":ZVI:", 5);
  b.WideString(tag);
  WriteRawFrameList(b, frames);
  return b.bytes();
}

std::vector<uint8_t> ModuleImageList(const std::vector<float>& delays, const std::vector<EmbeddedFileSpec>& entries) {
  ByteBuilder b;
  b.U32(static_cast<uint32_t>(delays.size()));
  for (float d : delays) b.F32(d);
  b.U32(static_cast<uint32_t>(entries.size()));
  for (const auto& e : entries) WriteEmbeddedFileSpec(b, e);
  return b.bytes();
}

ByteBuilder& WriteImageFileLinks(ByteBuilder& b, const std::vector<std::pair<std::u16string, int64_t>>& links) {
  b.I32(static_cast<int32_t>(links.size()));
  for (const auto& l : links) b.FileLink(l.first, static_cast<uint64_t>(l.second));
  return b;
}

ByteBuilder& WriteNamedFileLinkData(ByteBuilder& b, const NamedFileLinkSpec& block) {
  b.WideString(block.name);
  WriteImageFileLinks(b, block.links);
  b.U32(block.version);
  if (block.version >= 1) b.U32(block.atlasColumns).U32(block.atlasRows);
  if (block.version >= 2) b.FileLink(block.currentName, static_cast<uint64_t>(block.currentId));
  if (block.version >= 3) b.U8(block.premultiplied);
  if (block.version >= 4) b.F32(block.cellOffset[0]).F32(block.cellOffset[1]).F32(block.cellOffset[2]);
  if (block.version >= 5) b.U32(block.atlasMode);
  return b;
}

}  // namespace pw
