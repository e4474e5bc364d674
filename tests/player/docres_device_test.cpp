// Textures, meshes and render targets made on a headless device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

#include "core/archive.h"
#include "core/thread_slots.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "platform/win32/windows.h"
#include "player/current_device.h"
#include "player/doc_res_manager.h"
#include "player/meshes.h"
#include "player/render_target_set.h"
#include "player/stand_in_effects.h"
#include "player/texture_cache.h"
#include "resources/builtin_resources.h"
#include "tools/writer/docres_writer.h"

namespace {

LRESULT TestWndProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// One device for the whole test program, published as the current device.
IDirect3DDevice9* Device() {
  static IDirect3DDevice9* device = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TestWndProc;
    wc.lpszClassName = u"DocResTest";
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, u"DocResTest", u"docres", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = hwnd;
    pp.Windowed = TRUE;
    IDirect3DDevice9* dev = nullptr;
    if (d3d) d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    return dev;
  }();
  SetCurrentDevice(device);
  return device;
}

// A PNG of w x h pixels, every pixel the given RGBA.
std::vector<uint8_t> Png(int w, int h, uint8_t r = 200, uint8_t g = 100, uint8_t b = 50, uint8_t a = 255) {
  std::vector<uint8_t> px(static_cast<size_t>(w * h * 4));
  for (size_t i = 0; i < px.size(); i += 4) {
    px[i] = r;
    px[i + 1] = g;
    px[i + 2] = b;
    px[i + 3] = a;
  }
  int len = 0;
  unsigned char* mem = stbi_write_png_to_mem(px.data(), w * 4, w, h, 4, &len);
  std::vector<uint8_t> out(mem, mem + len);
  STBIW_FREE(mem);
  return out;
}

UINT Level0Width(IDirect3DTexture9* t) {
  D3DSURFACE_DESC d{};
  t->GetLevelDesc(0, &d);
  return d.Width;
}

class DocResDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Device(), nullptr);
    RegisterPictureModule();
  }

  static void RegisterPictureModule() {
    static std::vector<uint8_t> picture = Png(4, 2);
    static std::vector<uint8_t> broken = {'n', 'o', 't', ' ', 'p', 'n', 'g'};
    static std::vector<uint8_t> mesh;
    static std::vector<ResourceEntry> entries;
    static ResourceTable table;
    if (!entries.empty()) return;
    const char* x =
        "xof 0303txt 0032\n"
        "Mesh {\n 4;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;,\n 1.0;1.0;0.0;;\n"
        " 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";
    mesh.assign(x, x + std::strlen(x));
    entries = {
        {u"DDS", 0, 20, picture.data(), static_cast<uint32_t>(picture.size())},
        {u"DDS", 0, 21, broken.data(), static_cast<uint32_t>(broken.size())},
        {u"DDS", 0, 68, mesh.data(), static_cast<uint32_t>(mesh.size())},
    };
    table = {entries.data(), entries.size()};
    Win32_RegisterBuiltInModule(u"docres_pics.dll", &table);
  }
};

EmbeddedFile Entry(const char16_t* module, uint32_t id, const std::vector<uint8_t>& copy = {}) {
  EmbeddedFile f;
  f.moduleName = module;
  f.resourceId = id;
  if (!copy.empty()) std::memcpy(f.Allocate(static_cast<uint32_t>(copy.size())), copy.data(), copy.size());
  return f;
}

