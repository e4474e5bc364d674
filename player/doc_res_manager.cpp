#include "player/doc_res_manager.h"

#include <algorithm>
#include <cstring>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/render_target_set.h"
#include "player/stand_in_effects.h"

namespace {

// Smallest stored sizes: a count never exceeds what the data left can hold.
constexpr uint32_t kMinLinkEntry = 4 + 8 + 4;        // name, id, count
constexpr uint32_t kMinEmbeddedFile = 4 + 4 + 4 + 4;  // id, module, count, path
constexpr uint32_t kMinGuidEntry = 4 + 4 + 1 + 4 + 4;
constexpr uint32_t kMinRawFrame = 4 + 4 + 4;

// A length from the data, capped by what is left (a strict archive throws).
uint64_t CapBytes(DS_IOF_Archive& ar, uint64_t wanted) { return ar.Stream()->CapLength(wanted); }

LinkKey ReadLinkKey(DS_IOF_Archive& ar) {
  LinkKey key;
  ar.ReadWideString(&key.name);
  ar.ReadInt64(&key.id);
  return key;
}

// Section 1 and 3: per link a list of EmbeddedFile records.
void ReadEmbeddedFileMap(DS_IOF_Archive& ar, std::map<LinkKey, std::vector<EmbeddedFile>>* map) {
  uint32_t count = ar.ReadSignedCount(kMinLinkEntry);
  for (uint32_t i = 0; i < count; ++i) {
    LinkKey key = ReadLinkKey(ar);
    uint32_t n = ar.ReadSignedCount(kMinEmbeddedFile);
    std::vector<EmbeddedFile>& files = (*map)[key];
    files.clear();
    files.resize(n);
    for (auto& f : files) ar.ReadEmbeddedFile(&f);
  }
}

EmbeddedFile CopyOf(const EmbeddedFile& src) {
  EmbeddedFile copy;
  copy.CopyFrom(src);
  copy.resourceId = src.resourceId;
  copy.moduleName = src.moduleName;
  return copy;
}

void CopyInto(std::vector<EmbeddedFile>* dst, const std::vector<EmbeddedFile>& src) {
  dst->clear();
  dst->reserve(src.size());
  for (const auto& f : src) dst->push_back(CopyOf(f));
}

void SetImageSize(DocImage& image, const TextureInfo& info) {
  image.width = info.width;
  image.height = info.height;
  image.aspect = info.aspect;
}

TextureCache& CacheOf(DS_DocResManager& manager) {
  TextureCache* cache = GetTextureCache();
  return cache ? *cache : manager.Textures();
}

// The one place effects are compiled.
void CompileEffect(const uint8_t* bytes, uint32_t size, ID3DXEffect** out) {
  IDirect3DDevice9* device = CurrentDevice();
  if (device && bytes && size > 0)
    D3DXCreateEffect(device, bytes, size, nullptr, nullptr, 0, nullptr, out, nullptr);
}

void CompileEffect(const EmbeddedFile& source, ID3DXEffect** out) { CompileEffect(source.data.get(), source.size, out); }

// The RCDATA effect of a module found on disk, made like a stored copy.
void CompileModuleFileEffect(const DS_FileLink3& link, ID3DXEffect** out) {
  HMODULE file = ModuleFileOf(link);
  uint32_t size = 0;
  const uint8_t* bytes = file ? LockModuleResource(file, static_cast<uint32_t>(link.id), RT_RCDATA, &size) : nullptr;
  CompileEffect(bytes, size, out);
}

}  // namespace

bool GuidLess::operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }

// ---- device-dependent objects

ZVI_LosableObj::ZVI_LosableObj() {
  GUID guid{};
  CoCreateGuid(&guid);
  key_ = GuidToString(guid);
  if (DS_DocResManager* manager = CurrentDocResManager()) SetLosableObject(manager, key_.name, this);
}

void ZVI_LosableObj::JoinCurrentDocument() {
  DS_DocResManager* manager = CurrentDocResManager();
  if (!manager || manager_ == manager) return;
  if (manager_) SetLosableObject(manager_, key_.name, nullptr);
  SetLosableObject(manager, key_.name, this);
}

ZVI_LosableObj::~ZVI_LosableObj() {
  if (manager_) SetLosableObject(manager_, key_.name, nullptr);
}

ZVI_DocResManager::~ZVI_DocResManager() {
  // Objects that outlive their document must not unregister from it later.
  for (auto& entry : deviceObjects_)
    if (entry.second && entry.second->manager_ == this) entry.second->manager_ = nullptr;
}

void SetLosableObject(ZVI_DocResManager* manager, const zvi_string& key, ZVI_LosableObj* object) {
  if (!manager) return;
  auto& objects = manager->deviceObjects_;
  if (object) {
    if (objects.emplace(key, object).second) {
      object->manager_ = manager;
      object->owner_ = manager->registeringOwner_;
    }
    return;
  }
  auto it = objects.find(key);
  if (it == objects.end()) return;
  if (it->second && it->second->manager_ == manager) it->second->manager_ = nullptr;
  objects.erase(it);
}

