#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/archive.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "tools/writer/docres_writer.h"

namespace {

const GUID kGuidA = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
const GUID kGuidB = {0xAAAAAAAA, 0xBBBB, 0xCCCC, {0xDD, 0xDD, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}};

std::vector<uint8_t> Text(const char* s) { return std::vector<uint8_t>(s, s + std::strlen(s)); }

std::string BytesOf(const EmbeddedFile& f) {
  return f.data ? std::string(reinterpret_cast<const char*>(f.data.get()), f.size) : std::string();
}

// A record with every section filled.
pw::DocResRecord FullRecord() {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"C:\\pics\\anim.png", 5, {{0, u"", u"C:\\pics\\a1.png", Text("one")},
                                                       {0, u"", u"C:\\pics\\a2.png", Text("two")}}});
  r.imageFiles.push_back({u"common_res.dll", 5, {{5, u"common_res.dll", u"", Text("copy")}}});
  r.delays.push_back({u"C:\\pics\\anim.png", 5, {0.1f, 0.2f}});
  r.moduleImages.push_back({u"common_res.dll", 5, {{5, u"common_res.dll", u"", Text("other")}}});
  r.moduleImages.push_back({u"mod.dll", 9, {{9, u"mod.dll", u"", Text("nine")}}});
  r.guidImages.push_back({kGuidA, u"guid picture", 1, u"C:\\g.png", Text("guid bytes")});
  r.rawFrames.push_back({u"C:\\raw.png", 3, {{1, Text("frame0"), 0.5f}, {1, Text("frame1"), 0.25f}}});
  r.rawFrames.push_back({u"mod.dll", 9, {{1, Text("raw nine"), 0.0f}}});
  return r;
}

// These tests are about bytes, not pictures: no device while they run, also
// when other tests of the program made one.
class DocResManager : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentDevice();
    SetCurrentDevice(nullptr);
  }
  void TearDown() override { SetCurrentDevice(saved_); }

 private:
  IDirect3DDevice9* saved_ = nullptr;
};

std::unique_ptr<DS_DocResManager> ReadManager(const std::vector<uint8_t>& bytes, bool strict = false) {
  MemoryArchive ar(bytes.data(), bytes.size(), strict);
  auto manager = ReadDocResManagerRecord(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return manager;
}

TEST_F(DocResManager, RecordVersionsFillTheirSections) {
  for (int32_t version = 1; version <= 4; ++version) {
    SCOPED_TRACE(version);
    pw::ByteBuilder b;
    pw::WriteDocResManager(b, FullRecord(), version);
    auto m = ReadManager(b.bytes());
    DocResCache& c = m->Cache();

    // Section 1: stored files become document data with one texture slot each.
    const LinkKey anim(u"C:\\pics\\anim.png", 5);
    ASSERT_EQ(c.documentData[anim].size(), 2u);
    EXPECT_EQ(BytesOf(c.documentData[anim][1]), "two");
    EXPECT_EQ(c.images[anim].textures.size(), 2u);
    EXPECT_EQ(c.images[anim].delays, (std::vector<float>{0.1f, 0.2f}));
    // Section 3 never replaces an entry that section 1 made.
    ASSERT_EQ(c.documentData[LinkKey(u"common_res.dll", 5)].size(), 1u);
    EXPECT_EQ(BytesOf(c.documentData[LinkKey(u"common_res.dll", 5)][0]), "copy");
    EXPECT_EQ(c.documentData.count(LinkKey(u"mod.dll", 9)), version >= 2 ? 1u : 0u);

    // Section 4: the GUID's texture slot and one raw frame under its text.
    EXPECT_EQ(c.guidTextures.count(kGuidA), version >= 3 ? 1u : 0u);
    auto guidFrames = m->RawFrames().find(GuidToString(kGuidA));
    if (version >= 3) {
      ASSERT_NE(guidFrames, m->RawFrames().end());
      ASSERT_EQ(guidFrames->second.size(), 1u);
      EXPECT_EQ(guidFrames->second[0].name, u"guid picture");
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(guidFrames->second[0].bytes.data()),
                            guidFrames->second[0].count),
                "guid bytes");
    } else {
      EXPECT_EQ(guidFrames, m->RawFrames().end());
    }

    // Section 5: raw frames by link, with their delays.
    auto raw = m->RawFrames().find(LinkKey(u"C:\\raw.png", 3));
    if (version >= 4) {
      ASSERT_NE(raw, m->RawFrames().end());
      ASSERT_EQ(raw->second.size(), 2u);
      EXPECT_EQ(raw->second[1].count, 6u);
      EXPECT_FLOAT_EQ(raw->second[0].delay, 0.5f);
    } else {
      EXPECT_EQ(raw, m->RawFrames().end());
    }
    // The staging maps are empty after reading.
    EXPECT_TRUE(c.imageFilesStaging.empty());
    EXPECT_TRUE(c.guidImagesStaging.empty());
  }
}

