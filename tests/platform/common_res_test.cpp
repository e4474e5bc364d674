#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_mesh.h"
#include "platform/d3dx9/d3dx9_tex.h"
#include "platform/win32/windows.h"
#include "resources/builtin_resources.h"
#include "tests/platform/d3d9_fixture.h"
#include "tests/platform/effect_draw.h"

namespace {

struct Bytes {
  const uint8_t* data = nullptr;
  DWORD size = 0;
};

Bytes PackResource(uint32_t id, LPCWSTR type) {
  HMODULE pack = LoadLibraryExW(u"common_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!pack) return {};
  HRSRC r = FindResourceW(pack, MAKEINTRESOURCEW(id), type);
  if (!r) return {};
  HGLOBAL g = LoadResource(pack, r);
  return {static_cast<const uint8_t*>(LockResource(g)), SizeofResource(pack, r)};
}

class CommonRes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterBuiltInResources(); }
};

TEST_F(CommonRes, PackFindsEffectsPicturesAndMeshesById) {
  Bytes fx = PackResource(202, RT_RCDATA);
  ASSERT_NE(fx.data, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(fx.data), 9), "effect 1\n");
  Bytes picture = PackResource(5, u"DDS");
  ASSERT_GT(picture.size, 8u);
  EXPECT_EQ(std::memcmp(picture.data, "\x89PNG", 4), 0);
  for (uint32_t id : {901u, 902u, 903u, 904u}) {
    Bytes mesh = PackResource(id, u"DDS");
    ASSERT_GT(mesh.size, 16u) << id;
    EXPECT_EQ(std::memcmp(mesh.data, "xof 0303", 8), 0) << id;
  }
  // Ids and types the pack does not hold.
  EXPECT_EQ(PackResource(202, u"DDS").data, nullptr);
  EXPECT_EQ(PackResource(9999, RT_RCDATA).data, nullptr);
}

TEST_F(CommonRes, OtherModulesAreRefused) {
  EXPECT_NE(LoadLibraryExW(u"common_res.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
  for (const char16_t* name : {u"other_res.dll", u"common_res.dl", u"kernel32.dll", u""})
    EXPECT_EQ(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
}

// The pack's meshes, as .X text and binary tokens.
TEST_F(CommonRes, MeshesLoadWithCountsNormalsAndBounds) {
  struct Case {
    uint32_t id;
    DWORD vertices, faces;
    float radius;
  };
  const Case cases[] = {
      {901, 24, 12, std::sqrt(0.75f)},  // cube: each corner once per face
      {902, 24, 12, std::sqrt(0.75f)},
      {903, 4, 2, std::sqrt(2.f)},      // plane
      {904, 4, 2, std::sqrt(2.f)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Bytes x = PackResource(c.id, u"DDS");
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* adjacency = nullptr;
    DWORD materials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(x.data, x.size, D3DXMESH_SYSTEMMEM, nullptr, &adjacency, nullptr, nullptr,
                                        &materials, &mesh),
              S_OK);
    EXPECT_EQ(mesh->GetNumVertices(), c.vertices);
    EXPECT_EQ(mesh->GetNumFaces(), c.faces);
    ASSERT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    ASSERT_EQ(D3DXComputeNormals(mesh, static_cast<DWORD*>(adjacency->GetBufferPointer())), S_OK);
    void* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &v), S_OK);
    const float* f = static_cast<const float*>(v);
    for (DWORD i = 0; i < c.vertices; ++i) {
      const float* n = f + i * 8 + 3;
      EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.f, 1e-5f);
      // Face normals: one axis only.
      EXPECT_NEAR(std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]), 1.f, 1e-5f);
    }
    D3DXVECTOR3 centre;
    float radius = 0;
    ASSERT_EQ(D3DXComputeBoundingSphere(static_cast<D3DXVECTOR3*>(v), c.vertices, 32, &centre, &radius), S_OK);
    mesh->UnlockVertexBuffer();
    EXPECT_NEAR(radius, c.radius, 1e-5f);
    EXPECT_NEAR(centre.x, 0.f, 1e-6f);
    EXPECT_NEAR(centre.y, 0.f, 1e-6f);
    EXPECT_NEAR(centre.z, 0.f, 1e-6f);
    mesh->Release();
    adjacency->Release();
  }
}

