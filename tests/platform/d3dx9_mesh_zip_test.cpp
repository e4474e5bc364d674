// Compressed .X files ("tzip", "bzip"): the same mesh as its plain copy, and
// a clean refusal of damaged or hostile data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_mesh.h"
#include "platform/win32/windows.h"
#include "resources/builtin_resources.h"
#include "tests/platform/d3d9_fixture.h"

namespace {

std::vector<uint8_t> PackMesh(uint32_t id) {
  HMODULE pack = LoadLibraryExW(u"common_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC r = pack ? FindResourceW(pack, MAKEINTRESOURCEW(id), u"DDS") : nullptr;
  if (!r) return {};
  const auto* p = static_cast<const uint8_t*>(LockResource(LoadResource(pack, r)));
  return std::vector<uint8_t>(p, p + SizeofResource(pack, r));
}

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// One raw deflate stream of a block, its history primed with what came before.
std::vector<uint8_t> Deflate(const uint8_t* p, size_t n, const std::vector<uint8_t>& history) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  if (!history.empty()) {
    size_t keep = std::min<size_t>(history.size(), 32768);
    EXPECT_EQ(deflateSetDictionary(&z, history.data() + history.size() - keep, static_cast<uInt>(keep)), Z_OK);
  }
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(n)) + 16);
  z.next_in = const_cast<Bytef*>(p);
  z.avail_in = static_cast<uInt>(n);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

struct ZipOptions {
  size_t block = 64;            // plain bytes per block
  bool packedCountsCk = true;   // the packed size includes the "CK" bytes
  bool totalCountsHeader = true;
};

// Header with the compressed format word, the 32-bit total, then blocks of
// u16 plain size, u16 packed size, "CK", raw deflate.
std::vector<uint8_t> Zip(const std::vector<uint8_t>& plain, const ZipOptions& o = {}) {
  std::vector<uint8_t> out(plain.begin(), plain.begin() + 16);
  const char* word = std::memcmp(plain.data() + 8, "txt ", 4) == 0 ? "tzip" : "bzip";
  std::memcpy(out.data() + 8, word, 4);
  size_t body = plain.size() - 16;
  PutU32(out, static_cast<uint32_t>(body + (o.totalCountsHeader ? 16 : 0)));
  std::vector<uint8_t> history;
  for (size_t at = 16; at < plain.size(); at += o.block) {
    size_t n = std::min(o.block, plain.size() - at);
    std::vector<uint8_t> packed = Deflate(plain.data() + at, n, history);
    PutU16(out, static_cast<uint32_t>(n));
    PutU16(out, static_cast<uint32_t>(packed.size() + (o.packedCountsCk ? 2 : 0)));
    out.push_back('C');
    out.push_back('K');
    out.insert(out.end(), packed.begin(), packed.end());
    history.insert(history.end(), plain.data() + at, plain.data() + at + n);
  }
  return out;
}

struct Loaded {
  HRESULT hr = E_FAIL;
  DWORD fvf = 0, materials = 0;
  std::vector<uint8_t> vertices;
  std::vector<uint16_t> indices;
  std::vector<DWORD> attributes;
};

Loaded Load(const std::vector<uint8_t>& x, IDirect3DDevice9* device = nullptr, ID3DXMesh** keep = nullptr) {
  Loaded l;
  ID3DXMesh* mesh = nullptr;
  l.hr = D3DXLoadMeshFromXInMemory(x.data(), static_cast<DWORD>(x.size()), D3DXMESH_SYSTEMMEM, device, nullptr,
                                   nullptr, nullptr, &l.materials, &mesh);
  if (FAILED(l.hr)) {
    EXPECT_EQ(mesh, nullptr);
    return l;
  }
  l.fvf = mesh->GetFVF();
  void* p = nullptr;
  mesh->LockVertexBuffer(0, &p);
  l.vertices.assign(static_cast<uint8_t*>(p),
                    static_cast<uint8_t*>(p) + mesh->GetNumVertices() * mesh->GetNumBytesPerVertex());
  mesh->UnlockVertexBuffer();
  mesh->LockIndexBuffer(0, &p);
  l.indices.assign(static_cast<uint16_t*>(p), static_cast<uint16_t*>(p) + mesh->GetNumFaces() * 3);
  mesh->UnlockIndexBuffer();
  DWORD* a = nullptr;
  mesh->LockAttributeBuffer(0, &a);
  l.attributes.assign(a, a + mesh->GetNumFaces());
  mesh->UnlockAttributeBuffer();
  if (keep) *keep = mesh;
  else mesh->Release();
  return l;
}

class MeshZip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterBuiltInResources(); }
};