TEST_F(DocResDevice, StoredCopyThenModuleThenPreset) {
  TextureCache cache;
  const auto copy = Png(3, 5);
  const std::vector<uint8_t> junk = {'j', 'u', 'n', 'k'};
  struct Case {
    const char* what;
    EmbeddedFile entry;
    bool texture;
    UINT width, height;
  };
  Case cases[] = {
      {"module picture, no copy", Entry(u"docres_pics.dll", 20), true, 4, 2},
      {"a stored copy wins over the module picture", Entry(u"docres_pics.dll", 20, copy), true, 3, 5},
      {"the copy stays once decoded", Entry(u"docres_pics.dll", 20), true, 3, 5},
      {"module without the id: stored copy", Entry(u"docres_pics.dll", 30, copy), true, 3, 5},
      {"module picture that does not decode: stored copy", Entry(u"docres_pics.dll", 21, copy), true, 3, 5},
      {"module cannot be opened: stored copy", Entry(u"absent_module.dll", 20, copy), true, 3, 5},
      {"nothing at all: the preset", Entry(u"absent_module.dll", 22), false, 800, 600},
  };
  for (auto& c : cases) {
    TextureInfo info = cache.GetTexture(c.entry);
    EXPECT_EQ(info.texture.Get() != nullptr, c.texture) << c.what;
    EXPECT_EQ(info.width, c.width) << c.what;
    EXPECT_EQ(info.height, c.height) << c.what;
    EXPECT_FLOAT_EQ(info.aspect, static_cast<float>(c.height) / static_cast<float>(c.width)) << c.what;
  }
  // A copy that does not decode leaves the module picture.
  TextureCache fresh;
  TextureInfo fallback = fresh.GetTexture(Entry(u"docres_pics.dll", 20, junk));
  ASSERT_TRUE(fallback.texture);
  EXPECT_EQ(fallback.width, 4u);
  // Module textures key on the module handle: two names of one module share.
  TextureInfo a = cache.GetTexture(Entry(u"docres_pics.dll", 20));
  TextureInfo b = cache.GetTexture(Entry(u"C:\\Program Files\\docres_pics.dll", 20));
  EXPECT_EQ(a.texture.Get(), b.texture.Get());
}

TEST_F(DocResDevice, FileTexturesAndStoredBytes) {
  TextureCache cache;
  EmbeddedFile stored;
  stored.path = u"C:\\pics\\p.png";
  auto png = Png(6, 3);
  std::memcpy(stored.Allocate(static_cast<uint32_t>(png.size())), png.data(), png.size());
  TextureInfo first = cache.GetTexture(stored);
  TextureInfo second = cache.GetTexture(stored);
  ASSERT_TRUE(first.texture);
  EXPECT_EQ(first.width, 6u);
  EXPECT_FLOAT_EQ(first.aspect, 0.5f);
  EXPECT_NE(first.texture.Get(), second.texture.Get()) << "stored bytes are never cached";

  TextureInfo missing = cache.GetFileTexture(u"/no/such/picture.png");
  EXPECT_FALSE(missing.texture);
  EXPECT_EQ(missing.width, 0u);
}