class CommonResDraw : public D3D9Test {
 protected:
  static void SetUpTestSuite() { RegisterBuiltInResources(); }
  void SetUp() override {
    D3D9Test::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    ASSERT_EQ(CreateBuiltInEffect(dev_, 202, &fx_), D3D_OK);
  }
  void TearDown() override {
    if (fx_) {
      EXPECT_EQ(fx_->Release(), 0u);
    }
    D3D9Test::TearDown();
  }

  IDirect3DTexture9* Target(UINT w, UINT h) {
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(dev_->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
              D3D_OK);
    return t;
  }

  // One pass of a technique from a source texture into a render target.
  void Pass(IDirect3DTexture9* dst, IDirect3DTexture9* src, const char* technique, UINT w, UINT h) {
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(dst->GetSurfaceLevel(0, &s), D3D_OK);
    dev_->SetRenderTarget(0, s);
    s->Release();
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    fx_->SetTexture("Texture", src);
    ASSERT_EQ(fx_->SetTechnique(technique), D3D_OK);
    TLVertex q[4];
    ScreenQuad(q, 0, 0, static_cast<float>(w), static_cast<float>(h), 0xFFFFFFFF);
    DrawStrip(dev_, fx_, kTLFVF, q, sizeof(TLVertex));
  }

  ID3DXEffect* fx_ = nullptr;
};

// Each stand-in carries the technique and parameter names its callers use.
TEST_F(CommonResDraw, StandInEffectsHaveTheNamesTheirCallersUse) {
  struct Case {
    uint32_t id;
    std::vector<const char*> techniques, parameters;
  };
  const Case cases[] = {
      {202,
       {"GaussianBlurVFirst", "GaussianBlurH", "GaussianBlurV", "DrawGlowNormal", "DrawGlowScreen",
        "DrawGlowColorDodge", "DrawGlowLinearDodge", "BlendNormal", "BlendNormal_AlphaPM", "BlendSum",
        "InnerGlowFirstStep", "MaskedNormalEffect"},
       {"Texture", "TexW", "TexH", "GlowTexture", "GlowColor", "GlowBrightness", "Background", "Texture0", "Mask",
        "Color"}},
      {306,
       {"BlendNormal", "BlendSum", "BlendNormal_PMTexture", "BlendSum_PMTexture", "BlendNormal_AlphaPM"},
       {"Texture0", "Texture1"}},
      {185, {"BlendNormal_AlphaPM", "BlendSum"}, {"Texture0"}},
  };
  for (const Case& c : cases) {
    ID3DXEffect* fx = nullptr;
    ASSERT_EQ(CreateBuiltInEffect(dev_, c.id, &fx), D3D_OK) << c.id;
    for (const char* t : c.techniques) EXPECT_NE(fx->GetTechniqueByName(t), nullptr) << c.id << " " << t;
    for (const char* p : c.parameters) EXPECT_NE(fx->GetParameterByName(nullptr, p), nullptr) << c.id << " " << p;
    EXPECT_STREQ(fx->GetCurrentTechnique(), c.techniques[0]);
    EXPECT_EQ(fx->Release(), 0u);
  }
  ID3DXEffect* none = nullptr;
  EXPECT_NE(CreateBuiltInEffect(dev_, 9999, &none), D3D_OK);
  EXPECT_EQ(none, nullptr);
}