TEST_F(DocResManager, TruncatedRecordsEndCleanly) {
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, FullRecord(), 4);
  const std::vector<uint8_t>& full = b.bytes();
  // Every cut of the record: a loose archive stops quietly, a strict one
  // refuses with DS_Error; neither reads past the data.
  for (size_t cut = 0; cut < full.size(); cut += 7) {
    std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    {
      MemoryArchive ar(part.data(), part.size());
      EXPECT_NO_THROW(ReadDocResManagerRecord(ar)) << cut;
    }
    MemoryArchive strict(part.data(), part.size(), true);
    if (cut > 0) {
      EXPECT_THROW(ReadDocResManagerRecord(strict), DS_Error) << cut;
    }
  }
}

TEST_F(DocResManager, DamagedBytesNeverCrash) {
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, FullRecord(), 4);
  auto container = pw::ImageContainer({{1, Text("frame"), 0.1f}, {1, Text("frame two"), 0.2f}});
  // Every byte in turn set to FF and to 80: each read ends, with or without
  // an error, and never reads outside the data.
  for (uint8_t value : {uint8_t{0xFF}, uint8_t{0x80}}) {
    for (size_t i = 0; i < b.size(); ++i) {
      std::vector<uint8_t> damaged = b.bytes();
      damaged[i] = value;
      MemoryArchive loose(damaged.data(), damaged.size());
      EXPECT_NO_THROW(ReadDocResManagerRecord(loose)) << i;
      MemoryArchive strict(damaged.data(), damaged.size(), true);
      try {
        ReadDocResManagerRecord(strict);
      } catch (const DS_Error&) {
      }
    }
    for (size_t i = 0; i < container.size(); ++i) {
      std::vector<uint8_t> damaged = container;
      damaged[i] = value;
      RawFrameList frames;
      ReadImageContainer(damaged.data(), static_cast<uint32_t>(damaged.size()), &frames);
      size_t total = 0;
      for (const auto& f : frames) total += f.count;
      EXPECT_LE(total, damaged.size()) << i;
    }
  }
}

TEST_F(DocResManager, HostileCountsAreBoundedByTheData) {
  pw::ByteBuilder b;
  b.Header(u"DS_DocResManager", 4);
  b.I32(0x7FFFFFFF);  // section 1 claims two billion links
  b.FileLink(u"x.png", 1).I32(0x40000000);
  auto bytes = b.bytes();
  MemoryArchive ar(bytes.data(), bytes.size());
  auto m = ReadDocResManagerRecord(ar);
  EXPECT_LE(m->Cache().documentData.size(), 1u);

  // A raw frame whose byte count exceeds the data keeps only what is there.
  pw::ByteBuilder frames;
  frames.I32(1).U32(1).I32(1000000).Raw("abcdefgh", 8);
  auto fb = frames.bytes();
  MemoryArchive far(fb.data(), fb.size());
  RawFrameList list;
  ReadRawFrameList(far, &list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].count, 8u);
}

TEST_F(DocResManager, ImageContainer) {
  std::vector<pw::RawFrameSpec> frames = {{1, Text("AAAA"), 0.1f}, {1, Text("BB"), 0.2f}, {1, {}, 0.3f}};
  RawFrameList out;
  auto good = pw::ImageContainer(frames);
  ASSERT_TRUE(ReadImageContainer(good.data(), static_cast<uint32_t>(good.size()), &out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].count, 2u);
  EXPECT_EQ(std::memcmp(out[1].bytes.data(), "BB", 2), 0);
  EXPECT_FLOAT_EQ(out[2].delay, 0.3f);

  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  auto truncated = good;
  truncated.resize(good.size() - 3);
  auto hostile = pw::ImageContainer({});
  hostile.resize(hostile.size() - 4);
  pw::ByteBuilder h;
  h.Raw(hostile).I32(0x7FFFFFFF).U32(1).I32(4);
  const Case bad[] = {
      {"tag IMX", pw::ImageContainer(frames, u"IMX")},
      {"tag IMGS", pw::ImageContainer(frames, u"IMGS")},
      {"no magic", Text("ZVI:xxxxxxxxxxxx")},
      {"magic only", Text(":ZVI:")},
      {"truncated", truncated},
      {"hostile count", h.bytes()},
  };
  for (const auto& c : bad) {
    RawFrameList kept(1);
    EXPECT_FALSE(ReadImageContainer(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), &kept)) << c.what;
    EXPECT_EQ(kept.size(), 1u) << c.what << ": frames unchanged";
  }
}