const void* ZVI_DocResManager::SetRegisteringOwner(const void* owner) {
  const void* previous = registeringOwner_;
  registeringOwner_ = owner;
  return previous;
}

void ZVI_DocResManager::SetLiveOwners(const void* shown, const void* prepared) {
  ownersTracked_ = true;
  shownOwner_ = shown;
  preparedOwner_ = prepared;
}

bool ZVI_DocResManager::IsLiveOwner(const void* owner) const {
  return !ownersTracked_ || !owner || owner == shownOwner_ || owner == preparedOwner_;
}

void ZVI_DocResManager::WalkLosable(ZVI_LosableObj* o, bool lost, bool keepPrepared) {
  if (!o) return;
  if (lost) {
    if (keepPrepared && o->prepared_ && IsLiveOwner(o->owner_)) return;
    o->OnLost();
    o->prepared_ = false;
    o->preparing_ = false;
    return;
  }
  // Made ahead and untouched since: as a reset would make it.
  if (o->prepared_) return;
  if (!IsLiveOwner(o->owner_)) return;
  o->OnReset();
  o->preparing_ = false;
  // Made again while its slide waits to show: still untouched.
  o->prepared_ = ownersTracked_ && o->owner_ && o->owner_ == preparedOwner_ && o->owner_ != shownOwner_;
}

bool ZVI_DocResManager::PrepareOneObject(const void* owner) {
  if (!owner) return false;
  for (auto& entry : deviceObjects_) {
    ZVI_LosableObj* o = entry.second;
    if (!o || o->owner_ != owner || o->prepared_) continue;
    if (!o->preparing_) {
      o->OnLost();
      o->preparing_ = true;
    }
    if (o->PrepareStep()) {
      o->preparing_ = false;
      o->prepared_ = true;
    }
    return true;
  }
  return false;
}

void ZVI_DocResManager::ClearPrepared(const void* owner) {
  for (auto& entry : deviceObjects_)
    if (entry.second && entry.second->owner_ == owner) entry.second->prepared_ = entry.second->preparing_ = false;
}

void ZVI_DocResManager::ReleaseOwner(const void* owner) {
  if (!owner) return;
  // A copy, as in the walk: a handler may register or drop other objects.
  std::vector<ZVI_LosableObj*> objects;
  for (auto& entry : deviceObjects_)
    if (entry.second && entry.second->owner_ == owner) objects.push_back(entry.second);
  for (ZVI_LosableObj* o : objects) {
    o->OnLost();
    o->prepared_ = false;
    o->preparing_ = false;
  }
}

LosableOwnerScope::LosableOwnerScope(const void* owner) : manager_(CurrentDocResManager()) {
  if (manager_) previous_ = manager_->SetRegisteringOwner(owner);
}

LosableOwnerScope::~LosableOwnerScope() {
  if (manager_) manager_->SetRegisteringOwner(previous_);
}

// ---- frame sets

bool ImageFrameSet::FrameDue(float t, bool restartAtSwitchTime) {
  float since = t - lastSwitch;
  if (since < 0.0f || (restartAtSwitchTime && since == 0.0f)) lastSwitch = t;
  if (delays.empty()) return false;
  if (frameIndex < 0 || static_cast<size_t>(frameIndex) >= delays.size()) frameIndex = 0;
  float delay = delays[static_cast<size_t>(frameIndex)];
  if (!(delay < t - lastSwitch)) return false;
  lastSwitch += delay;
  return true;
}

void ImageFrameSet::AdvanceForward(float t) {
  if (FrameDue(t, true)) frameIndex = static_cast<int32_t>((static_cast<size_t>(frameIndex) + 1) % delays.size());
}

void ImageFrameSet::AdvanceBackward(float t) {
  if (FrameDue(t, false)) frameIndex = frameIndex == 0 ? static_cast<int32_t>(delays.size() - 1) : frameIndex - 1;
}

IDirect3DTexture9* ImageFrameSet::CurrentTexture() const {
  if (frameIndex < 0 || static_cast<size_t>(frameIndex) >= textures.size()) return nullptr;
  return textures[static_cast<size_t>(frameIndex)].Get();
}

// ---- raw frames and the frame container

void ReadRawFrameList(DS_IOF_Archive& ar, RawFrameList* frames) {
  uint32_t count = ar.ReadSignedCount(kMinRawFrame);
  RawFrameList read;
  read.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    RawFrame frame;
    uint32_t version = 0;
    int32_t size = 0;
    ar.ReadUInt(&version);
    ar.ReadInt(&size);
    uint32_t bytes = size > 0 ? static_cast<uint32_t>(CapBytes(ar, static_cast<uint64_t>(size))) : 0;
    frame.bytes.Allocate(bytes);
    frame.count = bytes;
    ar.ReadBytes(frame.count, frame.bytes.data());
    ar.ReadFloat(&frame.delay);
    read.push_back(std::move(frame));
  }
  *frames = std::move(read);
}

