// Pixels drawn by the fixed-function pipeline: vertex formats, blending,
// culling, texture stages, bump-environment mapping, texture-coordinate
// generation, lighting, render-to-texture and buffers.
#include <cmath>
#include <cstring>

#include "tests/platform/d3d9_fixture.h"

namespace {

// Projection that maps x, y in pixels (y down) onto a 64 x 64 target, z kept.
D3DMATRIX PixelProjection() {
  D3DMATRIX m{};
  m._11 = 2.f / 64;
  m._22 = -2.f / 64;
  m._33 = 1.f;
  m._41 = -1.f;
  m._42 = 1.f;
  m._44 = 1.f;
  return m;
}

D3DMATRIX IdentityMatrix() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.f;
  return m;
}

// Writes one vertex of the format: position, normal (0, 0, -1), colour,
// specular 0, every texture set = (u, v).
size_t PutVertex(uint8_t* out, DWORD fvf, float x, float y, D3DCOLOR c, float u, float v) {
  uint8_t* p = out;
  auto put = [&](const void* d, size_t n) {
    std::memcpy(p, d, n);
    p += n;
  };
  float z = 0.5f, rhw = 1.f;
  put(&x, 4);
  put(&y, 4);
  put(&z, 4);
  if ((fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW) put(&rhw, 4);
  if (fvf & D3DFVF_NORMAL) {
    float n[3] = {0.f, 0.f, -1.f};
    put(n, 12);
  }
  if (fvf & D3DFVF_DIFFUSE) put(&c, 4);
  if (fvf & D3DFVF_SPECULAR) {
    D3DCOLOR s = 0;
    put(&s, 4);
  }
  UINT tc = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  for (UINT i = 0; i < tc; ++i) {
    put(&u, 4);
    put(&v, 4);
  }
  return static_cast<size_t>(p - out);
}

// A clockwise strip covering the pixels [x0, x1) x [y0, y1) in any format.
std::vector<uint8_t> Quad(DWORD fvf, float x0, float y0, float x1, float y1, D3DCOLOR c, UINT* stride) {
  std::vector<uint8_t> v(4 * 64);
  x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
  size_t s = PutVertex(&v[0], fvf, x0, y0, c, 0, 0);
  PutVertex(&v[s], fvf, x1, y0, c, 1, 0);
  PutVertex(&v[2 * s], fvf, x0, y1, c, 0, 1);
  PutVertex(&v[3 * s], fvf, x1, y1, c, 1, 1);
  v.resize(4 * s);
  *stride = static_cast<UINT>(s);
  return v;
}

class D3D9DrawTest : public D3D9Test {
 protected:
  void SetUp() override {
    D3D9Test::SetUp();
    if (HasFatalFailure()) return;
    D3DMATRIX id = IdentityMatrix(), proj = PixelProjection();
    dev_->SetTransform(D3DTS_WORLD, &id);
    dev_->SetTransform(D3DTS_VIEW, &id);
    dev_->SetTransform(D3DTS_PROJECTION, &proj);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  }
  void DrawQuad(DWORD fvf, float x0, float y0, float x1, float y1, D3DCOLOR c) {
    UINT stride = 0;
    std::vector<uint8_t> v = Quad(fvf, x0, y0, x1, y1, c, &stride);
    ASSERT_EQ(dev_->SetFVF(fvf), D3D_OK);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v.data(), stride), D3D_OK);
  }
  // An A8R8G8B8 render-target texture made current, so alpha can be read.
  IDirect3DTexture9* AlphaTarget(IDirect3DSurface9** level) {
    IDirect3DTexture9* rt = nullptr;
    EXPECT_EQ(dev_->CreateTexture(kW, kH, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    rt->GetSurfaceLevel(0, level);
    EXPECT_EQ(dev_->SetRenderTarget(0, *level), D3D_OK);
    return rt;
  }
};

// Every vertex format the engine draws with gives the texture modulated by
// the vertex colour, or opaque white where the vertex has no colour.
TEST_F(D3D9DrawTest, EveryVertexFormatDrawsTexturedAndColouredQuads) {
  const DWORD formats[] = {0x002, 0x042, 0x044, 0x102, 0x112, 0x142, 0x144, 0x152, 0x202, 0x242, 0x302};
  IDirect3DTexture9* tex = MakeTexture(dev_, 2, 2, {0xFF4080C0, 0xFF4080C0, 0xFF4080C0, 0xFF4080C0});
  ASSERT_NE(tex, nullptr);
  const D3DCOLOR diffuse = 0xFF80FF40;
  for (DWORD fvf : formats) {
    SCOPED_TRACE(testing::Message() << "fvf 0x" << std::hex << fvf);
    bool textured = (fvf & D3DFVF_TEXCOUNT_MASK) != 0;
    bool coloured = (fvf & D3DFVF_DIFFUSE) != 0;
    Begin();
    dev_->SetTexture(0, textured ? tex : nullptr);
    DrawQuad(fvf, 16, 8, 48, 40, diffuse);
    End();
    D3DCOLOR want = 0xFFFFFFFF;
    if (textured && coloured) want = 0xFF208030;  // 40 80 C0 x 80 FF 40
    else if (textured) want = 0xFF4080C0;
    else if (coloured) want = diffuse;
    EXPECT_TRUE(Near(Pixel(16, 8), want));
    EXPECT_TRUE(Near(Pixel(47, 39), want));
    EXPECT_TRUE(Near(Pixel(15, 8), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(48, 39), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(16, 7), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(47, 40), 0xFF000000, 0));
  }
  dev_->SetTexture(0, nullptr);
  tex->Release();
}

TEST_F(D3D9DrawTest, BlendFactorsCombineSourceAndDestination) {
  struct Case {
    DWORD src, dst;
    D3DCOLOR want;
  };
  // Destination 20 40 60, source C0 80 40 with alpha 0x80 (0.502).
  const Case cases[] = {
      {D3DBLEND_ONE, D3DBLEND_ZERO, 0xFFC08040},       {D3DBLEND_ZERO, D3DBLEND_ONE, 0xFF204060},
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF706050}, {D3DBLEND_ONE, D3DBLEND_ONE, 0xFFE0C0A0},
      {D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFF808080},   {D3DBLEND_ZERO, D3DBLEND_SRCALPHA, 0xFF102030},
      {D3DBLEND_ZERO, D3DBLEND_ZERO, 0xFF000000},
  };
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "src " << c.src << " dst " << c.dst);
    dev_->SetRenderState(D3DRS_SRCBLEND, c.src);
    dev_->SetRenderState(D3DRS_DESTBLEND, c.dst);
    Begin(0xFF204060);
    DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 64, 64, 0x80C08040);
    End();
    EXPECT_TRUE(Near(Pixel(32, 32), c.want));
  }
  // With blending off the factors do not matter.
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  Begin(0xFF204060);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 64, 64, 0x80C08040);
  End();
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFFC08040));
}

