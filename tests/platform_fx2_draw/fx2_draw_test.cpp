// Compiled effects (fx_2_0 from the test writer) drawn through the device and
// read back: one table case per behaviour of the effect runtime.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_effect.h"
#include "tests/platform/d3d9_fixture.h"
#include "tests/platform_fx2_draw/fx2_effects.h"

namespace {

using namespace fx2_effects;

// Clip-space vertex for passes with a vertex shader.
struct ClipVertex {
  float x, y, z;
  D3DCOLOR c;
  float u, v;
};
constexpr DWORD kClipFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Probe {
  int x, y;
  D3DCOLOR want;
};

struct DrawCase {
  const char* name;
  pw::Fx2Effect effect;
  bool screenQuad = false;                          // pre-transformed pixels instead of clip space
  float uvScale = 1.f;
  float z = 0.5f;                                   // clip-space depth of the quad
  D3DCOLOR vertexColour = 0xFFFFFFFF;
  D3DCOLOR clear = 0xFF000000;
  std::function<void(ID3DXEffect*)> before;         // after creation
  std::function<void(ID3DXEffect*, UINT)> inPass;   // inside each pass, before the draw
  std::vector<Probe> probes;
};

class Fx2DrawTest : public D3D9Test {
 protected:
  void TearDown() override {
    if (texture_) EXPECT_EQ(texture_->Release(), 0u);
    D3D9Test::TearDown();
  }

  // Red, green / blue, white.
  IDirect3DTexture9* Quadrants() {
    if (!texture_) texture_ = MakeTexture(dev_, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    return texture_;
  }

  void Draw(const DrawCase& c, ID3DXEffect* fx) {
    Begin(c.clear);
    ClipVertex clip[4] = {{-1, 1, c.z, c.vertexColour, 0, 0},
                          {1, 1, c.z, c.vertexColour, c.uvScale, 0},
                          {-1, -1, c.z, c.vertexColour, 0, c.uvScale},
                          {1, -1, c.z, c.vertexColour, c.uvScale, c.uvScale}};
    TLVertex screen[4];
    ScreenQuad(screen, 0, 0, kW, kH, c.vertexColour, 0, 0, c.uvScale, c.uvScale);
    dev_->SetFVF(c.screenQuad ? kTLFVF : kClipFVF);
    UINT passes = 0;
    ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
    for (UINT p = 0; p < passes; ++p) {
      ASSERT_EQ(fx->BeginPass(p), D3D_OK);
      if (c.inPass) c.inPass(fx, p);
      if (c.screenQuad) EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, screen, sizeof(TLVertex)), D3D_OK);
      else EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, clip, sizeof(ClipVertex)), D3D_OK);
      ASSERT_EQ(fx->EndPass(), D3D_OK);
    }
    ASSERT_EQ(fx->End(), D3D_OK);
    End();
  }

  IDirect3DTexture9* texture_ = nullptr;
};

D3DXMATRIX RightHalf() {
  D3DXMATRIX m;  // x' = 0.5 x + 0.5, row-vector convention
  D3DXMatrixIdentity(&m);
  m._11 = 0.5f;
  m._41 = 0.5f;
  return m;
}