TEST_F(DocResDevice, RecordImagesHaveTexturesRightAfterReading) {
  pw::DocResRecord r;
  r.imageFiles.push_back({u"C:\\a.png", 1, {{0, u"", u"C:\\a.png", Png(8, 4)}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 1);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);
  DS_ImageFileLink link;
  link.name = u"C:\\a.png";
  link.id = 1;
  DocImage& image = m->GetTextures(link);
  ASSERT_EQ(image.textures.size(), 1u);
  EXPECT_TRUE(image.textures[0]);
  EXPECT_EQ(image.width, 8u);
  EXPECT_FLOAT_EQ(image.aspect, 0.5f);
}

TEST_F(DocResDevice, FrameSetOfAPackLinkTakesTheStoredCopyFirst) {
  RegisterPictureModule();
  pw::DocResRecord r;
  r.moduleImages.push_back({u"docres_pics.dll", 20, {{20, u"docres_pics.dll", u"", Png(3, 5)}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 2);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);
  ImageFrameSet& stored = m->GetImage(DS_ImageFileLink(20, u"docres_pics.dll"), D3DX_FILTER_NONE);
  ASSERT_EQ(stored.textures.size(), 1u);
  EXPECT_EQ(stored.imageWidth, 3u);
  EXPECT_EQ(stored.imageHeight, 5u);
  // Without a stored copy the module's picture (4 x 2) stands in.
  DS_DocResManager plain;
  ImageFrameSet& pack = plain.GetImage(DS_ImageFileLink(20, u"docres_pics.dll"), D3DX_FILTER_NONE);
  ASSERT_EQ(pack.textures.size(), 1u);
  EXPECT_EQ(pack.imageWidth, 4u);
}

TEST_F(DocResDevice, FrameSetScalesByFilter) {
  pw::DocResRecord r;
  r.rawFrames.push_back({u"C:\\wide.png", 1, {{1, Png(100, 50), 0.1f}, {1, Png(100, 50), 0.2f}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 4);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);
  DS_ImageFileLink link;
  link.name = u"C:\\wide.png";
  link.id = 1;
  ImageFrameSet& set = m->GetImage(link, D3DX_FILTER_NONE);
  ASSERT_EQ(set.textures.size(), 2u);
  EXPECT_EQ(set.imageWidth, 100u);
  EXPECT_EQ(set.textureWidth, 128u);
  EXPECT_EQ(set.textureHeight, 64u);
  EXPECT_FLOAT_EQ(set.uScale, 0.78125f);
  EXPECT_FLOAT_EQ(set.vScale, 0.78125f);
  EXPECT_FLOAT_EQ(set.aspect, 0.5f);
  EXPECT_EQ(set.delays, (std::vector<float>{0.1f, 0.2f}));
  EXPECT_EQ(&m->GetImage(link, D3DX_FILTER_TRIANGLE), &set) << "made once per link";

  DS_DocResManager other;
  ImageFrameSet frames;
  RawFrameList list(1);
  list[0].count = static_cast<uint32_t>(Png(100, 50).size());
  auto bytes = Png(100, 50);
  list[0].bytes.Allocate(list[0].count);
  std::memcpy(list[0].bytes.data(), bytes.data(), bytes.size());
  MakeFrameTextures(frames, list, false, D3DX_FILTER_TRIANGLE);
  EXPECT_FLOAT_EQ(frames.uScale, 1.0f) << "a filtered picture covers its texture";
  EXPECT_FLOAT_EQ(frames.vScale, 1.0f);
}

TEST_F(DocResDevice, GuidTexturesAndTargetSets) {
  const GUID single = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  const GUID twice = {9, 9, 9, {9, 9, 9, 9, 9, 9, 9, 9}};
  const GUID stored = {5, 5, 5, {5, 5, 5, 5, 5, 5, 5, 5}};
  pw::DocResRecord r;
  r.guidImages.push_back({stored, u"stored", 0, u"", Png(2, 2)});
  r.rawFrames.push_back({GuidToString(single).name, 0, {{1, Png(16, 8), 0.0f}}});
  r.rawFrames.push_back({GuidToString(twice).name, 0, {{1, Png(16, 8), 0.0f}, {1, Png(16, 8), 0.0f}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 4);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);

  EXPECT_TRUE(*m->GetTextureByGuid(stored));
  ComPtr<IDirect3DTexture9>* slot = m->GetTextureByGuid(single);
  ASSERT_TRUE(*slot);
  EXPECT_EQ(Level0Width(*slot), 16u);
  EXPECT_EQ(m->GetTextureByGuid(single), slot);
  EXPECT_FALSE(*m->GetTextureByGuid(twice)) << "two raw frames make no GUID texture";
  EXPECT_FALSE(*m->GetTextureByGuid(twice));

  RenderTargetSet* set = m->GetTargetSetByGuid(single);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->width, 512u);
  ASSERT_TRUE(set->active);
  EXPECT_EQ(m->GetTargetSetByGuid(single), set);
  m->OnLostDevice();
  EXPECT_FALSE(set->active);
  EXPECT_FALSE(set->textures[0]);
  m->OnResetDevice();
  ASSERT_TRUE(set->active);
  EXPECT_EQ(Level0Width(set->active), 512u);
}

TEST_F(DocResDevice, TargetSetsMadeAheadAreKeptByTheStart) {
  const GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  pw::DocResRecord r;
  r.rawFrames.push_back({GuidToString(guid).name, 0, {{1, Png(16, 8), 0.0f}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 4);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);
  int slideA = 0, slideB = 0;
  m->SetRegisteringOwner(&slideB);
  RenderTargetSet* set = m->GetTargetSetByGuid(guid);
  m->SetRegisteringOwner(nullptr);
  ASSERT_NE(set, nullptr);
  m->SetLiveOwners(&slideA, nullptr);
  m->ReleaseTargetSetsOf(&slideB);
  ASSERT_FALSE(set->active);

  // Marks the set's active target green: a walk that makes it again copies
  // the GUID's picture over it.
  auto paint = [&] {
    ComPtr<IDirect3DSurface9> saved, level;
    Device()->GetRenderTarget(0, saved.ReleaseAndGetAddressOf());
    ASSERT_EQ(set->active->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf()), D3D_OK);
    Device()->SetRenderTarget(0, level);
    Device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    Device()->SetRenderTarget(0, saved);
  };
  auto green = [&] {
    ComPtr<IDirect3DSurface9> level;
    set->active->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf());
    const std::vector<uint8_t> bgra = D3D9_ReadBack(level);
    return bgra.size() >= 4 && bgra[0] == 0 && bgra[1] == 255 && bgra[2] == 0;
  };

  m->SetLiveOwners(&slideA, &slideB);
  EXPECT_FALSE(m->PrepareOneTargetSet(&slideA)) << "slide A owns no set";
  // A set let go is made a target a call; the last brings the picture.
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(m->PrepareOneTargetSet(&slideB)) << k;
    EXPECT_EQ(set->active != nullptr, k == 2) << k;
  }
  ASSERT_TRUE(set->active);
  EXPECT_EQ(set->width, 512u);
  {
    ComPtr<IDirect3DSurface9> level;
    set->active->GetSurfaceLevel(0, level.ReleaseAndGetAddressOf());
    const std::vector<uint8_t> bgra = D3D9_ReadBack(level);
    ASSERT_GE(bgra.size(), 4u);
    EXPECT_EQ(bgra[0], 50);
    EXPECT_EQ(bgra[1], 100);
    EXPECT_EQ(bgra[2], 200);
  }
  EXPECT_FALSE(m->PrepareOneTargetSet(&slideB)) << "made once";
  paint();
  // Slide B starts: its reset keeps what was made ahead.
  m->SetLiveOwners(&slideB, nullptr);
  m->OnResetDevice();
  EXPECT_TRUE(green()) << "made again at the start";
  m->ClearPrepared(&slideB);
  m->OnResetDevice();
  EXPECT_FALSE(green()) << "a set in use is made again by a reset";
  // A loss lets prepared sets go too.
  m->SetLiveOwners(&slideA, &slideB);
  m->ReleaseTargetSetsOf(&slideB);
  EXPECT_TRUE(m->PrepareOneTargetSet(&slideB));
  m->OnLostDevice();
  EXPECT_FALSE(set->active);
  m->OnResetDevice();
  ASSERT_TRUE(set->active);
  paint();
  m->SetLiveOwners(&slideB, nullptr);
  m->OnResetDevice();
  EXPECT_TRUE(green()) << "made again by the reset while slide B waited: still untouched";
}

TEST_F(DocResDevice, PremultiplyDividesBy256) {
  struct Case {
    uint8_t colour, alpha, expected;
  };
  const Case cases[] = {{255, 255, 254}, {255, 128, 127}, {200, 0, 0}, {10, 255, 9}};
  for (const auto& c : cases) {
    ComPtr<IDirect3DTexture9> t;
    ASSERT_TRUE(SUCCEEDED(Device()->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                  t.ReleaseAndGetAddressOf(), nullptr)));
    D3DLOCKED_RECT lr{};
    ASSERT_TRUE(SUCCEEDED(t->LockRect(0, &lr, nullptr, 0)));
    auto* p = static_cast<uint8_t*>(lr.pBits);
    p[0] = p[1] = p[2] = c.colour;
    p[3] = c.alpha;
    t->UnlockRect(0);
    ASSERT_TRUE(PremultiplyAlpha(t));
    ASSERT_TRUE(SUCCEEDED(t->LockRect(0, &lr, nullptr, D3DLOCK_READONLY)));
    p = static_cast<uint8_t*>(lr.pBits);
    EXPECT_EQ(p[0], c.expected);
    EXPECT_EQ(p[2], c.expected);
    EXPECT_EQ(p[3], c.alpha);
    t->UnlockRect(0);
  }
  ComPtr<IDirect3DTexture9> x;
  ASSERT_TRUE(SUCCEEDED(
      Device()->CreateTexture(1, 1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, x.ReleaseAndGetAddressOf(), nullptr)));
  EXPECT_FALSE(PremultiplyAlpha(x));
  EXPECT_FALSE(PremultiplyAlpha(nullptr));
}