bool ReadImageContainer(const uint8_t* bytes, uint32_t count, RawFrameList* frames) {
  static const uint8_t kMagic[5] = {':', 'Z', 'V', 'I', ':'};
  if (!bytes || count < 5 || std::memcmp(bytes, kMagic, 5) != 0) return false;
  try {
    MemoryArchive ar(bytes + 5, count - 5, true);
    zvi_string tag;
    ar.ReadWideString(&tag);
    if (tag != u"IMG") return false;
    RawFrameList read;
    ReadRawFrameList(ar, &read);
    *frames = std::move(read);
    return true;
  } catch (const DS_Error&) {
    return false;
  }
}

bool ReadModuleImageList(const uint8_t* bytes, uint32_t count, std::vector<float>* delays,
                         std::vector<EmbeddedFile>* entries) {
  if (!bytes) return false;
  try {
    MemoryArchive ar(bytes, count, true);
    uint32_t n = ar.ReadCount(4);
    std::vector<float> d(n);
    for (auto& v : d) ar.ReadFloat(&v);
    uint32_t m = ar.ReadCount(kMinEmbeddedFile);
    std::vector<EmbeddedFile> files(m);
    for (auto& f : files) ar.ReadEmbeddedFile(&f);
    *delays = std::move(d);
    *entries = std::move(files);
    return true;
  } catch (const DS_Error&) {
    return false;
  }
}

// ---- textures made from frames

void MakeFrameTextures(ImageFrameSet& set, const RawFrameList& frames, bool gif, DWORD filter) {
  set.delays.assign(frames.size(), 0.0f);
  set.textures.assign(frames.size(), ComPtr<IDirect3DTexture9>());
  IDirect3DDevice9* device = CurrentDevice();
  for (size_t i = 0; i < frames.size(); ++i) {
    const RawFrame& frame = frames[i];
    set.delays[i] = frame.delay;
    if (!device || frame.count == 0) continue;
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(device, frame.bytes.data(), frame.count, D3DX_DEFAULT,
                                                     D3DX_DEFAULT, 1, 0, gif ? D3DFMT_DXT1 : D3DFMT_UNKNOWN,
                                                     D3DPOOL_MANAGED, filter, D3DX_FILTER_NONE, 0, &info, nullptr,
                                                     &texture);
    if (FAILED(hr)) {
      if (texture) texture->Release();
      continue;
    }
    set.imageWidth = info.Width;
    set.imageHeight = info.Height;
    set.textures[i].Attach(texture);
  }
  IDirect3DTexture9* first = set.textures.empty() ? nullptr : set.textures.front().Get();
  if (first) {
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(first->GetLevelDesc(0, &desc))) {
      set.textureWidth = desc.Width;
      set.textureHeight = desc.Height;
    }
    if (set.textureWidth && set.textureHeight) {
      set.uScale = static_cast<float>(set.imageWidth) / static_cast<float>(set.textureWidth);
      set.vScale = static_cast<float>(set.imageHeight) / static_cast<float>(set.textureHeight);
    }
    if (set.imageWidth) set.aspect = static_cast<float>(set.imageHeight) / static_cast<float>(set.imageWidth);
  }
  if (filter != D3DX_FILTER_NONE) {
    set.uScale = 1.0f;
    set.vScale = 1.0f;
  }
}

// ---- ZVI_DocResManagerTmp

ImageFrameSet& ZVI_DocResManagerTmp::GetImage(const DS_FileLink3& link, DWORD filter) {
  LinkKey key = link.Key();
  ImageFrameSet& set = frameSets_[key];
  // Made once: frames that did not decode are not tried again every frame.
  if (!set.textures.empty()) return set;
  RawFrameList& frames = rawFrames_[key];
  if (frames.empty()) LoadRawFrames(link, &frames);
  MakeFrameTextures(set, frames, link.GetExtension() == u".gif", filter);
  return set;
}

bool ZVI_DocResManagerTmp::LoadRawFrames(const DS_FileLink3& link, RawFrameList* frames) {
  if (link.IsFileLink()) {
    if (link.GetExtension() == u".gif") return true;
    SharedByteBuffer bytes;
    bytes.LoadFile(link.name);
    if (bytes.count > 5) {
      if (std::memcmp(bytes.data(), ":ZVI:", 5) == 0) {
        ReadImageContainer(bytes.data(), bytes.count, frames);
      } else {
        RawFrame frame;
        frame.count = bytes.count;
        frame.bytes = bytes;
        frame.name = link.name;
        frames->push_back(std::move(frame));
      }
    }
    return true;
  }
  HMODULE module = LoadResourceModule(link.name);
  uint32_t size = 0;
  const uint8_t* bytes = module ? LockModuleResource(module, static_cast<uint32_t>(link.id), u"DDS", &size) : nullptr;
  if (bytes) {
    if (size >= 5 && std::memcmp(bytes, ":ZVI:", 5) == 0) {
      ReadImageContainer(bytes, size, frames);
    } else {
      RawFrame frame;
      frame.count = size;
      frame.bytes.Allocate(size);
      if (size) std::memcpy(frame.bytes.data(), bytes, size);
      frames->push_back(std::move(frame));
    }
  }
  return true;
}