// State changes between draws of one frame, each draw in its own column.
TEST_F(D3D9DrawTest, StatesChangedBetweenDrawsApplyToTheNextDraw) {
  Begin(0xFF204060);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 16, 64, 0x80C08040);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 16, 0, 32, 64, 0x80C08040);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 32, 0, 48, 64, 0x80C08040);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, D3DCOLORWRITEENABLE_RED);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 48, 0, 64, 64, 0x80C08040);
  End();
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFE0C0A0));
  EXPECT_TRUE(Near(Pixel(24, 8), 0xFF706050));
  EXPECT_TRUE(Near(Pixel(40, 8), 0xFFC08040));
  EXPECT_TRUE(Near(Pixel(56, 8), 0xFF704060));
}

TEST_F(D3D9DrawTest, CullingFollowsDirect3DWinding) {
  struct Case {
    DWORD mode;
    bool clockwise;
    bool visible;
  };
  const Case cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_NONE, false, true}, {D3DCULL_CCW, true, true},
                        {D3DCULL_CCW, false, false}, {D3DCULL_CW, true, false}, {D3DCULL_CW, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cull " << c.mode << (c.clockwise ? " cw" : " ccw"));
    dev_->SetRenderState(D3DRS_CULLMODE, c.mode);
    // Top-left, top-right, bottom-left is clockwise on screen.
    float xs[3] = {8, 56, 8}, ys[3] = {8, 8, 56};
    if (!c.clockwise) std::swap(xs[1], xs[2]), std::swap(ys[1], ys[2]);
    for (bool pre : {true, false}) {
      DWORD fvf = (pre ? D3DFVF_XYZRHW : D3DFVF_XYZ) | D3DFVF_DIFFUSE;
      std::vector<uint8_t> v(3 * 32);
      UINT s = 0;
      for (int i = 0; i < 3; ++i) s = static_cast<UINT>(PutVertex(&v[i * s], fvf, xs[i], ys[i], 0xFFFFFFFF, 0, 0));
      Begin();
      dev_->SetFVF(fvf);
      ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v.data(), s), D3D_OK);
      End();
      EXPECT_EQ(Pixel(16, 16) == 0xFFFFFFFF, c.visible) << (pre ? "pre-transformed" : "transformed");
    }
  }
}

