#pragma once
// The document's resources that are not objects: images (stored files,
// module resources, lists of raw frames), the textures made from them,
// compiled effects, textures and render-target sets kept per GUID, the
// device-dependent objects told of device loss and reset, and the view
// record of the document. The project reader reads it last and publishes it
// in the calling thread's CurrentDocResManager slot.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "core/embedded_file.h"
#include "core/zvi_string.h"
#include "platform/com/com.h"
#include "platform/com/com_ptr.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "platform/d3d9/d3d9.h"
#include "player/file_links.h"
#include "player/quad_corners.h"
#include "player/texture_cache.h"

class DS_IOF_Archive;
class RenderTargetSet;
struct ID3DXEffect;

// Orders GUIDs by their bytes, for the maps keyed by GUID.
struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const;
};

// A GUID with a name: the key of a render-target set.
struct NamedGuid {
  GUID guid{};
  zvi_string name;
};

class ZVI_DocResManager;

// An object holding video-memory resources: registered with the document
// current at its construction, told of device loss and reset by it.
class ZVI_LosableObj {
 public:
  ZVI_LosableObj();
  ZVI_LosableObj(const ZVI_LosableObj&) = delete;
  ZVI_LosableObj& operator=(const ZVI_LosableObj&) = delete;

  virtual void OnLost() = 0;
  virtual void OnReset() = 0;
  virtual void OnResize() {}
  // One step of making its device objects again ahead of its slide, after
  // they were let go: true once they are as OnReset makes them. Objects with
  // several large targets make one a step, so that no frame pays for all.
  virtual bool PrepareStep() {
    OnReset();
    return true;
  }

  const LinkKey& Key() const { return key_; }
  // The manager it is registered with; null when none (or once it is gone).
  ZVI_DocResManager* RegisteredWith() const { return manager_; }
  // Moves the registration to the current document. Objects made while a
  // project is read come before its document is current; their device
  // resources must be released by the document that plays them.
  void JoinCurrentDocument();
  // The slide it was made for (see ZVI_DocResManager::SetRegisteringOwner);
  // null for the document's own objects.
  const void* Owner() const { return owner_; }
  // Made ahead for a slide about to show and untouched since: the walk of
  // that slide's start keeps it as it is.
  bool Prepared() const { return prepared_; }

 protected:
  // Unregisters from the manager it registered with, whichever is current.
  virtual ~ZVI_LosableObj();

 private:
  friend class ZVI_DocResManager;
  friend void SetLosableObject(ZVI_DocResManager* manager, const zvi_string& key, ZVI_LosableObj* object);
  LinkKey key_;
  ZVI_DocResManager* manager_ = nullptr;
  const void* owner_ = nullptr;
  bool prepared_ = false;
  bool preparing_ = false;  // let go and partly made ahead
};

// The device-object part of the manager (what the CurrentDocResManager slot
// reaches for registration).
class ZVI_DocResManager {
 public:
  ZVI_DocResManager() = default;
  ZVI_DocResManager(const ZVI_DocResManager&) = delete;
  ZVI_DocResManager& operator=(const ZVI_DocResManager&) = delete;
  virtual ~ZVI_DocResManager();

  const std::map<zvi_string, ZVI_LosableObj*>& DeviceObjects() const { return deviceObjects_; }

  // Objects registered while an owner (a slide) is set belong to it. Returns
  // the owner set before.
  const void* SetRegisteringOwner(const void* owner);
  // From the first call on, device memory lives only for objects without an
  // owner and for the live owners: the slide shown and the one being
  // prepared (either may be null). Objects of other slides are let go at the
  // next walk and made again when their slide is prepared or shown.
  void SetLiveOwners(const void* shown, const void* prepared);
  bool IsLiveOwner(const void* owner) const;
  // Makes the device memory of one object of the owner that has none made
  // ahead (marked prepared); false when every one is done.
  bool PrepareOneObject(const void* owner);
  // The owner's objects are no longer untouched (its slide is showing).
  virtual void ClearPrepared(const void* owner);
  // Lets go of the device memory of every object of the owner.
  void ReleaseOwner(const void* owner);