void ZVI_DocResManagerTmp::ReadRecord(DS_IOF_Archive& ar) {
  uint32_t count = ar.ReadSignedCount(kMinLinkEntry);
  for (uint32_t i = 0; i < count; ++i) {
    LinkKey key = ReadLinkKey(ar);
    ReadRawFrameList(ar, &rawFramesStaging_[key]);
  }
  for (auto& entry : rawFramesStaging_) rawFrames_.emplace(entry.first, std::move(entry.second));
  rawFramesStaging_.clear();
}

// ---- DS_DocResManager

DS_DocResManager::DS_DocResManager()
    : textureCache_(std::make_unique<TextureCache>()),
      cache_(std::make_unique<DocResCache>()),
      settings_(std::make_unique<RenderSettings>()) {
  InstallTextureCache(textureCache_.get());
}

DS_DocResManager::~DS_DocResManager() {
  // The slot never names a destroyed manager.
  if (CurrentDocResManager() == this) SetCurrentDocResManager(nullptr);
  OnLostDevice();
  UninstallTextureCache(textureCache_.get());
  textureCache_.reset();
  cache_->targetSets.clear();
  cache_.reset();
  settings_.reset();
}

void DS_DocResManager::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  DocResCache& c = *cache_;
  ReadEmbeddedFileMap(ar, &c.imageFilesStaging);
  uint32_t delayCount = ar.ReadSignedCount(kMinLinkEntry);
  for (uint32_t i = 0; i < delayCount; ++i) {
    LinkKey key = ReadLinkKey(ar);
    uint32_t m = ar.ReadCount(4);
    std::vector<float>& delays = c.delays[key];
    delays.assign(m, 0.0f);
    for (auto& d : delays) ar.ReadFloat(&d);
  }
  TextureCache& textures = CacheOf(*this);
  // The pictures stored in the project are decoded on other cores while the
  // textures are made here, in the order this loop takes them. Without a
  // device no texture is made.
  const bool making = CurrentDevice() != nullptr;
  std::vector<D3DXPredecodeFile> stored;
  if (making)
    for (const auto& entry : c.imageFilesStaging)
      for (const auto& f : entry.second)
        if (!f.path.empty() && f.data && f.size > 0) stored.push_back({f.data.get(), f.size});
  {
    D3DXPredecode ahead(stored.data(), stored.size());
    for (auto& entry : c.imageFilesStaging) {
      const LinkKey& key = entry.first;
      std::vector<EmbeddedFile>& files = entry.second;
      DocImage& image = c.images[key];
      image.textures.clear();
      for (const auto& f : files) {
        TextureInfo info = textures.GetTexture(f);
        image.textures.push_back(info.texture);
        SetImageSize(image, info);
      }
      if (files.size() > 1) image.delays = c.delays[key];
      c.documentData[key] = std::move(files);
    }
  }
  c.imageFilesStaging.clear();
  if (version < 2) return;

  ReadEmbeddedFileMap(ar, &c.moduleImagesStaging);
  for (auto& entry : c.moduleImagesStaging)
    if (!c.documentData.count(entry.first)) CopyInto(&c.documentData[entry.first], entry.second);
  if (version < 3) return;

  uint32_t guidCount = ar.ReadSignedCount(kMinGuidEntry);
  for (uint32_t i = 0; i < guidCount; ++i) {
    GUID guid{};
    ar.ReadGuid(&guid);
    GuidImage& image = c.guidImagesStaging[guid];
    ar.ReadWideString(&image.name);
    ar.ReadByte(&image.flag);
    image.file = EmbeddedFileData();
    ar.ReadBlob(&image.file);
  }
  stored.clear();
  if (making)
    for (const auto& entry : c.guidImagesStaging)
      if (entry.second.file.data && entry.second.file.size > 0)
        stored.push_back({entry.second.file.data.get(), entry.second.file.size});
  {
    D3DXPredecode ahead(stored.data(), stored.size());
    for (auto& entry : c.guidImagesStaging) {
      const GuidImage& image = entry.second;
      c.guidTextures[entry.first] = CreateTextureFromMemory(image.file.data.get(), image.file.size).texture;
      RawFrame frame;
      frame.count = image.file.size;
      frame.bytes.Allocate(image.file.size);
      if (image.file.size) std::memcpy(frame.bytes.data(), image.file.data.get(), image.file.size);
      frame.name = image.name;
      RawFrameList& frames = rawFrames_[GuidToString(entry.first)];
      frames.clear();
      frames.push_back(std::move(frame));
    }
  }
  c.guidImagesStaging.clear();
  if (version < 4) return;

  ZVI_DocResManagerTmp::ReadRecord(ar);
  c.imageFilesStaging.clear();
  c.moduleImagesStaging.clear();
  c.guidImagesStaging.clear();
}