TEST_F(CommonResDraw, BlurSpreadsADotIntoASymmetricKernelKeepingItsSum) {
  constexpr UINT n = 32, c = 16;
  std::vector<D3DCOLOR> px(n * n, 0);
  px[c * n + c] = 0xFFFFFFFF;
  IDirect3DTexture9* dot = MakeTexture(dev_, n, n, px);
  IDirect3DTexture9* a = Target(n, n);
  IDirect3DTexture9* b = Target(n, n);
  ASSERT_TRUE(dot && a && b);
  fx_->SetFloat("TexW", static_cast<float>(n));
  fx_->SetFloat("TexH", static_cast<float>(n));
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  Pass(b, dot, "GaussianBlurVFirst", n, n);
  Pass(a, b, "GaussianBlurH", n, n);
  dev_->EndScene();
  dev_->SetRenderTarget(0, back_);
  fx_->SetTexture("Texture", nullptr);

  IDirect3DSurface9* s = nullptr;
  a->GetSurfaceLevel(0, &s);
  std::vector<uint8_t> out = D3D9_ReadBack(s);
  s->Release();
  ASSERT_EQ(out.size(), n * n * 4u);
  auto alpha = [&](int x, int y) { return static_cast<int>(out[(y * n + x) * 4 + 3]); };
  int sum = 0;
  for (int y = 0; y < static_cast<int>(n); ++y)
    for (int x = 0; x < static_cast<int>(n); ++x) sum += alpha(x, y);
  EXPECT_NEAR(sum, 255, 12);
  // Centre brightest, falling off evenly in every direction; nothing beyond four texels.
  EXPECT_GT(alpha(c, c), alpha(c + 1, c));
  EXPECT_GT(alpha(c + 1, c), alpha(c + 2, c));
  EXPECT_GT(alpha(c + 1, c), alpha(c + 1, c + 1));
  for (int dy = -5; dy <= 5; ++dy)
    for (int dx = -5; dx <= 5; ++dx) {
      int v = alpha(c + dx, c + dy);
      EXPECT_NEAR(v, alpha(c - dx, c + dy), 1) << dx << "," << dy;
      EXPECT_NEAR(v, alpha(c + dx, c - dy), 1) << dx << "," << dy;
      EXPECT_NEAR(v, alpha(c + dy, c + dx), 1) << dx << "," << dy;
      if (std::abs(dx) == 5 || std::abs(dy) == 5) {
        EXPECT_EQ(v, 0) << dx << "," << dy;
      }
    }
  // Colour channels blur alike.
  EXPECT_EQ(out[(c * n + c) * 4 + 2], out[(c * n + c) * 4 + 3]);
  dot->Release();
  a->Release();
  b->Release();
}

// The blurred glow composed over the screen in each mode.
TEST_F(CommonResDraw, GlowComposesInEachMode) {
  IDirect3DTexture9* glow = MakeTexture(dev_, 4, 4, std::vector<D3DCOLOR>(16, 0x40000000));  // alpha 0.25
  IDirect3DTexture9* background = MakeTexture(dev_, kW, kH, std::vector<D3DCOLOR>(kW * kH, 0xFF808080));
  ASSERT_TRUE(glow && background);
  const float yellow[3] = {1, 1, 0};
  fx_->SetFloatArray("GlowColor", yellow, 3);
  fx_->SetFloat("GlowBrightness", 2.f);  // coverage 0.5
  fx_->SetTexture("GlowTexture", glow);
  fx_->SetTexture("Background", background);
  struct Case {
    const char* technique;
    D3DCOLOR clear, want;
  };
  const Case cases[] = {
      {"DrawGlowNormal", 0xFF000000, 0xFF808000},       // over black: the glow colour at half coverage
      {"DrawGlowNormal", 0xFF0000FF, 0xFF808080},       // what is under it shows through by half
      {"DrawGlowScreen", 0xFF000000, 0xFFBFBF80},       // 0.5 + 0.5 - 0.25
      {"DrawGlowColorDodge", 0xFF000000, 0xFFFFFF80},   // 0.5 / (1 - 0.5)
      {"DrawGlowLinearDodge", 0xFF000000, 0xFFFFFF80},  // 0.5 + 0.5
  };
  for (const Case& c : cases) {
    ASSERT_EQ(fx_->SetTechnique(c.technique), D3D_OK);
    TLVertex q[4];
    ScreenQuad(q, 0, 0, kW, kH, 0xFFFFFFFF);
    Begin(c.clear);
    DrawStrip(dev_, fx_, kTLFVF, q, sizeof(TLVertex));
    End();
    EXPECT_TRUE(Near(Pixel(20, 30), c.want)) << c.technique;
  }
  fx_->SetTexture("GlowTexture", nullptr);
  fx_->SetTexture("Background", nullptr);
  glow->Release();
  background->Release();
}