 protected:
  // One object's part of a loss (lost) or reset walk. keepPrepared: the
  // loss half of a reset walk, which leaves prepared objects as they are.
  void WalkLosable(ZVI_LosableObj* object, bool lost, bool keepPrepared);
  friend void SetLosableObject(ZVI_DocResManager* manager, const zvi_string& key, ZVI_LosableObj* object);
  std::map<zvi_string, ZVI_LosableObj*> deviceObjects_;
  const void* registeringOwner_ = nullptr;
  const void* shownOwner_ = nullptr;
  const void* preparedOwner_ = nullptr;
  bool ownersTracked_ = false;
};

// Sets the registering owner of the current document for a scope.
class LosableOwnerScope {
 public:
  explicit LosableOwnerScope(const void* owner);
  ~LosableOwnerScope();
  LosableOwnerScope(const LosableOwnerScope&) = delete;
  LosableOwnerScope& operator=(const LosableOwnerScope&) = delete;

 private:
  ZVI_DocResManager* manager_;
  const void* previous_ = nullptr;
};

// With an object: inserts it when the key is absent (the first stays).
// With null: erases the key.
void SetLosableObject(ZVI_DocResManager* manager, const zvi_string& key, ZVI_LosableObj* object);

struct RawFrame {
  uint32_t count = 0;
  SharedByteBuffer bytes;
  float delay = 0.0f;
  zvi_string name;
};
using RawFrameList = std::vector<RawFrame>;

// Textures of an image made with a caller's filter, with the frame animation
// the texture sources drive.
struct ImageFrameSet {
  UINT imageWidth = 0;
  UINT imageHeight = 0;
  UINT textureWidth = 0;
  UINT textureHeight = 0;
  float uScale = 1.0f;  // image width / texture width
  float vScale = 1.0f;
  float aspect = 1.0f;  // image height / image width
  std::vector<ComPtr<IDirect3DTexture9>> textures;
  std::vector<float> delays;
  int32_t frameIndex = 0;
  float lastSwitch = 0.0f;

  // At most one frame step per call, forwards or backwards.
  void AdvanceForward(float t);
  void AdvanceBackward(float t);
  void StepForward(float t) { AdvanceForward(t); }
  void StepBackward(float t) { AdvanceBackward(t); }
  void ResetAnimation() {
    frameIndex = 0;
    lastSwitch = 0.0f;
  }
  // The texture of the current frame, or null.
  IDirect3DTexture9* CurrentTexture() const;

 private:
  // Moves the switch time; true when the current frame's delay has passed.
  bool FrameDue(float t, bool restartAtSwitchTime);
};

// The image record of GetTextures and its relatives.
struct DocImage {
  std::vector<ComPtr<IDirect3DTexture9>> textures;
  std::vector<float> delays;
  UINT width = 0;
  UINT height = 0;
  float aspect = 1.0f;
  int32_t extra = 0;
  // Advanced by the holders themselves.
  float lastSwitch = 0.0f;
  uint32_t word = 0;
  uint32_t frameIndex = 0;
};

// The document's view record, written when a slide sets up its view.
struct RenderSettings {
  float scaleX = 0.0f;
  float scaleY = 0.0f;
  QuadCorners corners;  // the fitted background picture, back-buffer pixels
  uint32_t pictureWidth = 0;
  uint32_t pictureHeight = 0;

  // A point in render-target pixels taken to picture pixels through the
  // fitted picture and the camera's zoom and pan of the current render
  // context; z is kept.
  D3DXVECTOR3* WindowToPicture(D3DXVECTOR3* out, float x, float y, float z) const;
};

// An image stored under a GUID in the record.
struct GuidImage {
  zvi_string name;
  uint8_t flag = 0;
  EmbeddedFileData file;
};

// One counted reference to a compiled effect (released with the holder).
struct EffectRef {
  ID3DXEffect* effect = nullptr;
  EffectRef() = default;
  EffectRef(const EffectRef&) = delete;
  EffectRef& operator=(const EffectRef&) = delete;
  ~EffectRef();
};