void DS_DocResManager::MakeModuleImage(DocImage& image, const DS_FileLink3& link) {
  std::vector<EmbeddedFile>& data = cache_->documentData[link.Key()];
  if (data.empty()) {
    EmbeddedFile ref;
    ref.moduleName = link.name;
    ref.resourceId = static_cast<uint32_t>(link.id);
    data.push_back(std::move(ref));
  }
  // The first entry carries the project's stored copy, when there is one.
  TextureInfo info = CacheOf(*this).GetTexture(data.front());
  image.textures.assign(1, info.texture);
  SetImageSize(image, info);
  image.extra = 0;
}

DocImage& DS_DocResManager::GetTextures(const DS_FileLink3& link) {
  LinkKey key = link.Key();
  DocImage& image = cache_->images[key];
  if (!image.textures.empty()) return image;
  if (link.GetExtension() == u".dll" || link.name.empty()) {
    MakeModuleImage(image, link);
  } else {
    cache_->documentData[key];
  }
  return image;
}

void DS_DocResManager::GetMesh(MeshBuffers* out, const DS_FileLink3& link) {
  const LinkKey key = link.Key();
  auto cached = cache_->meshes.find(key);
  if (cached != cache_->meshes.end()) {
    *out = cached->second;
    return;
  }
  MeshBuffers made;
  // A module found on disk comes first. Otherwise, as with pictures, a
  // stored copy that loads wins over the pack's mesh.
  if (HMODULE file = ModuleFileOf(link)) {
    uint32_t size = 0;
    const uint8_t* bytes = LockModuleResource(file, static_cast<uint32_t>(link.id), u"DDS", &size);
    if (!bytes || !LoadXMeshFromMemory(bytes, size, 32, &made)) made = MeshBuffers();
  }
  auto stored = cache_->documentData.find(key);
  if (!made.vertexBuffer && stored != cache_->documentData.end()) {
    for (const EmbeddedFile& f : stored->second) {
      if (f.data && f.size > 0 && LoadXMeshFromMemory(f.data.get(), f.size, 32, &made)) break;
      made = MeshBuffers();
    }
  }
  if (!made.vertexBuffer && !link.name.empty() && link.id > 0 && link.id <= 0xFFFF) {
    EmbeddedFile entry;
    entry.resourceId = static_cast<uint32_t>(link.id);
    entry.moduleName = link.name;
    if (entry.LoadFromModule() && entry.data && !LoadXMeshFromMemory(entry.data.get(), entry.size, 32, &made))
      made = MeshBuffers();
  }
  cache_->meshes[key] = made;
  *out = made;
}

DocImage& DS_DocResManager::LoadModuleImage(const DS_FileLink3& link) {
  LinkKey key = link.Key();
  DocImage& image = cache_->images[key];
  if (!image.textures.empty()) return image;
  auto fromModule = [&](HMODULE module) {
    uint32_t size = 0;
    const uint8_t* bytes = module ? LockModuleResource(module, static_cast<uint32_t>(link.id), u"DDS", &size) : nullptr;
    std::vector<float> delays;
    std::vector<EmbeddedFile> entries;
    if (!bytes || !ReadModuleImageList(bytes, size, &delays, &entries)) return false;
    image.delays = std::move(delays);
    TextureCache& textures = CacheOf(*this);
    image.textures.clear();
    for (const auto& f : entries) {
      TextureInfo info = textures.GetTexture(f);
      image.textures.push_back(info.texture);
      SetImageSize(image, info);
    }
    cache_->documentData[key] = std::move(entries);
    return true;
  };
  // A module found on disk comes first; pictures the project stores for the
  // link win over the pack's list.
  if (fromModule(ModuleFileOf(link))) return image;
  auto stored = cache_->documentData.find(key);
  if (stored != cache_->documentData.end()) {
    bool hasBytes = false;
    for (const EmbeddedFile& f : stored->second) hasBytes = hasBytes || (f.data && f.size > 0);
    if (hasBytes) {
      TextureCache& textures = CacheOf(*this);
      for (const EmbeddedFile& f : stored->second) {
        TextureInfo info = textures.GetTexture(f);
        image.textures.push_back(info.texture);
        SetImageSize(image, info);
      }
      auto delays = cache_->delays.find(key);
      if (delays != cache_->delays.end()) image.delays = delays->second;
      return image;
    }
  }
  fromModule(LoadResourceModule(link.name));
  return image;
}