// Text and binary bodies, blocks small enough that later blocks refer back
// into earlier ones, both ways of counting the packed size and the total.
TEST_F(MeshZip, CompressedAndPlainCopiesLoadToTheSameBuffers) {
  struct Case {
    uint32_t id;
    ZipOptions options;
  };
  const Case cases[] = {
      {901, {64, true, true}},   {902, {64, true, true}},  {901, {40, false, false}},
      {902, {7, false, true}},   {68, {4096, true, true}}, {68, {65535, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " block " << c.options.block);
    std::vector<uint8_t> plain = PackMesh(c.id);
    ASSERT_GT(plain.size(), 16u);
    std::vector<uint8_t> zipped = Zip(plain, c.options);
    Loaded a = Load(plain), b = Load(zipped);
    ASSERT_EQ(a.hr, S_OK);
    ASSERT_EQ(b.hr, S_OK);
    EXPECT_EQ(b.fvf, a.fvf);
    EXPECT_EQ(b.materials, a.materials);
    EXPECT_EQ(b.vertices, a.vertices);
    EXPECT_EQ(b.indices, a.indices);
    EXPECT_EQ(b.attributes, a.attributes);
  }
}

TEST_F(MeshZip, DamagedOrHostileDataIsRefused) {
  const std::vector<uint8_t> plain = PackMesh(901);
  ASSERT_GT(plain.size(), 100u);
  const std::vector<uint8_t> good = Zip(plain, {64, true, true});
  ASSERT_EQ(Load(good).hr, S_OK);
  const size_t block0 = 20;  // header 16, total 4
  auto edit = [&](auto change) {
    std::vector<uint8_t> x = good;
    change(x);
    return x;
  };
  auto setU32 = [](std::vector<uint8_t>& x, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) x[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  auto setU16 = [](std::vector<uint8_t>& x, size_t at, uint32_t v) {
    x[at] = static_cast<uint8_t>(v);
    x[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  const uint32_t total = static_cast<uint32_t>(plain.size());
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 16)},
      {"total cut short", std::vector<uint8_t>(good.begin(), good.begin() + 18)},
      {"no blocks", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
      {"block header cut short", std::vector<uint8_t>(good.begin(), good.begin() + 24)},
      {"last block cut short", std::vector<uint8_t>(good.begin(), good.end() - 3)},
      {"trailing bytes", edit([](auto& x) { x.insert(x.end(), {1, 2, 3, 4, 5, 6, 7}); })},
      {"bad signature", edit([&](auto& x) { x[block0 + 4] = 'C', x[block0 + 5] = 'J'; })},
      {"packed size beyond the data", edit([&](auto& x) { setU16(x, block0 + 2, 0xFFFF); })},
      {"packed size short of the stream", edit([&](auto& x) { setU16(x, block0 + 2, 5); })},
      {"plain size smaller than the stream", edit([&](auto& x) { setU16(x, block0, 10); })},
      {"plain size larger than the stream", edit([&](auto& x) { setU16(x, block0, 65); })},
      {"plain size 0", edit([&](auto& x) { setU16(x, block0, 0); })},
      {"damaged stream", edit([&](auto& x) { x[block0 + 6] ^= 0xFF, x[block0 + 7] ^= 0x5A; })},
      {"total one short", edit([&](auto& x) { setU32(x, 16, total - 1); })},
      {"total one over", edit([&](auto& x) { setU32(x, 16, total + 1); })},
      {"total 0", edit([&](auto& x) { setU32(x, 16, 0); })},
      {"huge total", edit([&](auto& x) { setU32(x, 16, 0xFFFFFFFFu); })},
      {"plain header with a compressed body", edit([](auto& x) { std::memcpy(x.data() + 8, "txt ", 4); })},
      {"binary word over a text body", edit([](auto& x) { std::memcpy(x.data() + 8, "bzip", 4); })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load(c.bytes).hr, D3DXERR_INVALIDDATA);
  }
}

// The history must run on from the previous block: a second block that only
// refers back cannot be read as a stream of its own.
TEST_F(MeshZip, LaterBlocksReferIntoEarlierOutput) {
  std::vector<uint8_t> plain = PackMesh(901);
  std::vector<uint8_t> zipped = Zip(plain, {64, true, true});
  // A block read without the history gives "too far back" errors, so a
  // reader that dropped it would refuse this file; compressing every block
  // alone must give a larger file.
  size_t separate = 0;
  for (size_t at = 16; at < plain.size(); at += 64)
    separate += Deflate(plain.data() + at, std::min<size_t>(64, plain.size() - at), {}).size();
  EXPECT_LT(zipped.size(), 20 + separate + 6 * ((plain.size() - 16 + 63) / 64));
  EXPECT_EQ(Load(zipped).hr, S_OK);
}

class MeshZipDraw : public D3D9Test {
 protected:
  static void SetUpTestSuite() { RegisterBuiltInResources(); }
};

// The plain and compressed cube, lit and textured, give the same picture.
TEST_F(MeshZipDraw, CompressedAndPlainCopiesRenderAlike) {
  IDirect3DTexture9* checker = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  D3DXMATRIX world, rx, ry, view, proj;
  D3DXMatrixRotationX(&rx, 0.5f);
  D3DXMatrixRotationY(&ry, 0.7f);
  world = ry * rx;
  D3DXMatrixScaling(&view, 1, 1, 1);
  D3DXMatrixOrthoLH(&proj, 2, 2, -2, 2);
  dev_->SetTransform(D3DTS_WORLD, &world);
  dev_->SetTransform(D3DTS_VIEW, &view);
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0.3f, -0.4f, 0.866f};
  D3DMATERIAL9 mat{};
  mat.Diffuse = {1, 1, 1, 1};
  mat.Ambient = {1, 1, 1, 1};
  dev_->SetLight(0, &light);
  dev_->LightEnable(0, TRUE);
  dev_->SetMaterial(&mat);
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  dev_->SetTexture(0, checker);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

  std::vector<uint8_t> pictures[2];
  const std::vector<uint8_t> plain = PackMesh(902);
  const std::vector<uint8_t> files[2] = {plain, Zip(plain, {32, false, true})};
  for (int i = 0; i < 2; ++i) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(Load(files[i], dev_, &mesh).hr, S_OK);
    Begin();
    ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
    End();
    mesh->Release();
    pictures[i] = D3D9_ReadBack(back_);
  }
  dev_->SetTexture(0, nullptr);
  checker->Release();
  ASSERT_EQ(pictures[0].size(), kW * kH * 4u);
  // Something lit was drawn: the centre is neither background nor flat.
  EXPECT_FALSE(Near(Pixel(32, 32), 0xFF000000));
  int differing = 0;
  for (size_t k = 0; k < pictures[0].size(); ++k) differing += std::abs(pictures[0][k] - pictures[1][k]) > 2;
  EXPECT_EQ(differing, 0);
}

}  // namespace