TEST_F(Fx2DrawTest, PassesDrawAsAuthored) {
  std::vector<DrawCase> cases;
  {
    DrawCase c{"constant colour", ColourEffect({0, 1, 0, 1})};
    c.probes = {{0, 0, 0xFF00FF00}, {32, 32, 0xFF00FF00}, {63, 63, 0xFF00FF00}};
    cases.push_back(c);
  }
  {
    // u and v run 0..2: point filtering keeps texels apart, clamping repeats
    // the last row and column, and texel (0, 0) lands top left.
    DrawCase c{"textured, point filter and clamp", TexturedEffect(1, 3)};
    c.uvScale = 2;
    c.before = [this](ID3DXEffect* fx) { ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK); };
    c.probes = {{8, 8, 0xFFFF0000}, {14, 8, 0xFFFF0000}, {24, 8, 0xFF00FF00}, {40, 8, 0xFF00FF00},
                {8, 40, 0xFF0000FF}, {40, 40, 0xFFFFFFFF}};
    cases.push_back(c);
  }
  {
    // Linear filtering and wrapping: halfway between red and green, then red again.
    DrawCase c{"textured, linear filter and wrap", TexturedEffect(2, 1)};
    c.uvScale = 2;
    c.before = [this](ID3DXEffect* fx) { ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK); };
    c.probes = {{16, 8, 0xFF808000}, {40, 8, 0xFFFF0000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"null texture samples opaque black", TexturedEffect(1, 3)};
    c.clear = 0xFFFFFFFF;
    c.probes = {{32, 32, 0xFF000000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"matrix parameter", MatrixEffect()};
    c.before = [](ID3DXEffect* fx) {
      D3DXMATRIX m = RightHalf();
      ASSERT_EQ(fx->SetMatrix("WorldViewProj", &m), D3D_OK);
    };
    c.probes = {{8, 32, 0xFF000000}, {31, 32, 0xFF000000}, {33, 32, 0xFF00FF00}, {56, 32, 0xFF00FF00}};
    cases.push_back(c);
  }
  {
    DrawCase c{"row-major matrix parameter", MatrixEffect(true)};
    c.before = [](ID3DXEffect* fx) {
      D3DXMATRIX m = RightHalf();
      ASSERT_EQ(fx->SetMatrix("WorldViewProj", &m), D3D_OK);
    };
    c.probes = {{31, 32, 0xFF000000}, {33, 32, 0xFF00FF00}};
    cases.push_back(c);
  }
  {
    // One register per array element: 0.125 + 0.25 + 0.0625 of red.
    DrawCase c{"float array parameter", ArrayEffect({0.125f, 0.25f, 0.0625f})};
    c.probes = {{32, 32, 0xFF700000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"float array set by SetFloatArray", ArrayEffect({0, 0, 0})};
    c.before = [](ID3DXEffect* fx) {
      const float w[3] = {0.5f, 0.25f, 0.125f};
      ASSERT_EQ(fx->SetFloatArray("Weights", w, 3), D3D_OK);
    };
    c.probes = {{32, 32, 0xFFE00000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"blending from the pass", AdditiveEffect({0.25f, 0.25f, 0.25f, 1}, 1)};
    c.clear = 0xFF404040;
    c.probes = {{32, 32, 0xFF808080}};
    cases.push_back(c);
  }
  {
    DrawCase c{"two passes", AdditiveEffect({0.25f, 0, 0.5f, 1}, 2)};
    c.probes = {{32, 32, 0xFF8000FF}};
    cases.push_back(c);
  }
  {
    DrawCase c{"set inside the pass with CommitChanges", ColourEffect({0, 1, 0, 1})};
    c.inPass = [](ID3DXEffect* fx, UINT) {
      D3DXVECTOR4 red(1, 0, 0, 1);
      ASSERT_EQ(fx->SetVector("Colour", &red), D3D_OK);
      ASSERT_EQ(fx->CommitChanges(), D3D_OK);
    };
    c.probes = {{32, 32, 0xFFFF0000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"set inside the pass without CommitChanges", ColourEffect({0, 1, 0, 1})};
    c.inPass = [](ID3DXEffect* fx, UINT) {
      D3DXVECTOR4 red(1, 0, 0, 1);
      ASSERT_EQ(fx->SetVector("Colour", &red), D3D_OK);
    };
    c.probes = {{32, 32, 0xFF00FF00}};
    cases.push_back(c);
  }
  {
    DrawCase c{"set before Begin", ColourEffect({0, 1, 0, 1})};
    c.before = [](ID3DXEffect* fx) { ASSERT_EQ(fx->SetFloatArray("Colour", std::vector<float>{0, 0, 1, 1}.data(), 4), D3D_OK); };
    c.probes = {{32, 32, 0xFF0000FF}};
    cases.push_back(c);
  }
  {
    DrawCase c{"technique chosen by name", TwoTechniques()};
    c.before = [](ID3DXEffect* fx) {
      D3DXHANDLE t = fx->GetTechniqueByName("Blue");
      ASSERT_NE(t, nullptr);
      ASSERT_EQ(fx->SetTechnique(t), D3D_OK);
      EXPECT_STREQ(fx->GetCurrentTechnique(), "Blue");
    };
    c.probes = {{32, 32, 0xFF0000FF}};
    cases.push_back(c);
  }
  {
    // No vertex shader: the fixed-function stage places pre-transformed
    // pixels and hands on colour and texture coordinates.
    DrawCase c{"fixed-function vertex stage with ps_2_0", PixelOnlyEffect()};
    c.screenQuad = true;
    c.vertexColour = 0xFF808080;
    c.before = [this](ID3DXEffect* fx) { ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK); };
    c.probes = {{0, 0, 0xFF800000}, {63, 0, 0xFF008000}, {0, 63, 0xFF000080}, {63, 63, 0xFF808080}};
    cases.push_back(c);
  }
  {
    // The vertex shader writes a texture coordinate and a colour; the pixel
    // shader reads both by their usage.
    DrawCase c{"vs_3_0 and ps_3_0", ShaderModel3Effect()};
    c.probes = {{8, 32, 0xFF200000}, {56, 32, 0xFFDF0000}};
    cases.push_back(c);
  }
  {
    DrawCase c{"ps_3_0 lookup at a level", LevelLookupEffect()};
    c.before = [this](ID3DXEffect* fx) { ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK); };
    c.probes = {{8, 8, 0xFFFF0000}, {56, 8, 0xFF00FF00}, {8, 56, 0xFF0000FF}};
    cases.push_back(c);
  }
  {
    // vPos counts whole pixels from the top left.
    DrawCase c{"ps_3_0 pixel position", PixelPositionEffect()};
    c.probes = {{31, 31, 0xFF000000}, {32, 31, 0xFFFF0000}, {31, 32, 0xFF00FF00}, {32, 32, 0xFFFFFF00}};
    cases.push_back(c);
  }
  {
    // A pass without shaders draws with the device's fixed-function stages
    // and the pass's blend states.
    DrawCase c{"fixed-function pass", FixedFunctionEffect()};
    c.screenQuad = true;
    c.vertexColour = 0xFF402010;
    c.clear = 0xFF404040;
    c.probes = {{32, 32, 0xFF806050}};
    cases.push_back(c);
  }
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = pw::WriteFx2(c.effect);
    ID3DXEffect* fx = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr,
                                  &fx, &errors);
    ASSERT_EQ(hr, D3D_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (c.before) c.before(fx);
    Draw(c, fx);
    for (const Probe& p : c.probes) EXPECT_TRUE(Near(Pixel(p.x, p.y), p.want, 4)) << p.x << "," << p.y;
    fx->SetTexture("Picture", nullptr);
    EXPECT_EQ(fx->Release(), 0u);
  }
}