// Device objects kept by GUID that have their own loss and reset handling.
class DocDeviceObject {
 public:
  virtual ~DocDeviceObject() = default;
  virtual void OnLostDevice() = 0;
  virtual void OnResetDevice() = 0;
};

struct DocResCache {
  std::map<LinkKey, std::vector<EmbeddedFile>> moduleImagesStaging;  // record section 3
  std::map<LinkKey, std::vector<EmbeddedFile>> imageFilesStaging;    // record section 1
  std::map<LinkKey, std::vector<float>> delays;                      // record section 2
  std::map<GUID, GuidImage, GuidLess> guidImagesStaging;             // record section 4
  std::map<LinkKey, DocImage> images;
  std::map<GUID, std::unique_ptr<RenderTargetSet>, GuidLess> targetSets;
  // The slide that asked for a set first; null once a second one (or none)
  // asks: the walk makes a slide's sets again only while it is live.
  std::map<GUID, const void*, GuidLess> targetSetOwners;
  // Sets made ahead for the slide about to show and untouched since.
  std::set<GUID, GuidLess> preparedTargetSets;
  std::map<LinkKey, EffectRef> effects;
  std::map<GUID, DocDeviceObject*, GuidLess> deviceObjects;
  // The stored files and module references of every image and effect.
  std::map<LinkKey, std::vector<EmbeddedFile>> documentData;
  std::map<GUID, ComPtr<IDirect3DTexture9>, GuidLess> guidTextures;
  // Effects of stored files that failed to compile: not tried every frame.
  std::set<LinkKey> failedEffects;
  // Built-in stand-in effects by pack id, one per document.
  std::map<uint32_t, EffectRef> standIns;
  // Meshes by link; a link that yields none keeps an empty record.
  std::map<LinkKey, MeshBuffers> meshes;
};

class ZVI_DocResManagerTmp : public ZVI_DocResManager {
 public:
  // The ImageFrameSet of the link, its textures made with the D3DX filter
  // when it has none yet.
  ImageFrameSet& GetImage(const DS_FileLink3& link, DWORD filter);
  // Fills frames from the linked file or module resource; always true.
  virtual bool LoadRawFrames(const DS_FileLink3& link, RawFrameList* frames);
  // Record section 5 (raw frames by link).
  void ReadRecord(DS_IOF_Archive& ar);

  const std::map<LinkKey, RawFrameList>& RawFrames() const { return rawFrames_; }

 protected:
  std::map<LinkKey, RawFrameList> rawFrames_;
  std::map<LinkKey, RawFrameList> rawFramesStaging_;
  std::map<LinkKey, ImageFrameSet> frameSets_;
};

class DS_DocResManager : public ZVI_DocResManagerTmp {
 public:
  // Installs its own texture cache as the process-wide one.
  DS_DocResManager();
  // Tells every device object of the loss, then frees everything; its
  // texture cache stops being the process-wide one.
  ~DS_DocResManager() override;