bool DS_DocResManager::LoadRawFrames(const DS_FileLink3& link, RawFrameList* frames) {
  // A module found on disk comes before the stored copies.
  if (ModuleFileOf(link)) {
    ZVI_DocResManagerTmp::LoadRawFrames(link, frames);
    if (!frames->empty()) return true;
  }
  if (!link.IsFileLink()) {
    auto it = cache_->documentData.find(link.Key());
    if (it != cache_->documentData.end()) {
      for (const EmbeddedFile& f : it->second) {
        if (!f.data || f.size == 0) continue;
        if (f.size >= 5 && std::memcmp(f.data.get(), ":ZVI:", 5) == 0) {
          RawFrameList part;
          ReadImageContainer(f.data.get(), f.size, &part);
          for (RawFrame& frame : part) frames->push_back(std::move(frame));
          continue;
        }
        RawFrame frame;
        frame.count = f.size;
        frame.bytes.Allocate(f.size);
        std::memcpy(frame.bytes.data(), f.data.get(), f.size);
        frame.name = f.path;
        frames->push_back(std::move(frame));
      }
      if (!frames->empty()) return true;
    }
  }
  return ZVI_DocResManagerTmp::LoadRawFrames(link, frames);
}

EffectRef::~EffectRef() {
  if (effect) effect->Release();
}

ID3DXEffect** DS_DocResManager::GetEffect(ID3DXEffect** out, const DS_FileLink3& link) {
  *out = nullptr;
  LinkKey key = link.Key();
  EffectRef& slot = cache_->effects[key];
  if (!slot.effect) {
    bool moduleLink = !link.IsFileLink();
    // A stored effect that failed once fails again: do not retry it every frame.
    if (!moduleLink && cache_->failedEffects.count(key)) return out;
    std::vector<EmbeddedFile>& data = cache_->documentData[key];
    if (data.empty()) {
      EmbeddedFile ref;
      ref.moduleName = link.name;
      ref.resourceId = static_cast<uint32_t>(link.id);
      data.push_back(std::move(ref));
    }
    // A module found on disk comes first; then a stored copy we can compile;
    // the pack's effect stands in for one we cannot, and never overwrites
    // the project's copy.
    CompileModuleFileEffect(link, &slot.effect);
    if (!slot.effect) CompileEffect(data.back(), &slot.effect);
    HMODULE module = slot.effect ? nullptr : LoadResourceModule(link.name);
    uint32_t size = 0;
    const uint8_t* bytes =
        module ? LockModuleResource(module, static_cast<uint32_t>(link.id), RT_RCDATA, &size) : nullptr;
    if (bytes && size > 0) {
      EmbeddedFile pack;
      std::memcpy(pack.Allocate(size), bytes, size);
      CompileEffect(pack, &slot.effect);
    }
    if (!slot.effect && !moduleLink) cache_->failedEffects.insert(key);
  }
  if (slot.effect) {
    slot.effect->AddRef();
    *out = slot.effect;
  }
  return out;
}

ID3DXEffect** DS_DocResManager::GetEffect(ID3DXEffect** out, std::u16string_view askingClass,
                                          const DS_FileLink3& link) {
  *out = nullptr;
  const LinkKey key = link.Key();
  auto stored = cache_->documentData.find(key);
  bool hasBytes = false;
  if (stored != cache_->documentData.end())
    for (const EmbeddedFile& file : stored->second) hasBytes = hasBytes || (file.data && file.size > 0);
  // A module file found on disk counts as a copy; a module link with neither
  // is settled once, not looked up every frame.
  bool inModuleFile = false;
  if (!hasBytes && !link.IsFileLink() && !cache_->failedEffects.count(key)) {
    inModuleFile = ModuleFileOf(link) != nullptr;
    if (!inModuleFile) cache_->failedEffects.insert(key);
  }
  if ((hasBytes || inModuleFile) && !cache_->failedEffects.count(key)) {
    EffectRef& slot = cache_->effects[key];
    if (!slot.effect) {
      CompileModuleFileEffect(link, &slot.effect);
      static const std::vector<EmbeddedFile> none;
      for (const EmbeddedFile& file : hasBytes ? stored->second : none) {
        if (slot.effect) break;
        CompileEffect(file, &slot.effect);
      }
      if (!slot.effect && CurrentDevice()) cache_->failedEffects.insert(key);
    }
    if (slot.effect) {
      slot.effect->AddRef();
      *out = slot.effect;
      return out;
    }
  }
  const uint32_t id = StandInEffectId(askingClass, link);
  if (id == 0) return out;
  EffectRef& slot = cache_->standIns[id];
  if (!slot.effect && CurrentDevice()) CreateBuiltInEffect(CurrentDevice(), id, &slot.effect);
  if (slot.effect) {
    slot.effect->AddRef();
    *out = slot.effect;
  }
  return out;
}