// Particle batches of every stand-in: coloured, textured vertices from buffers,
// device transforms.
TEST_F(CommonResDraw, ParticleBlendsDrawBufferedBatches) {
  struct PCT {
    float x, y, z;
    D3DCOLOR c;
    float u, v;
  };
  const D3DCOLOR red = 0x80FF0000;  // half alpha
  const PCT verts[4] = {{0, 0, 0, red, 0, 0}, {kW, 0, 0, red, 1, 0}, {0, kH, 0, red, 0, 1}, {kW, kH, 0, red, 1, 1}};
  const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(dev_->CreateVertexBuffer(sizeof verts, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateIndexBuffer(sizeof idx, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
            D3D_OK);
  void* p = nullptr;
  vb->Lock(0, 0, &p, 0);
  std::memcpy(p, verts, sizeof verts);
  vb->Unlock();
  ib->Lock(0, 0, &p, 0);
  std::memcpy(p, idx, sizeof idx);
  ib->Unlock();
  IDirect3DTexture9* white = MakeTexture(dev_, 1, 1, {0xFFFFFFFF});
  D3DXMATRIX proj, identity;
  D3DXMatrixOrthoOffCenterLH(&proj, 0, kW, kH, 0, 0, 1);
  D3DXMatrixIdentity(&identity);
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  dev_->SetTransform(D3DTS_VIEW, &identity);
  dev_->SetTransform(D3DTS_WORLD, &identity);
  struct Case {
    uint32_t id;
    const char* technique;
    D3DCOLOR want;
  };
  const Case cases[] = {
      {202, "BlendNormal", 0xFF800080},          // half red over blue
      {202, "BlendNormal_AlphaPM", 0xFF800080},  // the same from a premultiplied picture
      {202, "BlendSum", 0xFF8000FF},             // half red added to blue
      {306, "BlendNormal", 0xFF800080},
      {306, "BlendNormal_PMTexture", 0xFF800080},
      {306, "BlendSum", 0xFF8000FF},
      {306, "BlendSum_PMTexture", 0xFF8000FF},
      {306, "BlendNormal_AlphaPM", 0xFF800080},
      {185, "BlendNormal_AlphaPM", 0xFF800080},
      {185, "BlendSum", 0xFF8000FF},
  };
  for (const Case& c : cases) {
    ID3DXEffect* fx = nullptr;
    ASSERT_EQ(CreateBuiltInEffect(dev_, c.id, &fx), D3D_OK);
    fx->SetTexture("Texture0", white);
    fx->SetTexture("Texture1", white);  // the background of 306's background-mode techniques
    ASSERT_EQ(fx->SetTechnique(c.technique), D3D_OK);
    Begin(0xFF0000FF);
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    dev_->SetStreamSource(0, vb, 0, sizeof(PCT));
    dev_->SetIndices(ib);
    DrawEachPass(fx, [&] { EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK); });
    End();
    EXPECT_TRUE(Near(Pixel(32, 32), c.want)) << c.id << " " << c.technique;
    EXPECT_EQ(fx->Release(), 0u);
  }
  dev_->SetStreamSource(0, nullptr, 0, 0);
  dev_->SetIndices(nullptr);
  white->Release();
  vb->Release();
  ib->Release();
}

// The default trace texture: white, opaque on the centre line, fading to
// nothing at both edges across the band, the same in every row.
TEST_F(CommonResDraw, TracePictureFadesAcrossTheBand) {
  Bytes png = PackResource(228, u"DDS");
  ASSERT_NE(png.data, nullptr);
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemory(dev_, png.data, png.size, &t), D3D_OK);
  IDirect3DSurface9* s = nullptr;
  t->GetSurfaceLevel(0, &s);
  D3DSURFACE_DESC d;
  s->GetDesc(&d);
  std::vector<uint8_t> px = D3D9_ReadBack(s);
  s->Release();
  t->Release();
  ASSERT_EQ(d.Width, 64u);
  ASSERT_EQ(px.size(), d.Width * d.Height * 4);
  auto at = [&](UINT x, UINT y, int c) { return static_cast<int>(px[(y * d.Width + x) * 4 + c]); };
  EXPECT_GE(at(31, 0, 3), 254);
  EXPECT_LE(at(0, 0, 3), 1);
  EXPECT_LE(at(63, 0, 3), 1);
  for (UINT x = 0; x < 32; ++x) {
    EXPECT_EQ(at(x, 0, 3), at(63 - x, 0, 3)) << x;
    if (x > 0) {
      EXPECT_GE(at(x, 0, 3), at(x - 1, 0, 3)) << x;
    }
    EXPECT_EQ(at(x, 0, 3), at(x, d.Height - 1, 3)) << x;
    EXPECT_EQ(at(x, 0, 0), 255);
  }
}