TEST_F(D3D9DrawTest, TextureStagesCombineTextureDiffuseAndCurrent) {
  IDirect3DSurface9* level = nullptr;
  IDirect3DTexture9* rt = AlphaTarget(&level);
  IDirect3DTexture9* t0 = MakeTexture(dev_, 1, 1, {0x80FF8000});
  IDirect3DTexture9* t1 = MakeTexture(dev_, 1, 1, {0xFF808080});
  IDirect3DTexture9* a8 = MakeRawTexture(dev_, 1, 1, D3DFMT_A8, {0x80}, 1);
  IDirect3DTexture9* l8 = MakeRawTexture(dev_, 1, 1, D3DFMT_L8, {0x40}, 1);
  IDirect3DTexture9* a8l8 = MakeRawTexture(dev_, 1, 1, D3DFMT_A8L8, {0x40, 0xC0}, 2);
  const D3DCOLOR diffuse = 0xC04080C0;
  struct Case {
    const char* name;
    IDirect3DTexture9* tex0;
    DWORD cop, carg1, carg2, aop, aarg1, aarg2;
    IDirect3DTexture9* tex1;
    DWORD cop1;
    D3DCOLOR want;
  };
  const Case cases[] = {
      {"modulate", t0, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE,
       nullptr, D3DTOP_DISABLE, 0x80404000},
      {"select diffuse", t0, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, diffuse},
      {"add", t0, D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr,
       D3DTOP_DISABLE, 0x60FFFFC0},
      {"no texture ends the chain", nullptr, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, diffuse},
      {"stage 0 disabled", t0, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE,
       D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, diffuse},
      {"second stage modulates current", t0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, t1, D3DTOP_MODULATE, 0x80804000},
      {"second stage without texture", t0, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr, D3DTOP_MODULATE, 0x80FF8000},
      {"complement", t0, D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE | D3DTA_COMPLEMENT, D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, 0x7F007FFF},
      {"A8 samples as black with alpha", a8, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, 0x80000000},
      {"L8 samples as opaque grey", l8, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, 0xFF404040},
      {"A8L8 samples as grey with alpha", a8l8, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
       D3DTA_TEXTURE, D3DTA_DIFFUSE, nullptr, D3DTOP_DISABLE, 0xC0404040},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dev_->SetTexture(0, c.tex0);
    dev_->SetTexture(1, c.tex1);
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, c.cop);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, c.carg1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG2, c.carg2);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, c.aop);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.aarg1);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.aarg2);
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, c.cop1);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAOP, c.cop1 == D3DTOP_DISABLE ? D3DTOP_DISABLE : D3DTOP_SELECTARG2);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
    ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.f, 0), D3D_OK);
    DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2, 0, 0, 64, 64, diffuse);
    EXPECT_TRUE(Near(PixelOf(level, 32, 32), c.want));
  }
  for (IDirect3DTexture9* t : {t0, t1, a8, l8, a8l8}) t->Release();
  dev_->SetTexture(0, nullptr);
  dev_->SetTexture(1, nullptr);
  dev_->SetRenderTarget(0, back_);
  level->Release();
  rt->Release();
}