TEST_F(DocResManager, ModuleImageList) {
  auto bytes = pw::ModuleImageList({0.1f, 0.2f}, {{0, u"", u"a.png", Text("a")}, {3, u"m.dll", u"", {}}});
  std::vector<float> delays;
  std::vector<EmbeddedFile> entries;
  ASSERT_TRUE(ReadModuleImageList(bytes.data(), static_cast<uint32_t>(bytes.size()), &delays, &entries));
  EXPECT_EQ(delays, (std::vector<float>{0.1f, 0.2f}));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].path, u"a.png");
  EXPECT_EQ(entries[1].resourceId, 3u);

  for (size_t cut : {size_t{0}, size_t{3}, bytes.size() - 1}) {
    std::vector<float> d{9.0f};
    EXPECT_FALSE(ReadModuleImageList(bytes.data(), static_cast<uint32_t>(cut), &d, &entries)) << cut;
    EXPECT_EQ(d.size(), 1u);
  }
  pw::ByteBuilder hostile;
  hostile.U32(0xFFFFFFFF).F32(1.0f);
  EXPECT_FALSE(ReadModuleImageList(hostile.bytes().data(), static_cast<uint32_t>(hostile.size()), &delays, &entries));
}

// A resource module of the tests' own, registered like the built-in pack.
const uint8_t kModuleFx[] = {'M', 'O', 'D', 'U', 'L', 'E'};
const uint8_t kModulePlain[] = {'p', 'l', 'a', 'i', 'n', '!', '!'};
std::vector<uint8_t> g_moduleContainer;
std::vector<uint8_t> g_moduleList;
std::vector<ResourceEntry> g_entries;
ResourceTable g_table;

void RegisterTestModule() {
  if (!g_entries.empty()) return;
  g_moduleContainer = pw::ImageContainer({{1, Text("c0"), 0.1f}, {1, Text("c1"), 0.2f}});
  g_moduleList = pw::ModuleImageList({0.5f}, {{0, u"", u"x.png", Text("zz")}});
  g_entries = {
      {nullptr, 10, 7, kModuleFx, sizeof kModuleFx},
      {u"DDS", 0, 8, kModulePlain, sizeof kModulePlain},
      {u"DDS", 0, 9, g_moduleContainer.data(), static_cast<uint32_t>(g_moduleContainer.size())},
      {u"DDS", 0, 10, g_moduleList.data(), static_cast<uint32_t>(g_moduleList.size())},
  };
  g_table = {g_entries.data(), g_entries.size()};
  Win32_RegisterBuiltInModule(u"docres_test.dll", &g_table);
}

TEST_F(DocResManager, RawFramesFromFilesAndModules) {
  RegisterTestModule();
  DS_DocResManager m;
  auto dir = std::filesystem::temp_directory_path();
  auto write = [&](const char* name, const std::vector<uint8_t>& bytes) {
    auto p = dir / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return Win32_FromUtf8(p.string());
  };
  auto frames = [&](const zvi_string& name, int64_t id) {
    DS_FileLink3 link;
    link.name = name;
    link.id = id;
    RawFrameList out;
    EXPECT_TRUE(m.LoadRawFrames(link, &out));
    return out;
  };
  auto container = pw::ImageContainer({{1, Text("f0"), 0.1f}, {1, Text("f1"), 0.2f}});
  EXPECT_EQ(frames(write("docres_anim.zvi", container), 0).size(), 2u);
  EXPECT_EQ(frames(write("docres_anim.gif", container), 0).size(), 0u) << ".gif files are not loaded";
  EXPECT_EQ(frames(write("docres_tiny.png", Text("12345")), 0).size(), 0u) << "5 bytes or fewer";
  auto plain = frames(write("docres_plain.png", Text("123456")), 0);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].count, 6u);
  EXPECT_EQ(frames(write("docres_badtag.zvi", pw::ImageContainer({{1, Text("f0"), 0.1f}}, u"IMX")), 0).size(), 0u)
      << "magic without IMG yields no frame";
  EXPECT_EQ(frames(u"/no/such/file.png", 0).size(), 0u);

  EXPECT_EQ(frames(u"docres_test.dll", 8).size(), 1u);
  EXPECT_EQ(frames(u"docres_test.dll", 9).size(), 2u);
  EXPECT_EQ(frames(u"docres_test.dll", 99).size(), 0u);
  EXPECT_EQ(frames(u"absent_module.dll", 8).size(), 0u);
}

