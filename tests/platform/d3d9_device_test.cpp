// Device creation, states, clearing, render targets and device loss.
#include <cstring>

#include "platform/win32/windows.h"
#include "tests/platform/d3d9_fixture.h"

namespace {

TEST_F(D3D9Test, ClearFillsTheViewportAndIgnoresTheColourWriteMask) {
  ASSERT_EQ(dev_->SetRenderState(D3DRS_COLORWRITEENABLE, 0), D3D_OK);
  D3DVIEWPORT9 vp = {8, 16, 20, 10, 0.f, 1.f};
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.f, 0), D3D_OK);
  ASSERT_EQ(dev_->SetViewport(&vp), D3D_OK);
  ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFC08040, 1.f, 0), D3D_OK);
  EXPECT_TRUE(Near(Pixel(8, 16), 0xFFC08040, 0));
  EXPECT_TRUE(Near(Pixel(27, 25), 0xFFC08040, 0));
  EXPECT_TRUE(Near(Pixel(7, 16), 0xFF102030, 0));
  EXPECT_TRUE(Near(Pixel(28, 25), 0xFF102030, 0));
  EXPECT_TRUE(Near(Pixel(8, 26), 0xFF102030, 0));
}

TEST_F(D3D9Test, PretransformedQuadCoversExactlyItsPixels) {
  Begin();
  TLVertex v[4];
  ScreenQuad(v, 10, 20, 30, 25, 0xFF00FF00);
  ASSERT_EQ(dev_->SetFVF(kTLFVF), D3D_OK);
  ASSERT_EQ(dev_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
  ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(10, 20), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(29, 24), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(9, 20), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(30, 20), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(10, 19), 0xFF000000, 0));
  EXPECT_TRUE(Near(Pixel(10, 25), 0xFF000000, 0));
}

// Edges that run exactly through pixel centres: the top and left rows of
// centres are drawn, the bottom and right ones are not (Direct3D's top-left
// rule), for pre-transformed and for transformed vertices alike.
TEST_F(D3D9Test, EdgesThroughPixelCentresFollowTheTopLeftRule) {
  struct V {
    float x, y, z;
    D3DCOLOR c;
  };
  for (bool transformed : {false, true}) {
    SCOPED_TRACE(transformed ? "transformed" : "pre-transformed");
    Begin();
    ASSERT_EQ(dev_->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);
    if (transformed) {
      D3DMATRIX identity{}, projection{};
      for (int i = 0; i < 4; ++i) identity.m[i][i] = 1.0f;
      // Target pixels to clip space, y down: x' = 2x / w - 1, y' = 1 - 2y / h.
      projection.m[0][0] = 2.0f / kW;
      projection.m[1][1] = -2.0f / kH;
      projection.m[2][2] = 1.0f;
      projection.m[3][0] = -1.0f;
      projection.m[3][1] = 1.0f;
      projection.m[3][3] = 1.0f;
      dev_->SetTransform(D3DTS_WORLD, &identity);
      dev_->SetTransform(D3DTS_VIEW, &identity);
      dev_->SetTransform(D3DTS_PROJECTION, &projection);
      const V v[4] = {{10, 20, 0.5f, 0xFF00FF00}, {30, 20, 0.5f, 0xFF00FF00}, {10, 25, 0.5f, 0xFF00FF00},
                      {30, 25, 0.5f, 0xFF00FF00}};
      ASSERT_EQ(dev_->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE), D3D_OK);
      ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(V)), D3D_OK);
    } else {
      TLVertex v[4];
      ScreenQuad(v, 10.5f, 20.5f, 30.5f, 25.5f, 0xFF00FF00);  // corners at 10, 20 and 30, 25
      ASSERT_EQ(dev_->SetFVF(kTLFVF), D3D_OK);
      ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
    }
    End();
    EXPECT_TRUE(Near(Pixel(10, 20), 0xFF00FF00, 0));
    EXPECT_TRUE(Near(Pixel(29, 24), 0xFF00FF00, 0));
    EXPECT_TRUE(Near(Pixel(20, 19), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(20, 25), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(9, 22), 0xFF000000, 0));
    EXPECT_TRUE(Near(Pixel(30, 22), 0xFF000000, 0));
  }
}

DWORD FloatBits(float f) {
  DWORD d;
  std::memcpy(&d, &f, 4);
  return d;
}