TEST_F(DocResDevice, ResizedCopiesAndFirstFrames) {
  TextureCache cache;
  TextureInfo source = cache.GetTexture(Entry(u"docres_pics.dll", 20));
  ASSERT_TRUE(source.texture);
  ComPtr<IDirect3DTexture9> copy = CopyTextureResized(source.texture, 8, 8, D3DFMT_A8R8G8B8);
  ASSERT_TRUE(copy);
  EXPECT_EQ(Level0Width(copy), 8u);
  EXPECT_EQ(copy->GetLevelCount(), 4u);
  D3DLOCKED_RECT lr{};
  ASSERT_TRUE(SUCCEEDED(copy->LockRect(0, &lr, nullptr, D3DLOCK_READONLY)));
  const auto* p = static_cast<const uint8_t*>(lr.pBits) + 3 * lr.Pitch + 3 * 4;
  EXPECT_NEAR(p[2], 200, 2);  // red, stored as BGRA
  EXPECT_NEAR(p[1], 100, 2);
  EXPECT_NEAR(p[0], 50, 2);
  copy->UnlockRect(0);
  EXPECT_FALSE(CopyTextureResized(nullptr, 8, 8, D3DFMT_A8R8G8B8));

  DocImage image;
  image.textures = {source.texture, ComPtr<IDirect3DTexture9>()};
  image.width = 4;
  image.height = 2;
  image.aspect = 0.5f;
  TextureInfo first = GetFirstFrameTexture(image);
  EXPECT_EQ(first.texture.Get(), source.texture.Get());
  EXPECT_EQ(first.width, 4u);
  EXPECT_FLOAT_EQ(first.aspect, 0.5f);
  EXPECT_FALSE(GetFirstFrameTexture(DocImage()).texture);
}

