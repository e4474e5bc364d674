#include "player/file_links.h"

#include <sys/stat.h>

#include <atomic>

#include "core/archive.h"
#include "core/embedded_file.h"
#include "platform/com/com.h"
#include "platform/win32/windows.h"

namespace {

// Ids of stored files without a resource id: only grows during a run.
std::atomic<int32_t> g_linkCounter{0};

}  // namespace

LinkKey GuidToString(const GUID& guid) {
  char16_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return LinkKey(zvi_string(text), 0);
}

DS_FileLink3::DS_FileLink3(const zvi_string& path) : name(path), id(0) {
  struct stat st {};
  if (::stat(Win32_ToUtf8(path).c_str(), &st) == 0) id = static_cast<int64_t>(st.st_mtime);
}

DS_FileLink3::DS_FileLink3(const EmbeddedFile& file) {
  if (file.resourceId != 0) {
    name = file.moduleName;
    id = static_cast<int64_t>(static_cast<uint64_t>(file.resourceId));
  } else {
    name = file.path;
    id = static_cast<int64_t>(g_linkCounter.fetch_add(1));
  }
}

zvi_string DS_FileLink3::GetFileName() const { return FileNameOfPath(name); }

// ---- image links and their undo control

DS_ImageFileLink::DS_ImageFileLink(int32_t resourceId, const zvi_string& moduleName) {
  name = moduleName;
  id = static_cast<int64_t>(resourceId);
  InstallUndo();
}

DS_ImageFileLink::DS_ImageFileLink(const DS_FileLink3& link) : DS_FileLink3(link) { InstallUndo(); }

DS_ImageFileLink::DS_ImageFileLink(const DS_ImageFileLink& other) : DS_FileLink3(other) { InstallUndo(); }

DS_ImageFileLink& DS_ImageFileLink::operator=(const DS_ImageFileLink& other) {
  DS_FileLink3::operator=(other);
  undo_.OnChanged(nullptr);
  return *this;
}

DS_ImageFileLink::~DS_ImageFileLink() {
  // The embedded control dies before the parameter part would detach it.
  RemoveControl(&undo_);
}

void DS_ImageFileLink::InstallUndo() {
  AddControl(&undo_);
  undo_.OnChanged(nullptr);
}

void DS_ImageFileLink::UndoImage::OnChanged(MediaControl* source) {
  if (!link_ || !link_->DiffersFrom(saved_)) return;
  if (source && !source->IsSilent()) {
    if (UndoManager* manager = GetUndoManager()) manager->RecordChange(this, source);
  }
  saved_ = link_->Key();
}

void DS_ImageFileLink::UndoImage::Commit() { history_.Commit(saved_); }

void DS_ImageFileLink::UndoImage::Undo() {
  if (history_.Undo(saved_)) WriteBack();
}

void DS_ImageFileLink::UndoImage::Redo() {
  if (history_.Redo(saved_)) WriteBack();
}

void DS_ImageFileLink::UndoImage::WriteBack() {
  if (!link_) return;
  link_->name = saved_.name;
  link_->id = saved_.id;
  link_->Notify(this);
}

// ---- named link blocks

DS_NamedFileLinkData::DS_NamedFileLinkData(const std::vector<DS_ImageFileLink>& imageLinks) : links(imageLinks) {
  if (!links.empty()) name.value = links.front().GetFileName();
}

DS_NamedFileLinkData::DS_NamedFileLinkData(const DS_NamedFileLinkData& other)
    : name(other.name.value),
      links(other.links),
      atlasColumns(other.atlasColumns),
      atlasRows(other.atlasRows),
      currentLinkName(other.currentLinkName),
      currentLinkId(other.currentLinkId),
      premultiplied(other.premultiplied),
      cellOffset(other.cellOffset.value),
      atlasMode(other.atlasMode.value),
      version(other.version) {}

DS_NamedFileLinkData& DS_NamedFileLinkData::operator=(const DS_NamedFileLinkData& other) {
  if (this == &other) return *this;
  name.value = other.name.value;
  links = other.links;
  atlasColumns = other.atlasColumns;
  atlasRows = other.atlasRows;
  currentLinkName = other.currentLinkName;
  currentLinkId = other.currentLinkId;
  premultiplied = other.premultiplied;
  cellOffset = other.cellOffset.value;
  atlasMode = other.atlasMode.value;
  version = other.version;
  return *this;
}

bool DS_NamedFileLinkData::operator==(const DS_NamedFileLinkData& other) const {
  if (links.size() != other.links.size()) return false;
  for (size_t i = 0; i < links.size(); ++i)
    if (links[i].DiffersFrom(other.links[i].Key())) return false;
  return true;
}

// ---- stored forms

void ReadFileLink3(DS_IOF_Archive& ar, DS_FileLink3& link) {
  zvi_string name;
  int64_t id = 0;
  ar.ReadWideString(&name);
  ar.ReadInt64(&id);
  link.name = std::move(name);
  link.id = id;
}

void ReadImageFileLinks(DS_IOF_Archive& ar, std::vector<DS_ImageFileLink>& links) {
  // Stored signed: a negative count is no links. Each link takes at least a
  // 4-byte string header and an 8-byte id.
  uint32_t count = ar.ReadSignedCount(12);
  links.clear();
  links.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    DS_FileLink3 read;
    ReadFileLink3(ar, read);
    links.emplace_back(read);
  }
}

void ReadNamedFileLinkData(DS_IOF_Archive& ar, DS_NamedFileLinkData& block) {
  ar.ReadWideString(&block.name.value);
  ReadImageFileLinks(ar, block.links);
  uint32_t version = 0;
  ar.ReadUInt(&version);
  if (version >= 1) {
    ar.ReadUInt(&block.atlasColumns);
    ar.ReadUInt(&block.atlasRows);
  }
  if (version >= 2) {
    ar.ReadWideString(&block.currentLinkName);
    ar.ReadInt64(&block.currentLinkId);
  } else if (!block.links.empty()) {
    block.currentLinkName = block.links.front().name;
    block.currentLinkId = block.links.front().id;
  } else {
    block.currentLinkName.clear();
    block.currentLinkId = 0;
  }
  if (version >= 3) ar.ReadByte(&block.premultiplied);
  if (version >= 4) {
    D3DXVECTOR3& v = block.cellOffset.value;
    ar.ReadFloat(&v.x);
    ar.ReadFloat(&v.y);
    ar.ReadFloat(&v.z);
  }
  if (version >= 5) {
    uint32_t mode = 0;
    ar.ReadDword(&mode);
    block.atlasMode.value = static_cast<int>(mode);
  }
  block.version = 5;
}