// A pack mesh drawn by DrawSubset through an effect pass: the texture lands
// the right way round on the plane.
TEST_F(CommonResDraw, PlaneMeshDrawsTexturedThroughAnEffect) {
  Bytes x = PackResource(903, u"DDS");
  ID3DXMesh* mesh = nullptr;
  DWORD materials = 0;
  ASSERT_EQ(D3DXLoadMeshFromXInMemory(x.data, x.size, D3DXMESH_SYSTEMMEM, dev_, nullptr, nullptr, nullptr, &materials,
                                      &mesh),
            S_OK);
  const char text[] =
      "effect 1\ntexture Tex\nprogram P\nvoid main() { o_color = texture(Tex, v_tc0); }\nend\n"
      "technique T\n pass P0\n  sampler Tex MINFILTER = POINT MAGFILTER = POINT\n  fragment P\n end\nend\n";
  ID3DXEffect* fx = nullptr;
  ASSERT_EQ(D3DXCreateEffect(dev_, text, sizeof(text) - 1, nullptr, nullptr, 0, nullptr, &fx, nullptr), D3D_OK);
  IDirect3DTexture9* checker = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  fx->SetTexture("Tex", checker);
  D3DXMATRIX world, view, proj;
  D3DXMatrixScaling(&world, 16, 16, 1);
  D3DXMatrixIdentity(&view);
  D3DXMatrixOrthoOffCenterLH(&proj, -32, 32, -32, 32, -1, 1);
  dev_->SetTransform(D3DTS_WORLD, &world);
  dev_->SetTransform(D3DTS_VIEW, &view);
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  Begin();
  DrawEachPass(fx, [&] { EXPECT_EQ(mesh->DrawSubset(0), D3D_OK); });
  End();
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF000000));
  EXPECT_TRUE(Near(Pixel(20, 20), 0xFFFF0000));  // top left: texel (0, 0)
  EXPECT_TRUE(Near(Pixel(44, 20), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(20, 44), 0xFF0000FF));
  EXPECT_TRUE(Near(Pixel(44, 44), 0xFFFFFFFF));
  EXPECT_TRUE(Near(Pixel(56, 32), 0xFF000000));
  fx->SetTexture("Tex", nullptr);
  checker->Release();
  EXPECT_EQ(fx->Release(), 0u);
  mesh->Release();
}

}  // namespace