TEST_F(DocResDevice, MeshesFromModulesAreLoadedOnce) {
  TextureCache cache;
  MeshBuffers first, again, otherModule;
  cache.GetMesh(&first, Entry(u"docres_pics.dll", 68), 32);
  ASSERT_TRUE(first.vertexBuffer);
  ASSERT_TRUE(first.indexBuffer);
  EXPECT_EQ(first.vertexCount, 4u);
  EXPECT_EQ(first.faceCount, 2u);
  EXPECT_NEAR(first.radius, std::sqrt(0.5f), 1e-4f);
  EXPECT_NEAR(first.center[0], 0.5f, 1e-5f);
  cache.GetMesh(&again, Entry(u"docres_pics.dll", 68), 32);
  EXPECT_EQ(again.vertexBuffer.Get(), first.vertexBuffer.Get());
  // Only the id is the key: another module's mesh 68 is the first one.
  cache.GetMesh(&otherModule, Entry(u"common_res.dll", 68), 32);
  EXPECT_EQ(otherModule.vertexBuffer.Get(), first.vertexBuffer.Get());

  // A stored copy that loads replaces the pack's mesh of that id.
  const char* triangle = "xof 0303txt 0032\nMesh {\n 3;\n 0.0;0.0;0.0;,\n 2.0;0.0;0.0;,\n 0.0;2.0;0.0;;\n 1;\n 3;0,1,2;;\n}\n";
  MeshBuffers stored, storedAgain;
  cache.GetMesh(&stored, Entry(u"docres_pics.dll", 68, {triangle, triangle + std::strlen(triangle)}), 32);
  EXPECT_EQ(stored.vertexCount, 3u);
  EXPECT_EQ(stored.faceCount, 1u);
  cache.GetMesh(&storedAgain, Entry(u"docres_pics.dll", 68), 32);
  EXPECT_EQ(storedAgain.vertexBuffer.Get(), stored.vertexBuffer.Get());

  // Stored meshes without a resource id are never taken for one another.
  const char* quad = "xof 0303txt 0032\nMesh {\n 4;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;,\n 1;1;0;;\n 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";
  MeshBuffers storedTriangle, storedQuad, nothing;
  cache.GetMesh(&storedTriangle, Entry(u"", 0, {triangle, triangle + std::strlen(triangle)}), 32);
  cache.GetMesh(&storedQuad, Entry(u"", 0, {quad, quad + std::strlen(quad)}), 32);
  cache.GetMesh(&nothing, Entry(u"", 0), 32);
  EXPECT_EQ(storedTriangle.faceCount, 1u);
  EXPECT_EQ(storedQuad.faceCount, 2u);
  EXPECT_FALSE(nothing.vertexBuffer);

  MeshBuffers failed, retry;
  cache.GetMesh(&failed, Entry(u"docres_pics.dll", 21), 32);
  EXPECT_FALSE(failed.vertexBuffer);
  cache.GetMesh(&retry, Entry(u"docres_pics.dll", 21), 32);
  EXPECT_FALSE(retry.vertexBuffer);
}