  // The payload of the record for versions 1 to 4.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  // Never null; without textures when nothing can be found.
  DocImage& GetTextures(const DS_FileLink3& link);
  DocImage& LoadModuleImage(const DS_FileLink3& link);
  // *out = the effect with a reference added, or null. Returns out.
  ID3DXEffect** GetEffect(ID3DXEffect** out, const DS_FileLink3& link);
  // The effect a class draws with: the project's stored copy of the link when
  // our layer can make it, otherwise the class's built-in stand-in
  // (player/stand_in_effects.h). *out gets a reference, or null.
  ID3DXEffect** GetEffect(ID3DXEffect** out, std::u16string_view askingClass, const DS_FileLink3& link);
  // As the base, but a module link whose project stores the picture's bytes
  // takes those bytes rather than the module's stand-in.
  bool LoadRawFrames(const DS_FileLink3& link, RawFrameList* frames) override;
  // The mesh of a mesh link (32-byte vertices), made once per document: the
  // project's stored copy when it loads, else the named module's resource.
  // Empty buffers when neither gives a mesh.
  void GetMesh(MeshBuffers* out, const DS_FileLink3& link);
  // The slot of the GUID's texture (possibly holding null).
  ComPtr<IDirect3DTexture9>* GetTextureByGuid(const GUID& guid);
  RenderTargetSet* GetTargetSetByGuid(const GUID& guid);
  RenderTargetSet* GetTargetSetByGuid(const NamedGuid& key) { return GetTargetSetByGuid(key.guid); }
  // The slide a GUID's set belongs to (null: the document's); a slide left
  // lets its sets' textures go, the walk makes them again once it is live.
  const void* TargetSetOwner(const GUID& guid) const;
  void ReleaseTargetSetsOf(const void* owner);
  // Makes one set of the owner's ahead of its start, as the start's walk
  // would (marked prepared, so the walk keeps it); false when all are made.
  bool PrepareOneTargetSet(const void* owner);
  void ClearPrepared(const void* owner) override;
  DS_ImageFileLink* AddImageFile(DS_ImageFileLink* out, const EmbeddedFile& entry);
  DS_ImageFileLink* AddImageFrames(DS_ImageFileLink* out, const std::vector<EmbeddedFile>& entries,
                                   const std::vector<float>& delays);
  // Nothing is saved by the player; this only stages the link's records.
  void CollectLinkForSave(const DS_FileLink3& link);

  // Loss releases the video-memory resources once; reset recreates them,
  // after a loss walk of its own when no loss was reported before it.
  void OnLostDevice();
  void OnResetDevice();

  // The stored entries of a link, created empty when absent.
  std::vector<EmbeddedFile>& DocumentData(const LinkKey& key) { return cache_->documentData[key]; }
  DocResCache& Cache() { return *cache_; }
  RenderSettings& Settings() { return *settings_; }
  TextureCache& Textures() { return *textureCache_; }

 private:
  void MakeModuleImage(DocImage& image, const DS_FileLink3& link);
  // Objects in key order, effects, GUID target sets, GUID device objects.
  void WalkDeviceObjects(bool lost, bool keepPrepared = false);

  std::unique_ptr<TextureCache> textureCache_;
  std::unique_ptr<DocResCache> cache_;
  std::unique_ptr<RenderSettings> settings_;
  int32_t reserved_ = 0;
  bool deviceLost_ = false;
};

// The current document's RenderSettings, or a zeroed static record.
RenderSettings& GetRenderSettings();

// Reads a manager record (class name, version, payload) into a new manager.
std::unique_ptr<DS_DocResManager> ReadDocResManagerRecord(DS_IOF_Archive& ar);

// The ":ZVI:" image frame container: the magic, the wide string "IMG" and a
// raw-frame list. False, frames unchanged, on any mismatch or overrun.
bool ReadImageContainer(const uint8_t* bytes, uint32_t count, RawFrameList* frames);
// A raw-frame list (int32 count; per frame u32 version, int32 byte count,
// the bytes, float delay). Counts and sizes are capped by the data left; a
// strict archive raises DS_Error instead.
void ReadRawFrameList(DS_IOF_Archive& ar, RawFrameList* frames);

// The module image list ("DDS" resource): u32 delay count and the delays,
// u32 entry count, the EmbeddedFile records. False on a list that runs past
// its data.
bool ReadModuleImageList(const uint8_t* bytes, uint32_t count, std::vector<float>* delays,
                         std::vector<EmbeddedFile>* entries);

// Colours multiplied by alpha / 256, as stored projects expect. Level 0 of
// an A8R8G8B8 texture; DXT1 is left alone (true); other formats give false.
bool PremultiplyAlpha(IDirect3DTexture9* texture);

// A managed copy of level 0 of the source at w x h with a full mip chain
// (triangle filter); null without a source.
ComPtr<IDirect3DTexture9> CopyTextureResized(IDirect3DTexture9* source, UINT w, UINT h, D3DFORMAT format);
// The image's first texture (null when it has none) with its size and aspect.
TextureInfo GetFirstFrameTexture(const DocImage& image);

// Textures of the frames made with the D3DX filter into the set.
void MakeFrameTextures(ImageFrameSet& set, const RawFrameList& frames, bool gif, DWORD filter);