// Stage 0 offsets stage 1's coordinates by its (du, dv) texel times the bump matrix.
TEST_F(D3D9DrawTest, BumpEnvironmentMappingShiftsTheNextStage) {
  std::vector<uint8_t> dudv;
  for (int i = 0; i < 4; ++i) dudv.insert(dudv.end(), {64, 0});  // du = 64/127, dv = 0
  IDirect3DTexture9* bump = MakeRawTexture(dev_, 2, 2, D3DFMT_V8U8, dudv, 2);
  // Four columns: red, green, blue, white.
  IDirect3DTexture9* env = MakeTexture(dev_, 4, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  ASSERT_NE(bump, nullptr);
  ASSERT_NE(env, nullptr);
  dev_->SetTexture(0, bump);
  dev_->SetTexture(1, env);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  struct Case {
    float m00, m10;
    D3DCOLOR at4, at40;
  };
  // u at pixel 4 is 0.07, at pixel 40 0.63; du x m00 adds 0.25 with m00 = 0.5.
  const Case cases[] = {{0.f, 0.f, 0xFFFF0000, 0xFF0000FF}, {0.5f, 0.f, 0xFF00FF00, 0xFFFFFFFF},
                        {0.f, 0.5f, 0xFFFF0000, 0xFF0000FF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "m00 " << c.m00 << " m10 " << c.m10);
    DWORD m00, m10, zero = 0;
    std::memcpy(&m00, &c.m00, 4);
    std::memcpy(&m10, &c.m10, 4);
    dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, m00);
    dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, zero);
    dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, m10);
    dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, zero);
    Begin();
    DrawQuad(D3DFVF_XYZRHW | D3DFVF_TEX2, 0, 0, 64, 64, 0);
    End();
    EXPECT_TRUE(Near(Pixel(4, 32), c.at4));
    EXPECT_TRUE(Near(Pixel(40, 32), c.at40));
  }
  dev_->SetTexture(0, nullptr);
  dev_->SetTexture(1, nullptr);
  bump->Release();
  env->Release();
}

// Camera-space positions through the texture matrix give the coordinates.
TEST_F(D3D9DrawTest, CameraSpacePositionGeneratesTextureCoordinates) {
  IDirect3DTexture9* tex = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  dev_->SetTexture(0, tex);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION);
  dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  struct Case {
    float tu;
    D3DCOLOR top_left, top_right, bottom_left;
  };
  const Case cases[] = {{0.f, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0.5f, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "translation " << c.tu);
    D3DMATRIX m = IdentityMatrix();
    m._11 = 1.f / 64;
    m._22 = 1.f / 64;
    m._41 = c.tu;
    dev_->SetTransform(D3DTS_TEXTURE0, &m);
    Begin();
    DrawQuad(D3DFVF_XYZ, 0, 0, 64, 64, 0);
    End();
    EXPECT_TRUE(Near(Pixel(8, 8), c.top_left));
    EXPECT_TRUE(Near(Pixel(40, 8), c.top_right));
    EXPECT_TRUE(Near(Pixel(8, 40), c.bottom_left));
  }
  // Without the transform flags the matrix is not applied.
  dev_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  Begin();
  DrawQuad(D3DFVF_XYZ | D3DFVF_TEX1, 0, 0, 64, 64, 0);
  End();
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(40, 8), 0xFF00FF00));
  dev_->SetTexture(0, nullptr);
  tex->Release();
}

TEST_F(D3D9DrawTest, TwoDimensionalTextureTransformTranslatesWithTheThirdRow) {
  IDirect3DTexture9* tex = MakeTexture(dev_, 2, 1, {0xFFFF0000, 0xFF00FF00});
  dev_->SetTexture(0, tex);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  D3DMATRIX m = IdentityMatrix();
  m._31 = 0.5f;  // (u, v, 1) x M: the third row moves 2-D coordinates
  dev_->SetTransform(D3DTS_TEXTURE0, &m);
  Begin();
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_TEX1, 0, 0, 64, 64, 0);
  End();
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(40, 8), 0xFFFF0000));
  dev_->SetTexture(0, nullptr);
  tex->Release();
}