// The contents of a vertex or index buffer.
TEST_F(DocResDevice, BuiltInPictures) {
  RegisterBuiltInResources();
  TextureCache cache;
  ComPtr<IDirect3DTexture9> noise = cache.GetNoiseTexture();
  ASSERT_TRUE(noise);
  EXPECT_EQ(Level0Width(noise), 512u);
  EXPECT_EQ(noise->GetLevelCount(), 10u) << "a full mip chain";
  EXPECT_EQ(cache.GetNoiseTexture().Get(), noise.Get());

  // The default slide background and the camera picture of the built-in pack.
  DS_DocResManager m;
  DocImage& background = m.GetTextures(DS_ImageFileLink(5, u"common_res.dll"));
  ASSERT_EQ(background.textures.size(), 1u);
  EXPECT_TRUE(background.textures[0]);
  EXPECT_EQ(background.width, 800u);
  EXPECT_EQ(background.height, 600u);
  DocImage& camera = m.GetTextures(DS_ImageFileLink(6, u"common_res.dll"));
  EXPECT_TRUE(camera.textures.at(0));
  EXPECT_EQ(camera.width, 128u);
}

TEST_F(DocResDevice, EffectsFromThePackAndFromStoredCopies) {
  RegisterBuiltInResources();
  const std::string text =
      "effect 1\nprogram F\nvoid main() { o_color = vec4(1.0); }\nend\n"
      "technique T\n pass P\n  fragment F\n end\nend\n";
  pw::DocResRecord r;
  r.moduleImages.push_back({u"C:\\fx\\white.fx", 1, {{0, u"", u"C:\\fx\\white.fx", {text.begin(), text.end()}}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 2);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);

  ID3DXEffect* first = nullptr;
  ID3DXEffect* second = nullptr;
  m->GetEffect(&first, DS_HLSLEffectFile(u"common_res.dll", 202));
  m->GetEffect(&second, DS_HLSLEffectFile(u"common_res.dll", 202));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second) << "one effect per link";
  first->Release();
  second->Release();

  DS_HLSLEffectFile stored;
  stored.name = u"C:\\fx\\white.fx";
  stored.id = 1;
  ID3DXEffect* fromCopy = nullptr;
  m->GetEffect(&fromCopy, stored);
  ASSERT_NE(fromCopy, nullptr) << "the project's stored copy compiles";
  fromCopy->Release();
  m->OnLostDevice();
  m->OnResetDevice();
  m->GetEffect(&fromCopy, stored);
  EXPECT_NE(fromCopy, nullptr) << "effects survive a device reset";
  if (fromCopy) fromCopy->Release();

  // A pack link whose project carries a copy we can compile uses the copy,
  // and the copy is not overwritten by the pack's bytes.
  pw::DocResRecord withCopy;
  withCopy.moduleImages.push_back(
      {u"common_res.dll", 202, {{202, u"common_res.dll", u"", {text.begin(), text.end()}}}});
  pw::ByteBuilder cb;
  pw::WriteDocResManager(cb, withCopy, 2);
  MemoryArchive car(cb.bytes().data(), cb.size());
  auto withCopyManager = ReadDocResManagerRecord(car);
  ID3DXEffect* copyWins = nullptr;
  withCopyManager->GetEffect(&copyWins, DS_HLSLEffectFile(u"common_res.dll", 202));
  ASSERT_NE(copyWins, nullptr);
  EXPECT_NE(copyWins->GetTechniqueByName("T"), nullptr);
  EXPECT_EQ(copyWins->GetTechniqueByName("GaussianBlurH"), nullptr);
  copyWins->Release();
}