// What a technique's passes set is put back at End.
TEST_F(Fx2DrawTest, EndRestoresStatesAndTextures) {
  std::vector<uint8_t> bytes = pw::WriteFx2(AdditiveEffect({0.25f, 0, 0, 1}, 1));
  ID3DXEffect* fx = nullptr;
  ASSERT_EQ(D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr, &fx,
                             nullptr),
            D3D_OK);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  UINT passes = 0;
  ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(fx->BeginPass(0), D3D_OK);
  DWORD v = 0;
  dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, 1u);
  EXPECT_EQ(fx->BeginPass(0), D3DERR_INVALIDCALL) << "one pass at a time";
  ASSERT_EQ(fx->EndPass(), D3D_OK);
  ASSERT_EQ(fx->End(), D3D_OK);
  dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, 0u);
  dev_->GetRenderState(D3DRS_SRCBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  EXPECT_EQ(fx->Release(), 0u);

  bytes = pw::WriteFx2(TexturedEffect(1, 3));
  ASSERT_EQ(D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr, &fx,
                             nullptr),
            D3D_OK);
  ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK);
  dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(fx->BeginPass(0), D3D_OK);
  IDirect3DBaseTexture9* bound = nullptr;
  dev_->GetTexture(0, &bound);
  EXPECT_EQ(bound, Quadrants());
  if (bound) bound->Release();
  dev_->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
  ASSERT_EQ(fx->End(), D3D_OK);
  dev_->GetTexture(0, &bound);
  EXPECT_EQ(bound, nullptr);
  dev_->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_LINEAR));
  fx->SetTexture("Picture", nullptr);
  EXPECT_EQ(fx->Release(), 0u);
}