// The states of a new or reset device, as Direct3D 9 has them.
void ExpectDefaultStates(IDirect3DDevice9* dev) {
  struct RS {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const RS render[] = {
      {D3DRS_ZENABLE, D3DZB_TRUE},  // the device has an automatic depth buffer
      {D3DRS_FILLMODE, D3DFILL_SOLID},
      {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
      {D3DRS_ZWRITEENABLE, TRUE},
      {D3DRS_ALPHATESTENABLE, FALSE},
      {D3DRS_SRCBLEND, D3DBLEND_ONE},
      {D3DRS_DESTBLEND, D3DBLEND_ZERO},
      {D3DRS_CULLMODE, D3DCULL_CCW},
      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
      {D3DRS_ALPHAFUNC, D3DCMP_ALWAYS},
      {D3DRS_DITHERENABLE, FALSE},
      {D3DRS_ALPHABLENDENABLE, FALSE},
      {D3DRS_SPECULARENABLE, FALSE},
      {D3DRS_LIGHTING, TRUE},
      {D3DRS_AMBIENT, 0},
      {D3DRS_COLORVERTEX, TRUE},
      {D3DRS_LOCALVIEWER, TRUE},
      {D3DRS_NORMALIZENORMALS, FALSE},
      {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
      {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
      {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRS_CLIPPLANEENABLE, 0},
      {D3DRS_COLORWRITEENABLE, 0xF},
      {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
      {D3DRS_STENCILMASK, 0xFFFFFFFF},
      {D3DRS_BLENDOP, D3DBLENDOP_ADD},
      {D3DRS_POINTSIZE_MAX, FloatBits(64.f)},
      {D3DRS_FOGEND, FloatBits(1.f)},
  };
  for (const RS& r : render) {
    DWORD v = 0xBAD;
    ASSERT_EQ(dev->GetRenderState(r.state, &v), D3D_OK);
    EXPECT_EQ(v, r.value) << "render state " << r.state;
  }
  for (DWORD s = 0; s < 4; ++s) {
    DWORD v = 0;
    const std::pair<D3DSAMPLERSTATETYPE, DWORD> sampler[] = {{D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP},
                                                             {D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP},
                                                             {D3DSAMP_MAGFILTER, D3DTEXF_POINT},
                                                             {D3DSAMP_MINFILTER, D3DTEXF_POINT},
                                                             {D3DSAMP_MIPFILTER, D3DTEXF_NONE}};
    for (auto& [type, value] : sampler) {
      ASSERT_EQ(dev->GetSamplerState(s, type, &v), D3D_OK);
      EXPECT_EQ(v, value) << "sampler " << s << " state " << type;
    }
    const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stage[] = {
        {D3DTSS_COLOROP, s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE},
        {D3DTSS_ALPHAOP, s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE},
        {D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_CURRENT},
        {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
        {D3DTSS_ALPHAARG2, D3DTA_CURRENT},
        {D3DTSS_TEXCOORDINDEX, s},
        {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
        {D3DTSS_BUMPENVMAT00, 0}};
    for (auto& [type, value] : stage) {
      ASSERT_EQ(dev->GetTextureStageState(s, type, &v), D3D_OK);
      EXPECT_EQ(v, value) << "stage " << s << " state " << type;
    }
    IDirect3DBaseTexture9* t = reinterpret_cast<IDirect3DBaseTexture9*>(1);
    ASSERT_EQ(dev->GetTexture(s, &t), D3D_OK);
    EXPECT_EQ(t, nullptr);
  }
  D3DMATRIX m;
  for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1}) {
    ASSERT_EQ(dev->GetTransform(t, &m), D3D_OK);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) EXPECT_EQ(m.m[i][j], i == j ? 1.f : 0.f) << "transform " << t;
  }
}

void ChangeStates(IDirect3DDevice9* dev) {
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  dev->SetRenderState(D3DRS_COLORWRITEENABLE, 7);
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 1);
  dev->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
  D3DMATRIX m{};
  m._11 = 2.f;
  dev->SetTransform(D3DTS_VIEW, &m);
}

TEST_F(D3D9Test, NewAndResetDevicesHaveTheDefaultStates) {
  ExpectDefaultStates(dev_);
  ChangeStates(dev_);
  DWORD v = 0;
  dev_->GetRenderState(D3DRS_CLIPPLANEENABLE, &v);
  EXPECT_EQ(v, 1u);  // kept and returned
  dev_->GetTextureStageState(0, D3DTSS_TEXCOORDINDEX, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTSS_TCI_CAMERASPACEPOSITION | 1));
  D3DPRESENT_PARAMETERS pp = Params();
  back_->Release();
  back_ = nullptr;
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  ExpectDefaultStates(dev_);
}

TEST_F(D3D9Test, ResetKeepsManagedResourcesAndNeedsDefaultOnesReleased) {
  IDirect3DTexture9* managed = MakeTexture(dev_, 2, 1, {0xFF112233, 0xFF445566});
  ASSERT_NE(managed, nullptr);
  IDirect3DTexture9* target = nullptr;
  IDirect3DVertexBuffer9* dynamic = nullptr;
  ASSERT_EQ(dev_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  ASSERT_EQ(dev_->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &dynamic, nullptr),
            D3D_OK);
  EXPECT_EQ(D3D9_DefaultPoolResourceCount(dev_), 2u);

  D3D9_SimulateDeviceLoss(dev_);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

  back_->Release();
  back_ = nullptr;
  D3DPRESENT_PARAMETERS pp = Params(48, 32);
  EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL);  // default-pool resources still alive
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  target->Release();
  dynamic->Release();
  EXPECT_EQ(D3D9_DefaultPoolResourceCount(dev_), 0u);
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  // The new back buffer has the new size; the managed texture kept its pixels.
  ASSERT_EQ(dev_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back_), D3D_OK);
  D3DSURFACE_DESC d;
  back_->GetDesc(&d);
  EXPECT_EQ(d.Width, 48u);
  EXPECT_EQ(d.Height, 32u);
  D3DVIEWPORT9 vp;
  dev_->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 48u);
  EXPECT_EQ(vp.Height, 32u);
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetTexture(0, managed);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  TLVertex v[4];
  ScreenQuad(v, 0, 0, 48, 32, 0xFFFFFFFF);
  dev_->SetFVF(kTLFVF);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
  ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
  EXPECT_TRUE(Near(Pixel(4, 16), 0xFF112233));
  EXPECT_TRUE(Near(Pixel(40, 16), 0xFF445566));
  dev_->SetTexture(0, nullptr);
  managed->Release();
}