// Classes ask for their effect by (class, link): a stored copy in our format
// is used as it is; bytes our layer refuses, or no stored copy, give the
// class's stand-in, one per document and pack id.
TEST_F(DocResDevice, StandInEffectsByAskingClass) {
  RegisterBuiltInResources();
  const std::string text =
      "effect 1\nprogram F\nvoid main() { o_color = vec4(1.0); }\nend\n"
      "technique T\n pass P\n  fragment F\n end\nend\n";
  const std::string binary = "\x01\x09\xff\xfe compiled effect";
  pw::DocResRecord r;
  r.moduleImages.push_back({u"C:\\fx\\ours.fx", 1, {{0, u"", u"C:\\fx\\ours.fx", {text.begin(), text.end()}}}});
  r.moduleImages.push_back({u"common_res.dll", 202, {{0, u"", u"glow.fxo", {binary.begin(), binary.end()}}}});
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, r, 2);
  MemoryArchive ar(b.bytes().data(), b.size());
  auto m = ReadDocResManagerRecord(ar);

  DS_HLSLEffectFile ours;
  ours.name = u"C:\\fx\\ours.fx";
  ours.id = 1;
  DS_HLSLEffectFile unknownFile;
  unknownFile.name = u"C:\\fx\\missing.fxo";
  unknownFile.id = 9;
  ID3DXEffect* stored = nullptr;
  ID3DXEffect* standIn = nullptr;
  ID3DXEffect* again = nullptr;
  ID3DXEffect* none = nullptr;
  m->GetEffect(&stored, u"AnyClass", ours);
  m->GetEffect(&standIn, u"AnyClass", DS_HLSLEffectFile(u"common_res.dll", 202));
  m->GetEffect(&again, u"OtherClass", DS_HLSLEffectFile(u"COMMON_RES.DLL", 202));
  m->GetEffect(&none, u"AnyClass", unknownFile);
  ASSERT_NE(stored, nullptr);
  ASSERT_NE(standIn, nullptr) << "the refused stored binary falls back to the pack's effect";
  EXPECT_NE(stored, standIn);
  EXPECT_EQ(standIn, again) << "one stand-in per document and id";
  EXPECT_EQ(none, nullptr) << "no row and no pack link: no effect";
  for (ID3DXEffect* e : {stored, standIn, again})
    if (e) e->Release();

  m->OnLostDevice();
  m->OnResetDevice();
  ID3DXEffect* afterReset = nullptr;
  m->GetEffect(&afterReset, u"AnyClass", DS_HLSLEffectFile(u"common_res.dll", 202));
  EXPECT_NE(afterReset, nullptr) << "stand-ins survive a device reset";
  if (afterReset) afterReset->Release();
}

TEST(StandInEffects, TableRows) {
  DS_HLSLEffectFile file;
  file.name = u"C:\\fx\\text.fxo";
  file.id = 4;
  EXPECT_EQ(StandInEffectId(u"DS_StaticText", file), 198u);
  EXPECT_EQ(StandInEffectId(u"DS_TextLink", DS_HLSLEffectFile(u"common_res.dll", 12)), 198u);
  EXPECT_EQ(StandInEffectId(u"DS_StaticText", DS_HLSLEffectFile()), 0u) << "an empty link asks for no effect";
  EXPECT_EQ(StandInEffectId(u"NoRow", DS_HLSLEffectFile(u"common_res.dll", 185)), 185u);
  EXPECT_EQ(StandInEffectId(u"NoRow", file), 0u);
}

template <class T, class Buffer>
std::vector<T> ReadBack(Buffer* buffer, size_t n) {
  void* p = nullptr;
  std::vector<T> out;
  if (SUCCEEDED(buffer->Lock(0, 0, &p, D3DLOCK_READONLY)) && p) {
    out.assign(static_cast<T*>(p), static_cast<T*>(p) + n);
    buffer->Unlock();
  }
  return out;
}

std::vector<uint16_t> ReadIndices(IDirect3DIndexBuffer9* ib, size_t n) { return ReadBack<uint16_t>(ib, n); }