namespace {

struct Extent {
  D3DXVECTOR3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

// The butterfly's and the clock's meshes: 32-byte XYZ|NORMAL|TEX1 vertices in
// the model axes their frames expect.
TEST_F(CommonRes, ButterflyAndClockMeshesHaveTheirAxesAndUv) {
  struct Case {
    uint32_t id;
    D3DXVECTOR3 lo, hi;
  };
  const Case cases[] = {
      {68, {-4.7f, -4.7f, -25}, {4.7f, 4.7f, 25}},  // body along z, head at +z
      {69, {0, 0, -30}, {60, 0, 30}},               // wing hinged on z, spanning +x
      {70, {-50, 0, -50}, {50, 0, 50}},             // plate in x-z, centred
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Bytes x = PackResource(c.id, u"DDS");
    ASSERT_NE(x.data, nullptr);
    ID3DXMesh* mesh = nullptr;
    DWORD materials = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(x.data, x.size, D3DXMESH_SYSTEMMEM, nullptr, nullptr, nullptr, nullptr,
                                        &materials, &mesh),
              S_OK);
    ASSERT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    ASSERT_EQ(mesh->GetNumBytesPerVertex(), 32u);
    EXPECT_LE(mesh->GetNumVertices(), 0xFFFFu);
    void* v = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &v), S_OK);
    const float* f = static_cast<const float*>(v);
    Extent e;
    bool unitNormals = true, uvInRange = true;
    for (DWORD i = 0; i < mesh->GetNumVertices(); ++i) {
      const float* p = f + i * 8;
      for (int k = 0; k < 3; ++k) {
        e.lo[k] = std::min(e.lo[k], p[k]);
        e.hi[k] = std::max(e.hi[k], p[k]);
      }
      unitNormals = unitNormals && std::fabs(p[3] * p[3] + p[4] * p[4] + p[5] * p[5] - 1.f) < 1e-3f;
      uvInRange = uvInRange && p[6] >= 0.f && p[6] <= 1.f && p[7] >= 0.f && p[7] <= 1.f;
      if (c.id == 69) {
        // u from the hinge (0) to the tip (1), v from the front edge (0) to the back (1).
        EXPECT_NEAR(p[6], p[0] / 60.f, 1e-4f);
        EXPECT_NEAR(p[7], (30.f - p[2]) / 60.f, 1e-4f);
      } else if (c.id == 70) {
        // The picture's top edge at +z.
        EXPECT_NEAR(p[6], (p[0] + 50.f) / 100.f, 1e-4f);
        EXPECT_NEAR(p[7], (50.f - p[2]) / 100.f, 1e-4f);
      }
    }
    mesh->UnlockVertexBuffer();
    EXPECT_TRUE(unitNormals);
    EXPECT_TRUE(uvInRange);
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(e.lo[k], c.lo[k], c.id == 68 && k < 2 ? 1.f : 1e-4f) << k;
      EXPECT_NEAR(e.hi[k], c.hi[k], c.id == 68 && k < 2 ? 1.f : 1e-4f) << k;
    }
    mesh->Release();
  }
}