ComPtr<IDirect3DTexture9>* DS_DocResManager::GetTextureByGuid(const GUID& guid) {
  ComPtr<IDirect3DTexture9>& slot = cache_->guidTextures[guid];
  if (slot) return &slot;
  auto it = rawFrames_.find(GuidToString(guid));
  IDirect3DDevice9* device = CurrentDevice();
  if (it != rawFrames_.end() && it->second.size() == 1 && device) {
    const RawFrame& frame = it->second.front();
    IDirect3DTexture9* texture = nullptr;
    if (frame.count > 0 &&
        SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, frame.bytes.data(), frame.count, D3DX_DEFAULT,
                                                      D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                      D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr,
                                                      &texture)))
      slot.Attach(texture);
    else if (texture)
      texture->Release();
  }
  return &slot;
}

const void* DS_DocResManager::TargetSetOwner(const GUID& guid) const {
  auto it = cache_->targetSetOwners.find(guid);
  return it == cache_->targetSetOwners.end() ? nullptr : it->second;
}

namespace {

// A GUID's set made anew at its size, the GUID's picture copied into it.
void RemakeFromPicture(DS_DocResManager& manager, const GUID& guid, RenderTargetSet& set) {
  set.CreateFromTexture(manager.GetTextureByGuid(guid)->Get(), set.width, set.height);
}

}  // namespace

void DS_DocResManager::ReleaseTargetSetsOf(const void* owner) {
  if (!owner) return;
  for (auto& entry : cache_->targetSets) {
    if (!entry.second || TargetSetOwner(entry.first) != owner) continue;
    entry.second->ReleaseTextures();
    cache_->preparedTargetSets.erase(entry.first);
  }
}

bool DS_DocResManager::PrepareOneTargetSet(const void* owner) {
  if (!owner) return false;
  for (auto& entry : cache_->targetSets) {
    if (!entry.second || TargetSetOwner(entry.first) != owner || cache_->preparedTargetSets.count(entry.first)) continue;
    RenderTargetSet& set = *entry.second;
    if (set.active) {
      RemakeFromPicture(*this, entry.first, set);
    } else {
      // A set let go is made a target a call, as a slide's own targets are:
      // each is a noticeable part of a frame. The picture goes in last.
      const int made = set.CreateNext(set.width, set.height);
      if (made > 0) return true;
      if (made == 0) set.LoadActiveFrom(GetTextureByGuid(entry.first)->Get());
    }
    cache_->preparedTargetSets.insert(entry.first);
    return true;
  }
  return false;
}

void DS_DocResManager::ClearPrepared(const void* owner) {
  ZVI_DocResManager::ClearPrepared(owner);
  for (auto it = cache_->preparedTargetSets.begin(); it != cache_->preparedTargetSets.end();)
    it = TargetSetOwner(*it) == owner ? cache_->preparedTargetSets.erase(it) : std::next(it);
}

RenderTargetSet* DS_DocResManager::GetTargetSetByGuid(const GUID& guid) {
  std::unique_ptr<RenderTargetSet>& set = cache_->targetSets[guid];
  auto owner = cache_->targetSetOwners.emplace(guid, registeringOwner_);
  if (!owner.second && owner.first->second != registeringOwner_) owner.first->second = nullptr;
  if (!set) {
    set = std::make_unique<RenderTargetSet>();
    set->CreateFromTexture(GetTextureByGuid(guid)->Get(), 512, 512);
  }
  return set.get();
}

DS_ImageFileLink* DS_DocResManager::AddImageFile(DS_ImageFileLink* out, const EmbeddedFile& entry) {
  DS_FileLink3 link(entry);
  std::vector<EmbeddedFile>& data = cache_->documentData[link.Key()];
  if (data.empty()) data.push_back(CopyOf(entry));
  TextureInfo info = CacheOf(*this).GetTexture(entry);
  DocImage& image = cache_->images[link.Key()];
  image.textures.assign(1, info.texture);
  SetImageSize(image, info);
  *out = DS_ImageFileLink(link);
  return out;
}

DS_ImageFileLink* DS_DocResManager::AddImageFrames(DS_ImageFileLink* out, const std::vector<EmbeddedFile>& entries,
                                                   const std::vector<float>& delays) {
  DS_FileLink3 link = entries.empty() ? DS_FileLink3() : DS_FileLink3(entries.front());
  DocImage& image = cache_->images[link.Key()];
  if (image.textures.empty()) {
    std::vector<EmbeddedFile>& data = cache_->documentData[link.Key()];
    TextureCache& textures = CacheOf(*this);
    for (const auto& f : entries) {
      TextureInfo info = textures.GetTexture(f);
      image.textures.push_back(info.texture);
      SetImageSize(image, info);
      data.push_back(CopyOf(f));
    }
    image.delays = delays;
  }
  *out = DS_ImageFileLink(link);
  return out;
}

