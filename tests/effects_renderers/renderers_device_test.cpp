// The device features the slide renderers rely on, each drawn alone:
// bump-environment mapping of a V16U16 map into stage 1, camera-space
// texture coordinates through TEXTURE1, a texture plus specular light, a
// dynamic default-pool buffer locked with DISCARD and an indexed strip.
#include <gtest/gtest.h>

#include <cstring>

#include "effects/slide_renderers_water.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "render_fixtures.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

DWORD F(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

class DeviceFeatures : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    for (auto t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1}) dev_->SetTransform(t, &id);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    for (DWORD s = 0; s < 2; ++s) {
      dev_->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_POINT);
      dev_->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
      dev_->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
      dev_->SetSamplerState(s, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
      dev_->SetSamplerState(s, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
      dev_->SetTextureStageState(s, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
      dev_->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, s);
    }
    dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    dev_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev_->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  }
  void TearDown() override {
    dev_->SetTexture(0, nullptr);
    dev_->SetTexture(1, nullptr);
    dev_->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev_->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev_->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    dev_->LightEnable(0, FALSE);
    RenderTest::TearDown();
  }

  // A w x h A8R8G8B8 texture from colour(x, y).
  template <class C>
  ComPtr<IDirect3DTexture9> Texture(UINT w, UINT h, C colour) {
    ComPtr<IDirect3DTexture9> t;
    EXPECT_EQ(dev_->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.ReleaseAndGetAddressOf(), nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr{};
    t->LockRect(0, &lr, nullptr, 0);
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x)
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] = colour(x, y);
    t->UnlockRect(0);
    return t;
  }

  template <class V>
  Pixels Draw(D3DPRIMITIVETYPE type, UINT count, const V* v, DWORD fvf) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev_->SetFVF(fvf);
    EXPECT_EQ(dev_->DrawPrimitiveUP(type, count, v, sizeof(V)), D3D_OK);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
};

TEST_F(DeviceFeatures, BumpEnvironmentMapOfV16U16IntoStageOne) {
  ComPtr<IDirect3DTexture9> bump;
  ASSERT_EQ(dev_->CreateTexture(1, 1, 1, 0, D3DFMT_V16U16, D3DPOOL_MANAGED, bump.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(bump->LockRect(0, &lr, nullptr, 0), D3D_OK);
  static_cast<int16_t*>(lr.pBits)[0] = 16384;  // du 0.5
  static_cast<int16_t*>(lr.pBits)[1] = 16384;  // dv 0.5
  bump->UnlockRect(0);
  // 8 x 8: green at texel (1, 1) only.
  ComPtr<IDirect3DTexture9> picture = Texture(8, 8, [](UINT x, UINT y) { return x == 1 && y == 1 ? kGreen : kRed; });
  dev_->SetTexture(0, bump);
  dev_->SetTexture(1, picture);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, F(0.2f));
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, F(0.0f));
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, F(0.0f));
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, F(0.25f));
  dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  struct V {
    float x, y, z, rhw;
    float u0, v0, u1, v1;
  };
  // Stage 1 reads texel (0, 0) at (1/16, 1/16); the map moves it by
  // (0.2 x 0.5, 0.25 x 0.5) = (0.1, 0.125) into texel (1, 1).
  const float s = 1.0f / 16.0f;
  const V quad[4] = {{0, 64, 0, 1, 0.5f, 0.5f, s, s},
                     {0, 0, 0, 1, 0.5f, 0.5f, s, s},
                     {64, 64, 0, 1, 0.5f, 0.5f, s, s},
                     {64, 0, 0, 1, 0.5f, 0.5f, s, s}};
  Pixels px = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZRHW | D3DFVF_TEX2);
  EXPECT_TRUE(Near(px.at(32, 32), kGreen)) << std::hex << px.at(32, 32);
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, F(0.0f));
  dev_->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, F(0.0f));
  px = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZRHW | D3DFVF_TEX2);
  EXPECT_TRUE(Near(px.at(32, 32), kRed)) << std::hex << px.at(32, 32);
}

TEST_F(DeviceFeatures, CameraSpacePositionThroughTextureOne) {
  ComPtr<IDirect3DTexture9> quadrants =
      Texture(2, 2, [](UINT x, UINT y) { return y == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite); });
  D3DXMATRIX view, m;
  D3DXMatrixTranslation(&view, 0.0f, 0.0f, 0.5f);  // camera space z 0.5
  dev_->SetTransform(D3DTS_VIEW, &view);
  D3DXMatrixIdentity(&m);
  m._11 = 0.5f;
  m._22 = -0.5f;
  m._41 = 0.5f;
  m._42 = 0.5f;
  dev_->SetTransform(D3DTS_TEXTURE1, &m);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  dev_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  dev_->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
  dev_->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
  dev_->SetTexture(1, quadrants);
  struct V {
    float x, y, z;
  };
  const V quad[4] = {{-1, -1, 0}, {-1, 1, 0}, {1, -1, 0}, {1, 1, 0}};
  Pixels px = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZ);
  EXPECT_TRUE(Near(px.at(16, 16), kRed)) << std::hex << px.at(16, 16);
  EXPECT_TRUE(Near(px.at(48, 16), kGreen)) << std::hex << px.at(48, 16);
  EXPECT_TRUE(Near(px.at(16, 48), kBlue)) << std::hex << px.at(16, 48);
  EXPECT_TRUE(Near(px.at(48, 48), kWhite)) << std::hex << px.at(48, 48);
}