TEST_F(DocResManager, ModuleImageListFromModule) {
  RegisterTestModule();
  DS_DocResManager m;
  DS_FileLink3 link;
  link.name = u"docres_test.dll";
  link.id = 10;
  DocImage& image = m.LoadModuleImage(link);
  EXPECT_EQ(image.delays, (std::vector<float>{0.5f}));
  EXPECT_EQ(image.textures.size(), 1u);
  ASSERT_EQ(m.DocumentData(link.Key()).size(), 1u);
  EXPECT_EQ(m.DocumentData(link.Key())[0].path, u"x.png");

  link.id = 11;
  EXPECT_TRUE(m.LoadModuleImage(link).textures.empty());
}

TEST_F(DocResManager, TheStoredEffectCopyIsNeverOverwrittenByTheModule) {
  RegisterTestModule();
  pw::DocResRecord r;
  r.moduleImages.push_back({u"docres_test.dll", 7, {{7, u"docres_test.dll", u"", Text("STORED")}}});
  r.moduleImages.push_back({u"absent_module.dll", 7, {{7, u"absent_module.dll", u"", Text("STORED")}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 2);
  auto m = ReadManager(b.bytes());

  // Whether an effect came back; the reference it carries is given back.
  auto get = [&](const DS_FileLink3& link) {
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
    m->GetEffect(&effect, link);
    if (effect) effect->Release();
    return effect != nullptr;
  };
  DS_HLSLEffectFile present(u"docres_test.dll", 7);
  EXPECT_FALSE(get(present)) << "these bytes are no effect";
  EXPECT_EQ(BytesOf(m->DocumentData(present.Key()).back()), "STORED");
  EXPECT_EQ(m->Cache().failedEffects.count(present.Key()), 0u) << "module effects are tried again";

  DS_HLSLEffectFile absent(u"absent_module.dll", 7);
  get(absent);
  EXPECT_EQ(BytesOf(m->DocumentData(absent.Key()).back()), "STORED");

  // A link without data gets a module reference as its document data.
  DS_HLSLEffectFile fresh(u"common_res.dll", 202);
  get(fresh);
  ASSERT_GE(m->DocumentData(fresh.Key()).size(), 1u);
  EXPECT_EQ(m->DocumentData(fresh.Key())[0].resourceId, 202u);
  EXPECT_EQ(m->DocumentData(fresh.Key())[0].moduleName, u"common_res.dll");

  // A stored effect that cannot be compiled is remembered, not retried.
  DS_HLSLEffectFile stored;
  stored.name = u"C:\\fx\\blur.fxo";
  stored.id = 4;
  EXPECT_FALSE(get(stored));
  EXPECT_EQ(m->Cache().failedEffects.count(stored.Key()), 1u);
}

TEST_F(DocResManager, ModuleFallbacksWithoutPicture) {
  // Nothing decodes: a module that cannot be opened gives the 800 x 600 preset.
  DS_DocResManager m;
  EmbeddedFile missing;
  missing.moduleName = u"absent_module.dll";
  missing.resourceId = 5;
  TextureInfo info = m.Textures().GetTexture(missing);
  EXPECT_EQ(info.texture.Get(), nullptr);
  EXPECT_EQ(info.width, 800u);
  EXPECT_EQ(info.height, 600u);
  EXPECT_FLOAT_EQ(info.aspect, 0.75f);

  DS_ImageFileLink link(5, u"absent_module.dll");
  DocImage& image = m.GetTextures(link);
  EXPECT_EQ(image.width, 800u);
  EXPECT_EQ(image.height, 600u);
  ASSERT_EQ(m.DocumentData(link.Key()).size(), 1u);
  EXPECT_EQ(m.DocumentData(link.Key())[0].resourceId, 5u);

  // A file link gets an empty document-data vector and no textures.
  DS_ImageFileLink file;
  file.name = u"C:\\pics\\none.png";
  file.id = 2;
  EXPECT_TRUE(m.GetTextures(file).textures.empty());
  EXPECT_TRUE(m.DocumentData(file.Key()).empty());
}

TEST_F(DocResManager, AddedImagesGetLinks) {
  DS_DocResManager m;
  EmbeddedFile module;
  module.moduleName = u"common_res.dll";
  module.resourceId = 62;
  module.path = u"C:\\ignored.png";
  DS_ImageFileLink out;
  m.AddImageFile(&out, module);
  EXPECT_EQ(out.Key(), LinkKey(u"common_res.dll", 62));
  EXPECT_EQ(m.DocumentData(out.Key()).size(), 1u);
  EXPECT_EQ(m.Cache().images[out.Key()].textures.size(), 1u);

  std::vector<EmbeddedFile> frames(3);
  for (int i = 0; i < 3; ++i) frames[static_cast<size_t>(i)].path = u"C:\\anim.png";
  DS_ImageFileLink anim;
  m.AddImageFrames(&anim, frames, {0.1f, 0.1f, 0.2f});
  EXPECT_EQ(anim.name, u"C:\\anim.png");
  EXPECT_EQ(m.DocumentData(anim.Key()).size(), 3u);
  EXPECT_EQ(m.Cache().images[anim.Key()].delays.size(), 3u);
}

TEST_F(DocResManager, FrameAnimation) {
  ImageFrameSet set;
  set.delays = {0.1f, 0.2f, 0.3f};
  struct Step {
    float t;
    int forwardIndex;
  };
  // At most one frame per call; the switch time advances by the delay.
  const Step steps[] = {{0.05f, 0}, {0.15f, 1}, {0.2f, 1}, {1.0f, 2}, {1.0f, 0}, {1.0f, 1}, {1.0f, 2}, {1.0f, 2}};
  for (const auto& s : steps) {
    set.AdvanceForward(s.t);
    EXPECT_EQ(set.frameIndex, s.forwardIndex) << s.t;
  }
  set.ResetAnimation();
  set.AdvanceBackward(0.5f);
  EXPECT_EQ(set.frameIndex, 2) << "backwards from 0 wraps to the last frame";
  EXPECT_FLOAT_EQ(set.lastSwitch, 0.1f);
  set.AdvanceBackward(0.05f);
  EXPECT_FLOAT_EQ(set.lastSwitch, 0.05f) << "a time before the last switch restarts the clock";
  EXPECT_EQ(set.frameIndex, 2);

  ImageFrameSet still;
  still.AdvanceForward(5.0f);
  EXPECT_EQ(still.frameIndex, 0);
  EXPECT_EQ(still.CurrentTexture(), nullptr);
}

struct CountingSurface : ZVI_LosableObj {
  int lost = 0;
  int reset = 0;
  void OnLost() override { ++lost; }
  void OnReset() override { ++reset; }
  ~CountingSurface() override = default;
};

TEST_F(DocResManager, DeviceObjectsAreToldOfLossAndResetOnce) {
  auto manager = std::make_unique<DS_DocResManager>();
  SetCurrentDocResManager(manager.get());
  auto a = std::make_unique<CountingSurface>();
  auto b = std::make_unique<CountingSurface>();
  EXPECT_EQ(manager->DeviceObjects().size(), 2u);
  EXPECT_EQ(a->RegisteredWith(), manager.get());

  manager->OnLostDevice();
  manager->OnLostDevice();  // the device-lost path and the destroy path may both report
  manager->OnResetDevice();
  for (auto* s : {a.get(), b.get()}) {
    EXPECT_EQ(s->lost, 1);
    EXPECT_EQ(s->reset, 1);
  }
  // A reset without a reported loss releases first, so the pair stays balanced.
  manager->OnResetDevice();
  EXPECT_EQ(a->lost, 2);
  EXPECT_EQ(a->reset, 2);

  // An object unregisters from its own manager even when another is current.
  DS_DocResManager other;
  SetCurrentDocResManager(&other);
  b.reset();
  EXPECT_EQ(manager->DeviceObjects().size(), 1u);

  // Destroying the manager tells the object of the loss, lets it go and
  // leaves no slot naming it.
  SetCurrentDocResManager(manager.get());
  manager.reset();
  EXPECT_EQ(CurrentDocResManager(), nullptr);
  EXPECT_EQ(a->lost, 3);
  EXPECT_EQ(a->RegisteredWith(), nullptr);
  a.reset();
}

TEST_F(DocResManager, LosableRegistrationKeepsTheFirstObject) {
  DS_DocResManager m;
  SetCurrentDocResManager(&m);
  CountingSurface s;
  SetCurrentDocResManager(nullptr);
  CountingSurface later;  // no document current: not registered
  EXPECT_EQ(later.RegisteredWith(), nullptr);
  SetLosableObject(&m, s.Key().name, &later);
  ASSERT_EQ(m.DeviceObjects().size(), 1u);
  EXPECT_EQ(m.DeviceObjects().begin()->second, &s);
  EXPECT_EQ(s.Key().name.size(), 38u);
}

TEST_F(DocResManager, OnlyLiveSlidesKeepDeviceMemoryAndMadeAheadObjectsAreKept) {
  auto manager = std::make_unique<DS_DocResManager>();
  SetCurrentDocResManager(manager.get());
  const int slideA = 0, slideB = 0, slideC = 0;  // owner tags
  std::unique_ptr<CountingSurface> a, b, c;
  {
    LosableOwnerScope owner(&slideA);
    a = std::make_unique<CountingSurface>();
  }
  {
    LosableOwnerScope owner(&slideB);
    b = std::make_unique<CountingSurface>();
  }
  {
    LosableOwnerScope owner(&slideC);
    c = std::make_unique<CountingSurface>();
  }
  CountingSurface shared;  // made outside any slide: the document's own
  EXPECT_EQ(a->Owner(), &slideA);
  EXPECT_EQ(shared.Owner(), nullptr);

  // Before any slide is declared live every object follows the walk.
  manager->OnResetDevice();
  for (auto* s : {a.get(), b.get(), c.get(), &shared}) EXPECT_EQ(s->reset, 1);

  // A shows, B is made ahead in slices, C is let go at the next walk.
  manager->SetLiveOwners(&slideA, &slideB);
  EXPECT_TRUE(manager->PrepareOneObject(&slideB));
  EXPECT_FALSE(manager->PrepareOneObject(&slideB)) << "one object, made once";
  EXPECT_TRUE(b->Prepared());
  EXPECT_EQ(b->reset, 2);
  manager->OnResetDevice();  // a start's reset without a reported loss
  EXPECT_EQ(a->reset, 2);
  EXPECT_EQ(shared.reset, 2);
  EXPECT_EQ(c->reset, 1) << "not live: released, not made again";
  EXPECT_EQ(c->lost, 2);
  EXPECT_EQ(b->reset, 2) << "made ahead and untouched: kept";
  EXPECT_EQ(b->lost, 2);

  // B starts showing: its objects stop being untouched; A is let go.
  manager->SetLiveOwners(&slideB, nullptr);
  manager->ClearPrepared(&slideB);
  manager->ReleaseOwner(&slideA);
  EXPECT_EQ(a->lost, 3);
  // A real loss and reset make B's objects again, never A's or C's.
  manager->OnLostDevice();
  manager->OnResetDevice();
  EXPECT_EQ(b->reset, 3);
  EXPECT_EQ(a->reset, 2);
  EXPECT_EQ(c->reset, 1);
  EXPECT_FALSE(b->Prepared());
  a.reset();
  b.reset();
  c.reset();
  SetCurrentDocResManager(nullptr);
}

TEST_F(DocResManager, TextureCachePointerFollowsLiveManagers) {
  TextureCache* before = GetTextureCache();
  auto a = std::make_unique<DS_DocResManager>();
  EXPECT_EQ(GetTextureCache(), &a->Textures());
  auto b = std::make_unique<DS_DocResManager>();
  EXPECT_EQ(GetTextureCache(), &b->Textures());
  b.reset();
  EXPECT_EQ(GetTextureCache(), &a->Textures());
  a.reset();
  EXPECT_EQ(GetTextureCache(), before);
}

TEST_F(DocResManager, RenderSettingsOfTheCurrentDocument) {
  SetCurrentDocResManager(nullptr);
  RenderSettings& fallback = GetRenderSettings();
  EXPECT_EQ(fallback.pictureWidth, 0u);
  EXPECT_EQ(fallback.scaleX, 0.0f);
  DS_DocResManager m;
  SetCurrentDocResManager(&m);
  m.Settings().pictureWidth = 800;
  EXPECT_EQ(GetRenderSettings().pictureWidth, 800u);
  EXPECT_NE(&GetRenderSettings(), &fallback);
  SetCurrentDocResManager(nullptr);
}

}  // namespace
