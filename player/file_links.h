#pragma once
// File links: observable values naming a resource by a wide name (a file
// path, a module such as "common_res.dll", or a braced GUID) and a 64-bit id.
// The (name, id) pair is the key under which the document keeps the data.
#include <cstdint>
#include <list>
#include <utility>
#include <vector>

#include "core/media_param.h"
#include "core/strings.h"
#include "core/zvi_string.h"
#include "platform/d3dx9/d3dx9_math.h"

struct GUID;
struct EmbeddedFile;
class DS_IOF_Archive;

// The key part of a link as the document's maps use it.
struct LinkKey {
  zvi_string name;
  int64_t id = 0;

  LinkKey() = default;
  LinkKey(zvi_string n, int64_t i) : name(std::move(n)), id(i) {}
  bool operator==(const LinkKey& o) const { return id == o.id && name == o.name; }
  bool operator!=(const LinkKey& o) const { return !(*this == o); }
  bool operator<(const LinkKey& o) const { return name < o.name || (name == o.name && id < o.id); }
};

// The link key of a GUID: its braced upper-case text and id 0.
LinkKey GuidToString(const GUID& guid);

class DS_FileLink3 : public MediaParam {
 public:
  zvi_string name;
  int64_t id = 0;

  DS_FileLink3() = default;
  // Id = the file's last-write time in seconds since 1970; 0 when the file
  // cannot be examined (a GUID string, a missing file).
  explicit DS_FileLink3(const zvi_string& path);
  // A module resource (non-zero resource id) or a stored file; stored files
  // take the next value of a process-wide counter, so keys never collide.
  explicit DS_FileLink3(const EmbeddedFile& file);
  // Observers are never copied.
  DS_FileLink3(const DS_FileLink3& other) : MediaParam(), name(other.name), id(other.id) {}
  DS_FileLink3& operator=(const DS_FileLink3& other) {
    name = other.name;
    id = other.id;
    return *this;
  }

  LinkKey Key() const { return LinkKey(name, id); }
  zvi_string GetExtension() const { return LowerCaseExtension(name); }
  // A stored file or GUID (true), or a module resource (false).
  bool IsFileLink() const { return GetExtension() != u".dll"; }
  zvi_string GetFileName() const;
  bool DiffersFrom(const LinkKey& key) const { return id != key.id || name != key.name; }
};

class DS_ImageFileLink : public DS_FileLink3 {
 public:
  class UndoImage : public UndoCtrl {
   public:
    explicit UndoImage(DS_ImageFileLink* link) : link_(link) {}
    void Detach() override { link_ = nullptr; }
    void OnChanged(MediaControl* source) override;
    void Undo();
    void Redo();
    void Commit();

    const LinkKey& Saved() const { return saved_; }
    const std::list<LinkKey>& History() const { return history_.entries; }

   private:
    void WriteBack();

    DS_ImageFileLink* link_;
    LinkKey saved_;
    UndoHistory<LinkKey> history_;
  };

  DS_ImageFileLink() { InstallUndo(); }
  DS_ImageFileLink(int32_t resourceId, const zvi_string& moduleName);
  explicit DS_ImageFileLink(const DS_FileLink3& link);
  DS_ImageFileLink(const DS_ImageFileLink& other);
  DS_ImageFileLink& operator=(const DS_ImageFileLink& other);
  ~DS_ImageFileLink() override;

  void Command(int32_t code, MediaControl* source) override {}
  UndoImage& Undo() { return undo_; }

 private:
  void InstallUndo();
  UndoImage undo_{this};
};

class DS_HLSLEffectFile : public DS_FileLink3 {
 public:
  using DS_FileLink3::DS_FileLink3;
  DS_HLSLEffectFile(const zvi_string& moduleName, int64_t resourceId) {
    name = moduleName;
    id = resourceId;
  }
};

class DS_MeshFile : public DS_FileLink3 {
 public:
  using DS_FileLink3::DS_FileLink3;
  DS_MeshFile(const zvi_string& moduleName, int64_t resourceId) {
    name = moduleName;
    id = resourceId;
  }
};

// A named block of image links with its atlas layout; base of the texture
// sources. Blocks compare equal when their links have the same keys.
struct DS_NamedFileLinkData {
  MediaParamTB<zvi_string> name;
  std::vector<DS_ImageFileLink> links;
  uint32_t atlasColumns = 1;
  uint32_t atlasRows = 1;
  zvi_string currentLinkName;
  int64_t currentLinkId = 0;
  uint8_t premultiplied = 0;
  MediaParamT<D3DXVECTOR3> cellOffset{D3DXVECTOR3(0.0f, 0.0f, 0.0f)};
  MediaParamT<int> atlasMode{-1};
  int32_t version = 5;

  DS_NamedFileLinkData() = default;
  explicit DS_NamedFileLinkData(const std::vector<DS_ImageFileLink>& imageLinks);
  DS_NamedFileLinkData(const DS_NamedFileLinkData& other);
  DS_NamedFileLinkData& operator=(const DS_NamedFileLinkData& other);

  bool operator==(const DS_NamedFileLinkData& other) const;
  bool operator!=(const DS_NamedFileLinkData& other) const { return !(*this == other); }
};

class DS_NamedFileLink : public MediaParamT<DS_NamedFileLinkData> {
 public:
  DS_NamedFileLink() = default;
};

// The stored forms. Values go straight into the fields; no control hears.
void ReadFileLink3(DS_IOF_Archive& ar, DS_FileLink3& link);
inline void ReadFileLink(DS_IOF_Archive& ar, DS_FileLink3& link) { ReadFileLink3(ar, link); }
void ReadImageFileLinks(DS_IOF_Archive& ar, std::vector<DS_ImageFileLink>& links);
void ReadNamedFileLinkData(DS_IOF_Archive& ar, DS_NamedFileLinkData& block);