void DS_DocResManager::CollectLinkForSave(const DS_FileLink3& link) {
  if (link.name.empty()) return;
  auto it = cache_->documentData.find(link.Key());
  if (it == cache_->documentData.end()) return;
  CopyInto(&cache_->imageFilesStaging[link.Key()], it->second);
}

void DS_DocResManager::WalkDeviceObjects(bool lost, bool keepPrepared) {
  // A copy: a surface's own handler may register or drop other surfaces.
  std::vector<ZVI_LosableObj*> objects;
  for (auto& entry : deviceObjects_) objects.push_back(entry.second);
  for (auto* o : objects) WalkLosable(o, lost, keepPrepared);
  auto walkEffect = [lost](EffectRef& ref) {
    if (!ref.effect) return;
    if (lost)
      ref.effect->OnLostDevice();
    else
      ref.effect->OnResetDevice();
  };
  for (auto& entry : cache_->effects) walkEffect(entry.second);
  for (auto& entry : cache_->standIns) walkEffect(entry.second);
  for (auto& entry : cache_->targetSets) {
    if (!entry.second) continue;
    const void* owner = TargetSetOwner(entry.first);
    const bool prepared = cache_->preparedTargetSets.count(entry.first) != 0;
    if (lost) {
      // Made ahead for the slide about to show: kept, as its objects are.
      if (keepPrepared && prepared && IsLiveOwner(owner)) continue;
      entry.second->ReleaseTextures();
      cache_->preparedTargetSets.erase(entry.first);
    } else if (!prepared && IsLiveOwner(owner)) {
      RemakeFromPicture(*this, entry.first, *entry.second);
      // Made again while its slide waits to show: still untouched.
      if (ownersTracked_ && owner && owner == preparedOwner_ && owner != shownOwner_)
        cache_->preparedTargetSets.insert(entry.first);
    }
  }
  for (auto& entry : cache_->deviceObjects) {
    if (!entry.second) continue;
    if (lost)
      entry.second->OnLostDevice();
    else
      entry.second->OnResetDevice();
  }
}

void DS_DocResManager::OnLostDevice() {
  if (deviceLost_) return;
  deviceLost_ = true;
  WalkDeviceObjects(true);
}

void DS_DocResManager::OnResetDevice() {
  // Resets come in pairs with losses: an unreported loss is walked first,
  // leaving what was made ahead for the slide about to show.
  if (!deviceLost_) WalkDeviceObjects(true, true);
  deviceLost_ = false;
  WalkDeviceObjects(false);
}

RenderSettings& GetRenderSettings() {
  if (DS_DocResManager* manager = CurrentDocResManager()) return manager->Settings();
  static RenderSettings fallback;
  return fallback;
}

std::unique_ptr<DS_DocResManager> ReadDocResManagerRecord(DS_IOF_Archive& ar) {
  return ReadFixedRecord<DS_DocResManager>(ar);
}

bool PremultiplyAlpha(IDirect3DTexture9* texture) {
  if (!texture) return false;
  D3DSURFACE_DESC desc{};
  if (FAILED(texture->GetLevelDesc(0, &desc))) return false;
  if (desc.Format == D3DFMT_DXT1) return true;
  if (desc.Format != D3DFMT_A8R8G8B8) return false;
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, 0)) || !locked.pBits) return false;
  for (UINT y = 0; y < desc.Height; ++y) {
    uint8_t* row = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
    for (UINT x = 0; x < desc.Width; ++x) {
      uint8_t* p = row + x * 4;
      float a = static_cast<float>(p[3]) * 0.00390625f;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(static_cast<float>(p[c]) * a);
    }
  }
  texture->UnlockRect(0);
  return true;
}

ComPtr<IDirect3DTexture9> CopyTextureResized(IDirect3DTexture9* source, UINT w, UINT h, D3DFORMAT format) {
  ComPtr<IDirect3DTexture9> copy;
  IDirect3DDevice9* device = CurrentDevice();
  if (!source || !device) return copy;
  if (FAILED(D3DXCreateTexture(device, w, h, 0, 0, format, D3DPOOL_MANAGED, copy.ReleaseAndGetAddressOf())) || !copy)
    return ComPtr<IDirect3DTexture9>();
  ComPtr<IDirect3DSurface9> src, dst;
  if (SUCCEEDED(source->GetSurfaceLevel(0, src.ReleaseAndGetAddressOf())) &&
      SUCCEEDED(copy->GetSurfaceLevel(0, dst.ReleaseAndGetAddressOf())))
    D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, D3DX_FILTER_TRIANGLE, 0);
  return copy;
}

TextureInfo GetFirstFrameTexture(const DocImage& image) {
  TextureInfo info;
  if (!image.textures.empty()) info.texture = image.textures.front();
  info.width = image.width;
  info.height = image.height;
  info.aspect = image.aspect;
  return info;
}