TEST_F(D3D9DrawTest, DirectionalLightLightsAMesh) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1.f, 0.5f, 0.25f, 1.f};
  light.Specular = {1.f, 1.f, 1.f, 1.f};
  D3DMATERIAL9 mat{};
  mat.Diffuse = {0.8f, 0.8f, 0.8f, 1.f};
  mat.Ambient = {1.f, 1.f, 1.f, 1.f};
  mat.Specular = {1.f, 1.f, 1.f, 1.f};
  mat.Power = 4.f;
  ASSERT_EQ(dev_->SetMaterial(&mat), D3D_OK);
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetRenderState(D3DRS_AMBIENT, 0x00202020);
  struct Case {
    const char* name;
    float dz;  // light direction z; the quad's normal is (0, 0, -1)
    DWORD fvf;
    DWORD specular;
    D3DCOLOR want;
  };
  const Case cases[] = {
      // 0.125 ambient + 0.8 x (1, 0.5, 0.25)
      {"lit from the front", 1.f, D3DFVF_XYZ | D3DFVF_NORMAL, FALSE, 0xFFEC8653},
      {"lit from behind", -1.f, D3DFVF_XYZ | D3DFVF_NORMAL, FALSE, 0xFF202020},
      {"no specular from behind", -1.f, D3DFVF_XYZ | D3DFVF_NORMAL, TRUE, 0xFF202020},
      // Vertex colour 80FF40 replaces the material diffuse (colour source COLOR1).
      {"vertex colour as diffuse", 1.f, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, FALSE,
       0xFFA0A030},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    light.Direction = {0.f, 0.f, c.dz};
    ASSERT_EQ(dev_->SetLight(0, &light), D3D_OK);
    ASSERT_EQ(dev_->LightEnable(0, TRUE), D3D_OK);
    dev_->SetRenderState(D3DRS_SPECULARENABLE, c.specular);
    Begin();
    DrawQuad(c.fvf, 0, 0, 64, 64, 0xFF80FF40);
    End();
    EXPECT_TRUE(Near(Pixel(32, 32), c.want));
  }
  // Switched off, the vertex colour shows again.
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  Begin();
  DrawQuad(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, 0, 0, 64, 64, 0xFF80FF40);
  End();
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFF80FF40));
}

// Specular light with a local viewer depends on the direction to the eye;
// without it every vertex sees the eye straight ahead.
TEST_F(D3D9DrawTest, SpecularFollowsTheViewerRule) {
  D3DMATRIX proj = IdentityMatrix();  // view space x, y in [-32, 32] fill the target
  proj._11 = proj._22 = 1.f / 32;
  proj._33 = 0.01f;
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Specular = {1.f, 1.f, 1.f, 1.f};
  light.Direction = {0.f, 0.f, 1.f};
  D3DMATERIAL9 mat{};
  mat.Specular = {1.f, 1.f, 1.f, 1.f};
  mat.Power = 4.f;
  dev_->SetMaterial(&mat);
  dev_->SetLight(0, &light);
  dev_->LightEnable(0, TRUE);
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  struct V {
    float x, y, z, nx, ny, nz;
  };
  // Small quads facing the eye: one straight ahead, one 30 units to the right.
  auto quad = [&](float cx) {
    const V v[4] = {{cx - 1, 1, 10, 0, 0, -1}, {cx + 1, 1, 10, 0, 0, -1}, {cx - 1, -1, 10, 0, 0, -1},
                    {cx + 1, -1, 10, 0, 0, -1}};
    dev_->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
  };
  struct Case {
    DWORD local;
    int ahead, aside;  // expected grey levels
  };
  // Local viewer at (30, 0, 10): N.H = 0.81, 0.81^4 x 255 = 110.
  const Case cases[] = {{TRUE, 253, 110}, {FALSE, 255, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "local viewer " << c.local);
    dev_->SetRenderState(D3DRS_LOCALVIEWER, c.local);
    Begin();
    quad(0.f);
    quad(30.f);
    End();
    EXPECT_NEAR(static_cast<int>(Pixel(32, 32) & 0xFF), c.ahead, 3);
    EXPECT_NEAR(static_cast<int>(Pixel(62, 32) & 0xFF), c.aside, 3);
  }
}

TEST_F(D3D9DrawTest, RenderToTextureThenSampleIt) {
  IDirect3DTexture9* rt = nullptr;
  ASSERT_EQ(dev_->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
            D3D_OK);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(rt->GetSurfaceLevel(0, &level), D3D_OK);
  D3DVIEWPORT9 small = {4, 4, 8, 8, 0.f, 1.f};
  dev_->SetViewport(&small);
  ASSERT_EQ(dev_->SetRenderTarget(0, level), D3D_OK);
  D3DVIEWPORT9 vp;
  dev_->GetViewport(&vp);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Y, 0u);
  EXPECT_EQ(vp.Width, 32u);
  EXPECT_EQ(vp.Height, 32u);
  IDirect3DSurface9* got = nullptr;
  ASSERT_EQ(dev_->GetRenderTarget(0, &got), D3D_OK);
  EXPECT_EQ(got, level);
  got->Release();
  ASSERT_EQ(dev_->SetDepthStencilSurface(nullptr), D3D_OK);
  EXPECT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 1.f, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.f, 0), D3D_OK);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 16, 32, 0xFFFF0000);
  ASSERT_EQ(dev_->SetRenderTarget(0, back_), D3D_OK);
  dev_->SetTexture(0, rt);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_TEX1, 0, 0, 64, 64, 0);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(8, 60), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(40, 8), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(60, 60), 0xFF00FF00));
  dev_->SetTexture(0, nullptr);
  level->Release();
  rt->Release();
}