TEST_F(D3D9Test, CapsAndFormatsAcceptWhatTheShellAsks) {
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP);
  EXPECT_EQ(caps.MaxTextureWidth, 4096u);
  EXPECT_EQ(caps.MaxTextureHeight, 4096u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
  EXPECT_GT(mode.Width, 0u);
  struct Case {
    DWORD usage;
    D3DRESOURCETYPE type;
    D3DFORMAT format;
    HRESULT want;
  };
  const Case cases[] = {
      {D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, D3DFMT_A8R8G8B8, D3D_OK},
      {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, D3D_OK},
      {0, D3DRTYPE_TEXTURE, D3DFMT_V8U8, D3D_OK},
      {0, D3DRTYPE_TEXTURE, D3DFMT_DXT1, D3D_OK},
      {0, D3DRTYPE_TEXTURE, D3DFMT_V16U16, D3D_OK},
      {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, D3D_OK},
      {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_V8U8, D3DERR_NOTAVAILABLE},
      {0, D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(MAKEFOURCC('A', 'B', 'C', 'D')), D3DERR_NOTAVAILABLE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(d3d_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, c.usage, c.type, c.format),
              c.want)
        << "format " << c.format << " usage " << c.usage;
}

TEST_F(D3D9Test, TargetsLargerThanTheCapsFailToCreate) {
  IDirect3DTexture9* t = nullptr;
  EXPECT_EQ(dev_->CreateTexture(4097, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(t, nullptr);
  IDirect3DSurface9* s = nullptr;
  EXPECT_EQ(dev_->CreateRenderTarget(16, 8192, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &s, nullptr),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(dev_->CreateTexture(4096, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
            D3D_OK);
  t->Release();
  // Other refusals: a render target outside the default pool, unknown formats.
  EXPECT_EQ(dev_->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->CreateTexture(16, 16, 1, 0, static_cast<D3DFORMAT>(12345), D3DPOOL_MANAGED, &t, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(D3D9Test, TextureLevelsLocksAndDescriptions) {
  IDirect3DTexture9* t = nullptr;
  ASSERT_EQ(dev_->CreateTexture(64, 32, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
  EXPECT_EQ(t->GetLevelCount(), 7u);
  D3DSURFACE_DESC d;
  ASSERT_EQ(t->GetLevelDesc(3, &d), D3D_OK);
  EXPECT_EQ(d.Width, 8u);
  EXPECT_EQ(d.Height, 4u);
  EXPECT_EQ(d.Format, D3DFMT_DXT1);
  EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(t->GetLevelDesc(7, &d), D3DERR_INVALIDCALL);
  // The lock gives the compressed blocks: 16 blocks of 8 bytes per row.
  D3DLOCKED_RECT lr;
  ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 128);
  EXPECT_EQ(t->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  // Every block: colour 0 = pure red (F800), colour 1 = black, all texels code 0.
  for (int by = 0; by < 8; ++by)
    for (int bx = 0; bx < 16; ++bx) {
      uint8_t* b = static_cast<uint8_t*>(lr.pBits) + by * lr.Pitch + bx * 8;
      const uint8_t block[8] = {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0};
      std::memcpy(b, block, 8);
    }
  ASSERT_EQ(t->UnlockRect(0), D3D_OK);
  EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL);
  // The 1 x 1 level still holds one whole block.
  ASSERT_EQ(t->LockRect(6, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(lr.Pitch, 8);
  ASSERT_EQ(t->UnlockRect(6), D3D_OK);
  IDirect3DSurface9* top = nullptr;
  ASSERT_EQ(t->GetSurfaceLevel(0, &top), D3D_OK);
  EXPECT_TRUE(Near(PixelOf(top, 63, 31), 0xFFFF0000, 0));
  // A sub-rectangle lock of a block texture points at its block.
  RECT r = {8, 4, 16, 8};
  ASSERT_EQ(top->LockRect(&lr, &r, D3DLOCK_READONLY), D3D_OK);
  ASSERT_EQ(top->UnlockRect(), D3D_OK);
  IDirect3DTexture9* container = nullptr;
  ASSERT_EQ(top->GetContainer(IID_IDirect3DTexture9, reinterpret_cast<void**>(&container)), D3D_OK);
  EXPECT_EQ(container, t);
  container->Release();
  top->Release();
  // Drawn, the block texture shows its decoded colour.
  dev_->SetRenderState(D3DRS_LIGHTING, FALSE);
  dev_->SetTexture(0, t);
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  TLVertex v[4];
  ScreenQuad(v, 0, 0, 64, 64, 0xFFFFFFFF);
  dev_->SetFVF(kTLFVF);
  Begin();
  ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, v, sizeof(TLVertex)), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(32, 32), 0xFFFF0000));
  dev_->SetTexture(0, nullptr);
  EXPECT_EQ(t->Release(), 0u);
}

TEST_F(D3D9Test, PrivateDataIsStoredAndReturned) {
  IDirect3DTexture9* t = MakeTexture(dev_, 1, 1, {0});
  const GUID key = {0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
  const GUID other = {0x87654321, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
  const uint32_t value[2] = {0xCAFEF00D, 42};
  ASSERT_EQ(t->SetPrivateData(key, value, sizeof(value), 0), D3D_OK);
  DWORD size = 0;
  ASSERT_EQ(t->GetPrivateData(key, nullptr, &size), D3D_OK);
  EXPECT_EQ(size, sizeof(value));
  uint32_t small = 0;
  size = sizeof(small);
  EXPECT_EQ(t->GetPrivateData(key, &small, &size), D3DERR_MOREDATA);
  EXPECT_EQ(size, sizeof(value));
  uint32_t out[2] = {};
  size = sizeof(out);
  ASSERT_EQ(t->GetPrivateData(key, out, &size), D3D_OK);
  EXPECT_EQ(out[0], value[0]);
  EXPECT_EQ(out[1], value[1]);
  EXPECT_EQ(t->GetPrivateData(other, out, &size), D3DERR_NOTFOUND);
  // An interface stored with D3DSPD_IUNKNOWN is held until freed.
  IDirect3DTexture9* held = MakeTexture(dev_, 1, 1, {0});
  ASSERT_EQ(t->SetPrivateData(other, &held, sizeof(held), D3DSPD_IUNKNOWN), D3D_OK);
  EXPECT_EQ(held->Release(), 1u);
  ASSERT_EQ(t->FreePrivateData(other), D3D_OK);
  EXPECT_EQ(t->FreePrivateData(other), D3DERR_NOTFOUND);
  t->Release();
}

TEST_F(D3D9Test, CopiesBetweenSurfaces) {
  IDirect3DSurface9* rt = nullptr;
  IDirect3DSurface9* sys = nullptr;
  ASSERT_EQ(dev_->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &rt, nullptr), D3D_OK);
  ASSERT_EQ(dev_->CreateOffscreenPlainSurface(8, 8, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &sys, nullptr), D3D_OK);
  RECT left = {0, 0, 4, 8};
  ASSERT_EQ(dev_->ColorFill(rt, nullptr, 0x800000FF), D3D_OK);
  ASSERT_EQ(dev_->ColorFill(rt, &left, 0xFF00FF00), D3D_OK);
  ASSERT_EQ(dev_->GetRenderTargetData(rt, sys), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  const uint32_t* row = static_cast<const uint32_t*>(lr.pBits);
  EXPECT_EQ(row[0], 0xFF00FF00u);
  EXPECT_EQ(row[7], 0x800000FFu);
  sys->UnlockRect();
  // Stretched over the whole back buffer: the left half green, the right blue.
  ASSERT_EQ(dev_->StretchRect(rt, nullptr, back_, nullptr, D3DTEXF_POINT), D3D_OK);
  EXPECT_TRUE(Near(Pixel(10, 40), 0xFF00FF00, 0));
  EXPECT_TRUE(Near(Pixel(50, 40), 0xFF0000FF, 0));
  // Into a lockable texture level the copy is seen by a lock as well.
  IDirect3DTexture9* tex = MakeTexture(dev_, 2, 2, {0, 0, 0, 0});
  IDirect3DSurface9* level = nullptr;
  tex->GetSurfaceLevel(0, &level);
  ASSERT_EQ(dev_->StretchRect(rt, nullptr, level, nullptr, D3DTEXF_POINT), D3D_OK);
  ASSERT_EQ(level->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(static_cast<const uint32_t*>(lr.pBits)[0], 0xFF00FF00u);
  EXPECT_EQ(static_cast<const uint32_t*>(lr.pBits)[1], 0x800000FFu);
  level->UnlockRect();
  level->Release();
  tex->Release();
  RECT bad = {0, 0, 9, 8};
  EXPECT_EQ(dev_->StretchRect(rt, &bad, back_, nullptr, D3DTEXF_POINT), D3DERR_INVALIDCALL);
  EXPECT_EQ(dev_->GetRenderTargetData(rt, back_), D3DERR_INVALIDCALL);
  EXPECT_EQ(sys->LockRect(&lr, &bad, 0), D3DERR_INVALIDCALL);
  rt->Release();
  sys->Release();
}

TEST(D3D9Window, DeviceDrawsIntoTheWindowOfAnHwnd) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"d3d9-test";
  RegisterClassExW(&wc);
  HWND hwnd = CreateWindowExW(0, u"d3d9-test", u"d3d9", 0, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hwnd;
  IDirect3DDevice9* dev = nullptr;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev),
            D3D_OK);
  // A back buffer of size 0 takes the window's.
  EXPECT_GT(pp.BackBufferWidth, 0u);
  IDirect3DSurface9* bb = nullptr;
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
  D3DSURFACE_DESC d;
  bb->GetDesc(&d);
  EXPECT_EQ(d.Width, pp.BackBufferWidth);
  EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(d.Usage, static_cast<DWORD>(D3DUSAGE_RENDERTARGET));
  ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.f, 0), D3D_OK);
  EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  std::vector<uint8_t> px = D3D9_ReadBack(bb);
  ASSERT_FALSE(px.empty());
  EXPECT_EQ(px[0], 0x99);
  EXPECT_EQ(px[1], 0x66);
  EXPECT_EQ(px[2], 0x33);
  bb->Release();
  EXPECT_EQ(dev->Release(), 0u);
  d3d->Release();
  DestroyWindow(hwnd);
}

}  // namespace