TEST_F(DeviceFeatures, TextureSelectedPlusSpecular) {
  ComPtr<IDirect3DTexture9> grey = Texture(1, 1, [](UINT, UINT) { return 0xFF404040u; });
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
  light.Specular = D3DCOLORVALUE{1, 1, 1, 1};
  light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
  dev_->SetLight(0, &light);
  dev_->LightEnable(0, TRUE);
  D3DMATERIAL9 material{};
  material.Diffuse = D3DCOLORVALUE{0, 0, 0, 1};
  material.Specular = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 0};
  material.Power = 40.0f;
  dev_->SetMaterial(&material);
  dev_->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev_->SetTexture(0, grey);
  struct V {
    float x, y, z, nx, ny, nz;
    float u, v;
  };
  const V quad[4] = {{-1, -1, 0.5f, 0, 0, -1, 0, 1},
                     {-1, 1, 0.5f, 0, 0, -1, 0, 0},
                     {1, -1, 0.5f, 0, 0, -1, 1, 1},
                     {1, 1, 0.5f, 0, 0, -1, 1, 0}};
  Pixels plain = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  EXPECT_TRUE(Near(plain.at(32, 32), 0xFF404040u)) << std::hex << plain.at(32, 32);
  dev_->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
  // Lighting is per vertex: with a local viewer the quad's corners would
  // see the highlight from the side. An infinitely far viewer sees it whole.
  dev_->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
  Pixels lit = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  EXPECT_TRUE(Near(lit.at(32, 32), 0xFFC0C0C0u, 6)) << std::hex << lit.at(32, 32);
  // A light from the side gives no highlight towards the eye.
  light.Direction = D3DVECTOR{1.0f, 0.0f, 0.2f};
  dev_->SetLight(0, &light);
  Pixels side = Draw(D3DPT_TRIANGLESTRIP, 2, quad, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
  EXPECT_TRUE(Near(side.at(32, 32), 0xFF404040u)) << std::hex << side.at(32, 32);
  dev_->SetRenderState(D3DRS_LOCALVIEWER, TRUE);
}

TEST_F(DeviceFeatures, DynamicDefaultPoolBufferLockedWithDiscard) {
  ComPtr<IDirect3DVertexBuffer9> vb;
  ASSERT_EQ(dev_->CreateVertexBuffer(4 * sizeof(WaterVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, WaterVertex::FVF,
                                     D3DPOOL_DEFAULT, vb.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  auto fill = [&](D3DCOLOR colour) {
    void* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    const float pos[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
    auto* v = static_cast<WaterVertex*>(p);
    for (int i = 0; i < 4; ++i) v[i] = WaterVertex{pos[i][0], pos[i][1], 0.5f, 0, 0, -1, colour, 0, 0};
    vb->Unlock();
  };
  for (D3DCOLOR colour : {kGreen, kRed}) {
    fill(colour);
    ASSERT_EQ(dev_->BeginScene(), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    dev_->SetFVF(WaterVertex::FVF);
    dev_->SetStreamSource(0, vb, 0, sizeof(WaterVertex));
    ASSERT_EQ(dev_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    ASSERT_EQ(dev_->EndScene(), D3D_OK);
    Pixels px = ReadBackBuffer();
    EXPECT_TRUE(Near(px.at(32, 32), colour)) << std::hex << px.at(32, 32);
  }
  dev_->SetStreamSource(0, nullptr, 0, 0);
}

TEST_F(DeviceFeatures, IndexedRingStripCoversTheGrid) {
  const int n = 8;  // 8 x 8 nodes over the whole screen
  std::vector<uint16_t> indices = WaterGrid::RingStripIndices(n, n);
  ComPtr<IDirect3DIndexBuffer9> ib;
  ComPtr<IDirect3DVertexBuffer9> vb;
  ASSERT_EQ(dev_->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                    D3DPOOL_DEFAULT, ib.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  void* p = nullptr;
  ASSERT_EQ(ib->Lock(0, 0, &p, 0), D3D_OK);
  std::memcpy(p, indices.data(), indices.size() * 2);
  ib->Unlock();
  struct V {
    float x, y, z;
    D3DCOLOR c;
  };
  ASSERT_EQ(dev_->CreateVertexBuffer(n * n * sizeof(V), D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                     D3DPOOL_DEFAULT, vb.ReleaseAndGetAddressOf(), nullptr),
            D3D_OK);
  ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
  auto* v = static_cast<V*>(p);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      v[r * n + c] = V{-1.0f + 2.0f * c / (n - 1), 1.0f - 2.0f * r / (n - 1), 0.5f, kWhite};
  vb->Unlock();
  dev_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  dev_->SetStreamSource(0, vb, 0, sizeof(V));
  dev_->SetIndices(ib);
  ASSERT_EQ(dev_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, n * n, 0, 2 * n * n - 2), D3D_OK);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  Pixels px = ReadBackBuffer();
  int holes = 0;
  for (UINT y = 1; y < kBack - 1; ++y)
    for (UINT x = 1; x < kBack - 1; ++x) holes += Near(px.at(x, y), kWhite) ? 0 : 1;
  EXPECT_EQ(holes, 0);
  dev_->SetStreamSource(0, nullptr, 0, 0);
  dev_->SetIndices(nullptr);
}

}  // namespace