TEST_F(D3D9DrawTest, IndexedDrawsFromLockedBuffers) {
  const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  UINT stride = 0;
  std::vector<uint8_t> a = Quad(fvf, 0, 0, 32, 64, 0xFFFF0000, &stride);
  std::vector<uint8_t> b = Quad(fvf, 32, 0, 64, 64, 0xFF0000FF, &stride);
  ASSERT_EQ(dev_->CreateVertexBuffer(8 * stride, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
  void* p = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, a.data(), a.size());
  std::memcpy(static_cast<uint8_t*>(p) + a.size(), b.data(), b.size());
  ASSERT_EQ(vb->Unlock(), D3D_OK);
  const uint16_t idx[6] = {0, 1, 2, 2, 1, 3};
  ASSERT_EQ(ib->Lock(0, sizeof(idx), &p, 0), D3D_OK);
  std::memcpy(p, idx, sizeof(idx));
  ASSERT_EQ(ib->Unlock(), D3D_OK);
  dev_->SetFVF(fvf);
  dev_->SetStreamSource(0, vb, 0, stride);
  dev_->SetIndices(ib);
  Begin();
  ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);  // second quad only
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(50, 10), 0xFF0000FF));
  // Rewrite the first quad's colours through a partial lock and draw both.
  std::vector<uint8_t> green = Quad(fvf, 0, 0, 32, 64, 0xFF00FF00, &stride);
  ASSERT_EQ(vb->Lock(0, static_cast<UINT>(green.size()), &p, 0), D3D_OK);
  std::memcpy(p, green.data(), green.size());
  ASSERT_EQ(vb->Unlock(), D3D_OK);
  Begin();
  ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(50, 10), 0xFF0000FF));
  // Draws past the end of the buffers are refused.
  EXPECT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 6, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 6, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 4, 0, 2), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb->Lock(8 * stride, 4, &p, 0), D3DERR_INVALIDCALL);
  dev_->SetStreamSource(0, nullptr, 0, 0);
  dev_->SetIndices(nullptr);
  vb->Release();
  ib->Release();
}

TEST_F(D3D9DrawTest, DepthTestAndZWrite) {
  auto tri_at = [&](float z, D3DCOLOR c) {
    TLVertex v[4];
    ScreenQuad(v, 0, 0, 64, 64, c);
    for (auto& x : v) x.z = z;
    dev_->SetFVF(kTLFVF);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex));
  };
  Begin();
  tri_at(0.3f, 0xFFFF0000);
  tri_at(0.6f, 0xFF00FF00);  // behind: rejected by LESSEQUAL
  End();
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFFFF0000));
  dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  Begin();
  tri_at(0.3f, 0xFFFF0000);
  tri_at(0.6f, 0xFF00FF00);
  End();
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFF00FF00));
  // A clear with z above 1 is clamped: a far quad at 1.0 still passes.
  dev_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 5.f, 0), D3D_OK);
  tri_at(1.0f, 0xFF0000FF);
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFF0000FF));
}

TEST_F(D3D9DrawTest, ColourWriteMaskKeepsDestinationChannels) {
  IDirect3DSurface9* level = nullptr;
  IDirect3DTexture9* rt = AlphaTarget(&level);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x11223344, 1.f, 0), D3D_OK);
  dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 7);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 64, 64, 0x80C08040);
  EXPECT_TRUE(Near(PixelOf(level, 32, 32), 0x11C08040));
  // A clear in between writes every channel, yet the next draw keeps the mask.
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x22000000, 1.f, 0), D3D_OK);
  DrawQuad(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, 0, 0, 64, 64, 0x80406080);
  EXPECT_TRUE(Near(PixelOf(level, 32, 32), 0x22406080));
  dev_->SetRenderTarget(0, back_);
  level->Release();
  rt->Release();
}

}  // namespace