// Pictures 6, 71 and 72 carry alpha: the clock face is round (transparent
// corners, opaque centre) and the hand is a thin shape with its hub low down.
TEST_F(CommonResDraw, ButterflyAndClockPicturesCarryAlpha) {
  struct Case {
    uint32_t id;
    UINT width, height;
    std::vector<std::pair<UINT, UINT>> clear, opaque;
  };
  const Case cases[] = {
      {6, 128, 32, {}, {{0, 0}, {64, 16}, {127, 31}}},
      {71, 256, 256, {{0, 0}, {255, 0}, {0, 255}, {255, 255}}, {{128, 128}, {128, 40}, {60, 200}}},
      {72, 16, 256, {{0, 0}, {0, 128}, {15, 250}, {0, 255}}, {{8, 20}, {8, 128}, {8, 215}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Bytes png = PackResource(c.id, u"DDS");
    ASSERT_NE(png.data, nullptr);
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemory(dev_, png.data, png.size, &t), D3D_OK);
    IDirect3DSurface9* s = nullptr;
    t->GetSurfaceLevel(0, &s);
    D3DSURFACE_DESC d;
    s->GetDesc(&d);
    std::vector<uint8_t> px = D3D9_ReadBack(s);
    s->Release();
    t->Release();
    ASSERT_EQ(d.Width, c.width);
    ASSERT_EQ(d.Height, c.height);
    auto alpha = [&](UINT x, UINT y) { return static_cast<int>(px[(y * d.Width + x) * 4 + 3]); };
    for (auto [x, y] : c.clear) EXPECT_EQ(alpha(x, y), 0) << x << "," << y;
    for (auto [x, y] : c.opaque) EXPECT_EQ(alpha(x, y), 255) << x << "," << y;
  }
}

// Meshes 68 and 70 under the slide camera (x right, y down the picture,
// looking along +z) and the rest matrices of the butterfly's body and the
// clock's face: the sides that face the camera are the front faces and carry
// normals towards it, and the clock picture's top edge is at twelve o'clock.
class PackMeshSlideView : public CommonResDraw {
 protected:
  void SetUp() override {
    CommonResDraw::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    D3DXMATRIX view, proj;
    D3DXVECTOR3 eye(0, 0, -1), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoOffCenterLH(&proj, 0, kW, kH, 0, -500, 500);
    dev_->SetTransform(D3DTS_VIEW, &view);
    dev_->SetTransform(D3DTS_PROJECTION, &proj);
  }
  ID3DXMesh* Mesh(uint32_t id) {
    Bytes x = PackResource(id, u"DDS");
    ID3DXMesh* mesh = nullptr;
    DWORD materials = 0;
    EXPECT_EQ(D3DXLoadMeshFromXInMemory(x.data, x.size, D3DXMESH_SYSTEMMEM, dev_, nullptr, nullptr, nullptr,
                                        &materials, &mesh),
              S_OK);
    return mesh;
  }
};

TEST_F(PackMeshSlideView, BodyShowsLitFrontFacesWithTheFrameCulling) {
  ID3DXMesh* body = Mesh(68);
  ASSERT_NE(body, nullptr);
  // The butterfly's root rest turns model z (the body) along the picture's x.
  D3DXMATRIX s, r, t, world;
  D3DXMatrixScaling(&s, 1, 1, 1);
  D3DXMatrixRotationY(&r, D3DX_PI / 2);
  D3DXMatrixTranslation(&t, 32, 32, 0);
  world = s * r * t;
  dev_->SetTransform(D3DTS_WORLD, &world);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 1};
  light.Direction = {0, 0, 1};  // from the camera into the picture
  D3DMATERIAL9 mat{};
  mat.Diffuse = {1, 1, 1, 1};
  dev_->SetLight(0, &light);
  dev_->LightEnable(0, TRUE);
  dev_->SetMaterial(&mat);
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetRenderState(D3DRS_AMBIENT, 0);
  struct Case {
    D3DCULL cull;
    bool lit;
  };
  // A new frame's mirror flag asks for counter-clockwise culling.
  for (const Case& c : {Case{D3DCULL_CCW, true}, Case{D3DCULL_CW, false}}) {
    SCOPED_TRACE(c.cull);
    dev_->SetRenderState(D3DRS_CULLMODE, c.cull);
    Begin(0xFF000080);
    ASSERT_EQ(body->DrawSubset(0), D3D_OK);
    End();
    const D3DCOLOR centre = Pixel(32, 32);
    if (c.lit) {
      EXPECT_GT(static_cast<int>(centre & 0xFF), 240);
    } else {
      EXPECT_LT(static_cast<int>(centre & 0xFF), 60);
    }
    // Head towards +x: the body reaches x = 32 + 25 but never the blue beyond.
    EXPECT_EQ(Pixel(60, 32), 0xFF000080u);
    EXPECT_NE(Pixel(54, 32), 0xFF000080u);
  }
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  body->Release();
}

TEST_F(PackMeshSlideView, ClockPlateShowsThePictureUprightFacingTheCamera) {
  ID3DXMesh* plate = Mesh(70);
  ASSERT_NE(plate, nullptr);
  IDirect3DTexture9* quarters = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  // The clock root: Scaling(size) x Scaling(0.01) x RotationX(pi / 2), then its centre.
  D3DXMATRIX size, rest, turn, t, world;
  D3DXMatrixScaling(&size, 48, 48, 48);
  D3DXMatrixScaling(&rest, 0.01f, 0.01f, 0.01f);
  D3DXMatrixRotationX(&turn, D3DX_PI / 2);
  D3DXMatrixTranslation(&t, 32, 32, 0);
  world = size * rest * turn * t;
  dev_->SetTransform(D3DTS_WORLD, &world);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  dev_->SetTexture(0, quarters);
  dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  dev_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  Begin();
  ASSERT_EQ(plate->DrawSubset(0), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(20, 20), 0xFFFF0000));  // picture top left, up on the slide
  EXPECT_TRUE(Near(Pixel(44, 20), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(20, 44), 0xFF0000FF));
  EXPECT_TRUE(Near(Pixel(44, 44), 0xFFFFFFFF));
  EXPECT_TRUE(Near(Pixel(4, 32), 0xFF000000));  // 48 pixels wide, centred
  dev_->SetTexture(0, nullptr);
  dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  quarters->Release();
  plate->Release();
}

}  // namespace