TEST_F(DocResDevice, QuadBatchPatterns) {
  DS_IndexedMesh<DX_V::PCT> batch;
  ASSERT_TRUE(batch.AllocateSprites(2));
  EXPECT_EQ(batch.vertexCount, 8);
  EXPECT_EQ(batch.triangleCount, 4);
  EXPECT_EQ(batch.primitiveType, D3DPT_TRIANGLELIST);
  EXPECT_EQ(ReadIndices(batch.indexBuffer.Get(), 12), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}));
  auto v = ReadBack<DX_V::PCT>(batch.vertexBuffer.Get(), 8);
  ASSERT_EQ(v.size(), 8u);
  const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(v[i].x, 0.0f);
    EXPECT_EQ(v[i].color, 0u);
    EXPECT_EQ(v[i].u, uv[i % 4][0]);
    EXPECT_EQ(v[i].v, uv[i % 4][1]);
  }

  DS_IndexedMesh<DX_V::PCT> empty;
  empty.Allocate(0);
  EXPECT_EQ(empty.triangleCount, 0);
  EXPECT_FALSE(empty.vertexBuffer);
}

TEST_F(DocResDevice, GridPatternsAndBilinearFill) {
  GridMesh one;
  ASSERT_TRUE(one.Create(1, 1));
  EXPECT_EQ(one.vertexCount, 4);
  EXPECT_EQ(one.triangleCount, 2);
  EXPECT_EQ(ReadIndices(one.indexBuffer.Get(), 6), (std::vector<uint16_t>{0, 1, 2, 2, 1, 3}));

  GridMesh grid;
  ASSERT_TRUE(grid.Create(2, 2));
  EXPECT_EQ(grid.triangleCount, 8);
  EXPECT_EQ(ReadIndices(grid.indexBuffer.Get(), 12), (std::vector<uint16_t>{0, 1, 3, 3, 1, 4, 1, 2, 4, 4, 2, 5}));
  grid.FillVertices({0, 0, 0, 0, 0}, {10, 0, 0, 1, 0}, {0, 20, 0, 0, 1}, {10, 20, 4, 1, 1});
  auto v = ReadBack<DX_V::PT>(grid.vertexBuffer.Get(), 9);
  ASSERT_EQ(v.size(), 9u);
  EXPECT_FLOAT_EQ(v[4].x, 5.0f);
  EXPECT_FLOAT_EQ(v[4].y, 10.0f);
  EXPECT_FLOAT_EQ(v[4].z, 1.0f);
  EXPECT_FLOAT_EQ(v[4].u, 0.5f);
  EXPECT_FLOAT_EQ(v[8].x, 10.0f);
  EXPECT_FLOAT_EQ(v[2].u, 1.0f);
  EXPECT_FLOAT_EQ(v[6].v, 1.0f);

  GridMesh copy(grid);
  EXPECT_EQ(copy.vertexBuffer.Get(), grid.vertexBuffer.Get());
  EXPECT_EQ(copy.columns, 2);
}

TEST_F(DocResDevice, ColorQuadVertices) {
  ColorQuad quad;
  ASSERT_TRUE(quad.Create({10, 20, 30, 40}, 0x80112233));
  auto v = ReadBack<DX_V::PC>(quad.vertexBuffer.Get(), 4);
  ASSERT_EQ(v.size(), 4u);
  const float expected[4][2] = {{10, 60}, {10, 20}, {40, 60}, {40, 20}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[static_cast<size_t>(i)].x, expected[i][0]);
    EXPECT_EQ(v[static_cast<size_t>(i)].y, expected[i][1]);
    EXPECT_EQ(v[static_cast<size_t>(i)].color, 0x80112233u);
  }
  quad.SetRGB(0xFFAABBCC);
  quad.SetVertexAlphas(1.0f, 0.5f, 0.0f, 0.25f);
  v = ReadBack<DX_V::PC>(quad.vertexBuffer.Get(), 4);
  EXPECT_EQ(v[0].color, 0xFFAABBCCu);
  EXPECT_EQ(v[1].color, 0x7FAABBCCu);
  EXPECT_EQ(v[2].color, 0x00AABBCCu);
  EXPECT_EQ(v[3].color, 0x3FAABBCCu);
}

}  // namespace