TEST_F(Fx2DrawTest, ParametersByNameAndHandle) {
  pw::Fx2Effect e = MatrixEffect();
  e.parameters.push_back({"Count", "", pw::Fx2Int(7), {}});
  e.parameters.push_back({"Enabled", "", pw::Fx2Bool(false), {}});
  e.parameters.push_back({"Weights", "", pw::Fx2FloatArray({0.25f, 0.5f, 0.25f}), {}});
  std::vector<uint8_t> bytes = pw::WriteFx2(e);
  ID3DXEffect* fx = nullptr;
  ASSERT_EQ(D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr, &fx,
                             nullptr),
            D3D_OK);
  D3DXEFFECT_DESC d{};
  ASSERT_EQ(fx->GetDesc(&d), D3D_OK);
  EXPECT_EQ(d.Parameters, 5u);
  EXPECT_EQ(d.Techniques, 1u);
  D3DXHANDLE colour = fx->GetParameterByName(nullptr, "Colour");
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(fx->GetParameterByName(nullptr, "Nothing"), nullptr);
  D3DXVECTOR4 v;
  ASSERT_EQ(fx->GetVector(colour, &v), D3D_OK);
  EXPECT_EQ(v.y, 1.f);
  ASSERT_EQ(fx->SetFloat(colour, 0.5f), D3D_OK);
  float f = 0;
  ASSERT_EQ(fx->GetFloat("Colour", &f), D3D_OK);
  EXPECT_EQ(f, 0.5f);
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 1, 2, 3);
  ASSERT_EQ(fx->SetMatrix("WorldViewProj", &m), D3D_OK);
  D3DXMATRIX back;
  ASSERT_EQ(fx->GetMatrix("WorldViewProj", &back), D3D_OK);
  EXPECT_EQ(back._42, 2.f);
  EXPECT_EQ(back._11, 1.f);
  EXPECT_EQ(fx->SetMatrix("Colour", &m), D3DERR_INVALIDCALL);
  ASSERT_EQ(fx->SetInt("Count", 3), D3D_OK);
  ASSERT_EQ(fx->GetFloat("Count", &f), D3D_OK);
  EXPECT_EQ(f, 3.f);
  ASSERT_EQ(fx->SetBool("Enabled", TRUE), D3D_OK);
  ASSERT_EQ(fx->GetFloat("Enabled", &f), D3D_OK);
  EXPECT_EQ(f, 1.f);
  float w[3] = {};
  ASSERT_EQ(fx->GetFloatArray("Weights", w, 3), D3D_OK);
  EXPECT_EQ(w[1], 0.5f);
  EXPECT_EQ(fx->SetTexture("Colour", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(fx->SetTechnique("Nothing"), D3DERR_INVALIDCALL);
  EXPECT_EQ(fx->GetTechniqueByName("Nothing"), nullptr);
  EXPECT_EQ(fx->Release(), 0u);
}

TEST_F(Fx2DrawTest, LostDeviceLetsGoOfDefaultPoolTexturesAndDrawsAfterReset) {
  std::vector<uint8_t> bytes = pw::WriteFx2(TexturedEffect(1, 3));
  ID3DXEffect* fx = nullptr;
  ASSERT_EQ(D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr, &fx,
                             nullptr),
            D3D_OK);
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  ASSERT_EQ(fx->SetTexture("Picture", target), D3D_OK);
  D3D9_SimulateDeviceLoss(dev_);
  EXPECT_EQ(fx->OnLostDevice(), D3D_OK);
  IDirect3DBaseTexture9* held = nullptr;
  ASSERT_EQ(fx->GetTexture("Picture", &held), D3D_OK);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(target->Release(), 0u);
  back_->Release();
  back_ = nullptr;
  D3DPRESENT_PARAMETERS pp = Params();
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  ASSERT_EQ(dev_->GetRenderTarget(0, &back_), D3D_OK);
  EXPECT_EQ(fx->OnResetDevice(), D3D_OK);
  ASSERT_EQ(fx->SetTexture("Picture", Quadrants()), D3D_OK);
  DrawCase c{"after reset", {}};
  Draw(c, fx);
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFFFF0000));
  fx->SetTexture("Picture", nullptr);
  EXPECT_EQ(fx->Release(), 0u);
}

// What this layer cannot run is refused at creation, so the caller falls
// back to its stand-in; nothing crashes.
TEST_F(Fx2DrawTest, WhatCannotRunIsRefused) {
  struct Refused {
    const char* name;
    pw::Fx2Effect effect;
  };
  const Refused cases[] = {
      {"a vertex shader without a pixel shader", VertexOnlyEffect()},
      {"ps_3_0 inputs sharing one usage", ShaderModel3Effect(false)},
      {"a texture-stage state", EffectWithState(103, 0, 4)},
      {"a state past the table", EffectWithState(140, 0, 1)},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = pw::WriteFx2(c.effect);
    ID3DXEffect* fx = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXCreateEffect(dev_, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0, nullptr,
                               &fx, &errors),
              D3DXERR_INVALIDDATA);
    EXPECT_EQ(fx, nullptr);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("compiled effect"),
              std::string::npos);
    errors->Release();
  }
}

}  // namespace
