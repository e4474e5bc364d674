#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_effect.h"
#include "tests/platform/d3d9_fixture.h"
#include "tests/platform/effect_draw.h"

namespace {

// Every parameter type; a technique per behaviour under test.
const char kEffect[] = R"(effect 1
# test effect
float4 Tint = 0.1 0.2 0.3 0.4
float Scale = 1
float2 Offset
float3 Unused = 7 8 9
matrix Transform
texture Tex

program Textured
void main() { o_color = texture(Tex, v_tc0) * Tint * Scale + vec4(Offset, 0.0, 0.0); }
end

program Flat
void main() { o_color = vec4(Tint.rgb * Scale, 1.0); }
end

program Vertex
void main() {
  gl_Position = Transform * vec4(a_pos.xyz, 1.0);
  v_col0 = a_col0;
  v_tc0 = a_tc0.xy;
}
end

technique First
  pass P0
    fragment Flat
  end
end

technique Textured
  pass P0
    sampler Tex MINFILTER = POINT MAGFILTER = POINT ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Textured
  end
end

technique Moved
  pass P0
    vertex Vertex
    fragment Flat
  end
end

technique Additive
  pass Dim
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    fragment Flat
  end
  pass Again
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    sampler Tex MINFILTER = LINEAR
    fragment Textured
  end
end
)";

class EffectTest : public D3D9Test {
 protected:
  void SetUp() override {
    D3D9Test::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(dev_, kEffect, sizeof(kEffect) - 1, nullptr, nullptr, 0, nullptr, &fx_, &errors);
    ASSERT_EQ(hr, D3D_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    ASSERT_NE(fx_, nullptr);
  }
  void TearDown() override {
    if (fx_) {
      EXPECT_EQ(fx_->Release(), 0u);
    }
    fx_ = nullptr;
    D3D9Test::TearDown();
  }

  // A full-target quad drawn once per pass of the current technique.
  void DrawQuad(float x0 = 0, float y0 = 0, float x1 = kW, float y1 = kH, D3DCOLOR c = 0xFFFFFFFF) {
    TLVertex q[4];
    ScreenQuad(q, x0, y0, x1, y1, c);
    DrawStrip(dev_, fx_, kTLFVF, q, sizeof(TLVertex));
  }

  std::vector<float> Floats(const char* name, UINT n) {
    std::vector<float> v(n, -1.f);
    EXPECT_EQ(fx_->GetFloatArray(name, v.data(), n), D3D_OK);
    return v;
  }

  ID3DXEffect* fx_ = nullptr;
};

TEST_F(EffectTest, FirstTechniqueIsCurrentAtCreation) {
  ASSERT_NE(fx_->GetTechnique(0), nullptr);
  EXPECT_STREQ(fx_->GetCurrentTechnique(), "First");
  EXPECT_EQ(fx_->GetCurrentTechnique(), fx_->GetTechnique(0));
  D3DXEFFECT_DESC d{};
  ASSERT_EQ(fx_->GetDesc(&d), D3D_OK);
  EXPECT_EQ(d.Parameters, 6u);
  EXPECT_EQ(d.Techniques, 4u);
}

// Every setter feeds one draw: texture x tint x scale + offset.
TEST_F(EffectTest, DrawsThroughEveryCall) {
  IDirect3DTexture9* tex = MakeTexture(dev_, 1, 1, {0xFF808080});
  ASSERT_EQ(fx_->SetTechnique(fx_->GetTechniqueByName("Textured")), D3D_OK);
  EXPECT_STREQ(fx_->GetCurrentTechnique(), "Textured");
  D3DXVECTOR4 tint(1.f, 0.5f, 0.25f, 1.f);
  ASSERT_EQ(fx_->SetVector("Tint", &tint), D3D_OK);
  const float half = 0.5f;
  ASSERT_EQ(fx_->SetFloatArray("Scale", &half, 1), D3D_OK);
  ASSERT_EQ(fx_->SetTexture("Tex", tex), D3D_OK);
  Begin();
  dev_->SetFVF(kTLFVF);
  TLVertex q[4];
  ScreenQuad(q, 0, 0, kW, kH, 0xFFFFFFFF);
  UINT passes = 0;
  ASSERT_EQ(fx_->Begin(&passes, 0), D3D_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(fx_->BeginPass(0), D3D_OK);
  ASSERT_EQ(fx_->SetFloat("Scale", 1.f), D3D_OK);
  const float offset[2] = {0.25f, 0.5f};
  ASSERT_EQ(fx_->SetValue("Offset", offset, sizeof offset), D3D_OK);
  ASSERT_EQ(fx_->CommitChanges(), D3D_OK);
  EXPECT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVertex)), D3D_OK);
  ASSERT_EQ(fx_->EndPass(), D3D_OK);
  ASSERT_EQ(fx_->End(), D3D_OK);
  End();
  // 0.5 x (1, 0.5, 0.25) + (0.25, 0.5, 0).
  EXPECT_TRUE(Near(Pixel(31, 31), D3DCOLOR_ARGB(255, 192, 192, 32)));
  fx_->SetTexture("Tex", nullptr);
  EXPECT_EQ(tex->Release(), 0u);
}

TEST_F(EffectTest, DefaultsAndSettersByNameAndHandle) {
  EXPECT_EQ(Floats("Tint", 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(Floats("Offset", 2), (std::vector<float>{0.f, 0.f}));  // missing defaults are 0
  D3DXMATRIX m;
  ASSERT_EQ(fx_->GetMatrix("Transform", &m), D3D_OK);
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(std::memcmp(&m, &identity, sizeof m), 0);

  D3DXHANDLE scale = fx_->GetParameterByName(nullptr, "Scale");
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(fx_->SetFloat(scale, 0.5f), D3D_OK);
  float f = 0;
  EXPECT_EQ(fx_->GetFloat("Scale", &f), D3D_OK);
  EXPECT_EQ(f, 0.5f);

  D3DXVECTOR4 v(1, 2, 3, 4);
  EXPECT_EQ(fx_->SetVector("Offset", &v), D3D_OK);  // a float2 takes the first two
  EXPECT_EQ(Floats("Offset", 2), (std::vector<float>{1.f, 2.f}));
  const float bytes[3] = {4, 5, 6};
  EXPECT_EQ(fx_->SetValue("Unused", bytes, sizeof bytes), D3D_OK);
  EXPECT_EQ(Floats("Unused", 3), (std::vector<float>{4.f, 5.f, 6.f}));
  D3DXMatrixTranslation(&m, 1, 2, 3);
  EXPECT_EQ(fx_->SetMatrix("Transform", &m), D3D_OK);
  D3DXMATRIX back;
  fx_->GetMatrix("Transform", &back);
  EXPECT_EQ(std::memcmp(&m, &back, sizeof m), 0);
  // Types that do not fit are refused and change nothing.
  EXPECT_NE(fx_->SetMatrix("Tint", &m), D3D_OK);
  EXPECT_NE(fx_->SetVector("Transform", &v), D3D_OK);
  EXPECT_NE(fx_->SetFloat("Tex", 1.f), D3D_OK);
  EXPECT_EQ(Floats("Tint", 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
}

TEST_F(EffectTest, ShortArrayWritesOnlyItsFirstValues) {
  const float two[2] = {0.9f, 0.8f};
  ASSERT_EQ(fx_->SetFloatArray("Tint", two, 2), D3D_OK);
  EXPECT_EQ(Floats("Tint", 4), (std::vector<float>{0.9f, 0.8f, 0.3f, 0.4f}));
  const float six[6] = {1, 1, 1, 1, 9, 9};  // a long one stops at the parameter's size
  ASSERT_EQ(fx_->SetFloatArray("Offset", six, 6), D3D_OK);
  EXPECT_EQ(Floats("Offset", 2), (std::vector<float>{1.f, 1.f}));
  EXPECT_EQ(Floats("Unused", 3), (std::vector<float>{7.f, 8.f, 9.f}));

  // The draw sees exactly those values.
  ASSERT_EQ(fx_->SetFloatArray("Tint", two, 1), D3D_OK);
  Begin();
  DrawQuad();
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), D3DCOLOR_ARGB(255, 230, 204, 77)));
}

TEST_F(EffectTest, ValuesAreKeptAcrossTechniquesAndPasses) {
  ASSERT_EQ(fx_->SetFloat("Scale", 0.5f), D3D_OK);
  ASSERT_EQ(fx_->SetTechnique("Textured"), D3D_OK);
  Begin();
  DrawQuad();
  ASSERT_EQ(fx_->SetTechnique(fx_->GetTechnique(0)), D3D_OK);
  DrawQuad();
  End();
  float f = 0;
  fx_->GetFloat("Scale", &f);
  EXPECT_EQ(f, 0.5f);
  EXPECT_EQ(Floats("Tint", 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
  // Tint 0.1, 0.2, 0.3 at half scale.
  EXPECT_TRUE(Near(Pixel(5, 5), D3DCOLOR_ARGB(255, 13, 26, 38)));
}

TEST_F(EffectTest, UnknownNamesAreIgnored) {
  EXPECT_EQ(fx_->GetParameterByName(nullptr, "Nope"), nullptr);
  EXPECT_EQ(fx_->GetParameterByName("Tint", "Scale"), nullptr);  // no structures
  EXPECT_EQ(fx_->GetTechniqueByName("Nope"), nullptr);
  EXPECT_NE(fx_->SetFloat("Nope", 3.f), D3D_OK);
  EXPECT_NE(fx_->SetFloat(nullptr, 3.f), D3D_OK);
  EXPECT_NE(fx_->SetTexture("Nope", nullptr), D3D_OK);
  EXPECT_NE(fx_->SetTechnique("Nope"), D3D_OK);
  EXPECT_STREQ(fx_->GetCurrentTechnique(), "First");
  EXPECT_EQ(Floats("Scale", 1), (std::vector<float>{1.f}));
}

TEST_F(EffectTest, TexturesSampleAndNullSamplesOpaqueBlack) {
  IDirect3DTexture9* tex = MakeTexture(dev_, 2, 1, {0xFF808080, 0xFF4080C0});
  ASSERT_NE(tex, nullptr);
  ASSERT_EQ(fx_->SetTechnique("Textured"), D3D_OK);
  const float one[4] = {1, 1, 1, 1};
  fx_->SetFloatArray("Tint", one, 4);

  // Never set: black.
  Begin(0xFFFFFFFF);
  DrawQuad();
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFF000000));

  ASSERT_EQ(fx_->SetTexture("Tex", tex), D3D_OK);
  Begin();
  DrawQuad();
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFF808080));
  EXPECT_TRUE(Near(Pixel(50, 10), 0xFF4080C0));

  // Set to null again: black, and the effect let go of the texture.
  ASSERT_EQ(fx_->SetTexture("Tex", nullptr), D3D_OK);
  Begin(0xFFFFFFFF);
  DrawQuad();
  End();
  EXPECT_TRUE(Near(Pixel(50, 10), 0xFF000000));
  EXPECT_EQ(tex->Release(), 0u);
}

// A render target held by an effect would keep the device from being reset;
// a managed texture survives the loss and stays set.
TEST_F(EffectTest, LostDeviceLetsGoOfDefaultPoolTexturesOnly) {
  IDirect3DTexture9* target = nullptr;
  ASSERT_EQ(dev_->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
            D3D_OK);
  IDirect3DTexture9* managed = MakeTexture(dev_, 2, 1, {0xFF808080, 0xFF4080C0});
  ASSERT_NE(managed, nullptr);
  ASSERT_EQ(fx_->SetTexture("Tex", target), D3D_OK);
  fx_->OnLostDevice();
  IDirect3DBaseTexture9* held = nullptr;
  ASSERT_EQ(fx_->GetTexture("Tex", &held), D3D_OK);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(target->Release(), 0u);

  ASSERT_EQ(fx_->SetTexture("Tex", managed), D3D_OK);
  fx_->OnLostDevice();
  ASSERT_EQ(fx_->GetTexture("Tex", &held), D3D_OK);
  EXPECT_EQ(held, managed);
  if (held) held->Release();
  fx_->SetTexture("Tex", nullptr);
  EXPECT_EQ(managed->Release(), 0u);
}

TEST_F(EffectTest, VertexProgramUsesMatrixParameter) {
  ASSERT_EQ(fx_->SetTechnique("Moved"), D3D_OK);
  const float red[4] = {1, 0, 0, 1};
  fx_->SetFloatArray("Tint", red, 4);
  // A quad over the left half of clip space, moved right by a quarter of it.
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 0.5f, 0.f, 0.f);
  ASSERT_EQ(fx_->SetMatrix("Transform", &m), D3D_OK);
  struct V {
    float x, y, z;
  } quad[4] = {{-1, 1, 0.5f}, {0, 1, 0.5f}, {-1, -1, 0.5f}, {0, -1, 0.5f}};
  Begin();
  DrawStrip(dev_, fx_, D3DFVF_XYZ, quad, sizeof(V));
  End();
  EXPECT_TRUE(Near(Pixel(8, 32), 0xFF000000));
  EXPECT_TRUE(Near(Pixel(20, 32), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(44, 32), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(56, 32), 0xFF000000));
}

TEST_F(EffectTest, PassWithoutVertexProgramTakesDeviceTransforms) {
  const float green[4] = {0, 1, 0, 1};
  fx_->SetFloatArray("Tint", green, 4);
  D3DXMATRIX proj, world, identity;
  D3DXMatrixOrthoOffCenterLH(&proj, 0, kW, kH, 0, 0, 1);
  D3DXMatrixTranslation(&world, 32, 0, 0);
  D3DXMatrixIdentity(&identity);
  dev_->SetTransform(D3DTS_PROJECTION, &proj);
  dev_->SetTransform(D3DTS_VIEW, &identity);
  dev_->SetTransform(D3DTS_WORLD, &world);
  // Pixel edges of a 16-pixel square in scene units, moved 32 to the right.
  struct V {
    float x, y, z;
  } quad[4] = {{0, 0, 0.5f}, {16, 0, 0.5f}, {0, 16, 0.5f}, {16, 16, 0.5f}};
  Begin();
  DrawStrip(dev_, fx_, D3DFVF_XYZ, quad, sizeof(V));
  End();
  EXPECT_TRUE(Near(Pixel(8, 8), 0xFF000000));
  EXPECT_TRUE(Near(Pixel(33, 1), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(46, 14), 0xFF00FF00));
  EXPECT_TRUE(Near(Pixel(49, 8), 0xFF000000));
  EXPECT_TRUE(Near(Pixel(40, 17), 0xFF000000));
}

TEST_F(EffectTest, ChangesInsideAPassNeedCommitChanges) {
  const float white[4] = {1, 1, 1, 1};
  fx_->SetFloatArray("Tint", white, 4);
  TLVertex left[4], right[4];
  ScreenQuad(left, 0, 0, 32, kH, 0xFFFFFFFF);
  ScreenQuad(right, 32, 0, kW, kH, 0xFFFFFFFF);
  Begin();
  dev_->SetFVF(kTLFVF);
  UINT passes = 0;
  fx_->Begin(&passes, 0);
  fx_->BeginPass(0);
  fx_->SetFloat("Scale", 0.5f);
  dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, left, sizeof(TLVertex));
  EXPECT_EQ(fx_->CommitChanges(), D3D_OK);
  dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, right, sizeof(TLVertex));
  fx_->EndPass();
  fx_->End();
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFFFFFFFF));
  EXPECT_TRUE(Near(Pixel(50, 10), 0xFF808080));
  EXPECT_NE(fx_->CommitChanges(), D3D_OK);  // outside a pass
}

TEST_F(EffectTest, PassStatesApplyAndEndRestoresThem) {
  IDirect3DTexture9* mine = MakeTexture(dev_, 1, 1, {0xFF102030});
  IDirect3DTexture9* tex = MakeTexture(dev_, 1, 1, {0xFF404040});
  dev_->SetTexture(0, mine);
  dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
  ASSERT_EQ(fx_->SetTechnique("Additive"), D3D_OK);
  fx_->SetTexture("Tex", tex);
  const float quarter[4] = {0.25f, 0.25f, 0.25f, 1};
  fx_->SetFloatArray("Tint", quarter, 4);
  UINT passes = 0;
  Begin(0xFF101010);
  dev_->SetFVF(kTLFVF);
  TLVertex q[4];
  ScreenQuad(q, 0, 0, kW, kH, 0xFFFFFFFF);
  ASSERT_EQ(fx_->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  for (UINT p = 0; p < passes; ++p) {
    fx_->BeginPass(p);
    DWORD v = 0;
    dev_->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_ONE));
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TLVertex));
    fx_->EndPass();
  }
  fx_->End();
  // Outside the passes the fixed-function stage draws again: diffuse only.
  dev_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  TLVertex corner[4];
  ScreenQuad(corner, 0, 0, 8, 8, 0xFF0000FF);
  dev_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, corner, sizeof(TLVertex));
  End();
  // 0x10 + 0x40 (first pass) + 0x40 * 0.25 (second pass).
  EXPECT_TRUE(Near(Pixel(30, 30), D3DCOLOR_ARGB(255, 0x60, 0x60, 0x60)));
  EXPECT_TRUE(Near(Pixel(3, 3), 0xFF0000FF));
  DWORD v = 0;
  dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
  EXPECT_EQ(v, static_cast<DWORD>(FALSE));
  dev_->GetRenderState(D3DRS_SRCBLEND, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_SRCALPHA));
  dev_->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, static_cast<DWORD>(D3DTEXF_POINT));
  IDirect3DBaseTexture9* bound = nullptr;
  dev_->GetTexture(0, &bound);
  EXPECT_EQ(bound, mine);
  if (bound) bound->Release();
  dev_->SetTexture(0, nullptr);
  fx_->SetTexture("Tex", nullptr);
  EXPECT_EQ(mine->Release(), 0u);
  EXPECT_EQ(tex->Release(), 0u);
}

// State values by name, decimal or hexadecimal number.
TEST_F(EffectTest, StateValuesByNameOrNumber) {
  const char text[] =
      "effect 1\ntexture T\nprogram F\nvoid main() { o_color = texture(T, v_tc0); }\nend\n"
      "technique X\n pass P\n"
      "  state SRCBLEND = 5\n  state DESTBLEND = 0x6\n  state CULLMODE = NONE\n  state ZFUNC = LESSEQUAL\n"
      "  state COLORWRITEENABLE = 010\n  sampler T ADDRESSU = BORDER MINFILTER = ANISOTROPIC MAXMIPLEVEL = 0x2\n"
      "  fragment F\n end\nend\n";
  ID3DXEffect* fx = nullptr;
  ASSERT_EQ(D3DXCreateEffect(dev_, text, sizeof(text) - 1, nullptr, nullptr, 0, nullptr, &fx, nullptr), D3D_OK);
  UINT passes = 0;
  fx->Begin(&passes, 0);
  fx->BeginPass(0);
  struct Want {
    D3DRENDERSTATETYPE state;
    DWORD value;
  };
  const Want states[] = {{D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                         {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                         {D3DRS_CULLMODE, D3DCULL_NONE},
                         {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                         {D3DRS_COLORWRITEENABLE, 10}};  // decimal, not octal
  for (const Want& w : states) {
    DWORD v = 0;
    dev_->GetRenderState(w.state, &v);
    EXPECT_EQ(v, w.value) << w.state;
  }
  DWORD v = 0;
  dev_->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
  EXPECT_EQ(v, 4u);
  dev_->GetSamplerState(0, D3DSAMP_MINFILTER, &v);
  EXPECT_EQ(v, 3u);
  dev_->GetSamplerState(0, D3DSAMP_MAXMIPLEVEL, &v);
  EXPECT_EQ(v, 2u);
  fx->EndPass();
  fx->End();
  dev_->GetRenderState(D3DRS_COLORWRITEENABLE, &v);
  EXPECT_EQ(v, 15u);
  EXPECT_EQ(fx->Release(), 0u);
}

TEST_F(EffectTest, CallsOutOfOrderAreRefused) {
  EXPECT_NE(fx_->BeginPass(0), D3D_OK);
  EXPECT_NE(fx_->EndPass(), D3D_OK);
  EXPECT_NE(fx_->End(), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(fx_->Begin(&passes, 0), D3D_OK);
  EXPECT_NE(fx_->Begin(&passes, 0), D3D_OK);
  EXPECT_NE(fx_->BeginPass(passes), D3D_OK);
  EXPECT_EQ(fx_->BeginPass(0), D3D_OK);
  EXPECT_NE(fx_->BeginPass(0), D3D_OK);
  EXPECT_EQ(fx_->End(), D3D_OK);  // ends the open pass as well
  EXPECT_NE(fx_->EndPass(), D3D_OK);
}

TEST_F(EffectTest, ReferencesDeviceAndSurvivesLossAndReset) {
  IDirect3DDevice9* d = nullptr;
  ASSERT_EQ(fx_->GetDevice(&d), D3D_OK);
  EXPECT_EQ(d, dev_);
  d->Release();
  EXPECT_EQ(fx_->AddRef(), 2u);
  EXPECT_EQ(fx_->Release(), 1u);

  D3D9_SimulateDeviceLoss(dev_);
  EXPECT_EQ(fx_->OnLostDevice(), D3D_OK);
  back_->Release();
  back_ = nullptr;
  D3DPRESENT_PARAMETERS pp = Params();
  EXPECT_EQ(dev_->TestCooperativeLevel(), D3DERR_DEVICELOST);
  ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
  ASSERT_EQ(dev_->GetRenderTarget(0, &back_), D3D_OK);
  EXPECT_EQ(fx_->OnResetDevice(), D3D_OK);
  const float blue[4] = {0, 0, 1, 1};
  fx_->SetFloatArray("Tint", blue, 4);
  Begin();
  DrawQuad();
  End();
  EXPECT_TRUE(Near(Pixel(10, 10), 0xFF0000FF));
}

// Programs run for every pixel: only loops that surely end are accepted.
TEST_F(EffectTest, OnlyBoundedLoopsAreAccepted) {
  struct Case {
    const char* body;
    bool ok;
  };
  const Case cases[] = {
      {"float s = 0.0; for (int i = 0; i < 4; ++i) s += 0.25; o_color = vec4(s);", true},
      {"float s = 0.0; for (int k = -2; k <= 2; k++) { s += 0.2; } o_color = vec4(s);", true},
      {"float s = 0.0; for (int k = 0; k < 16; k += 1) { for (int j = 0; j < 16; ++j) s += 1.0 / 256.0; }"
       " o_color = vec4(s); // while in a comment is fine",
       true},
      {"float s = 0.0; while (s < 1.0) s += 0.5; o_color = vec4(s);", false},
      {"float s = 0.0; do { s += 0.5; } while (s < 1.0); o_color = vec4(s);", false},
      {"float s = 0.0; for (;;) { s += 1.0; } o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < 100000; ++i) s += 1.0; o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < 4; ++i) { i = 0; s += 1.0; } o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < 4; ++i) { i--; } o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < 4; i += 0) s += 1.0; o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < n; ++i) s += 1.0; o_color = vec4(s);", false},
      {"float s = 0.0; for (int i = 0; i < 100; ++i) { for (int j = 0; j < 100; ++j) s += 1.0; } o_color = vec4(s);",
       false},
      {"#define LOOP while\n o_color = vec4(1.0);", false},
  };
  for (const Case& c : cases) {
    std::string text = std::string("effect 1\nprogram F\nvoid main() {\n") + c.body +
                       "\n}\nend\ntechnique T\n pass P\n  fragment F\n end\nend\n";
    ID3DXEffect* e = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffect(dev_, text.data(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, nullptr,
                                  &e, &errors);
    EXPECT_EQ(SUCCEEDED(hr), c.ok) << c.body
                                   << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    if (errors) errors->Release();
    if (e) e->Release();
  }
}

// Bytes that are not a usable effect of ours fail cleanly.
TEST_F(EffectTest, OtherBytesAreRefused) {
  const std::string pass = "technique T\n pass P\n  fragment F\n end\nend\n";
  const std::string prog = "program F\nvoid main() { o_color = vec4(1.0); }\nend\n";
  const std::string cases[] = {
      std::string(),
      std::string("\x01\x09\xFF\xFE\x00\x00\x00\x00", 8),  // a compiled effect's header
      "technique T\n",
      "effect 2\n" + prog + pass,
      "effect 1\n" + prog,                                         // no technique
      "effect 1\n" + pass,                                         // unknown program
      "effect 1\n" + prog + "technique T\n pass P\n end\nend\n",   // pass without fragment
      "effect 1\n" + prog + "technique T\n pass P\n  fragment F\n",  // missing end
      "effect 1\nprogram F\nvoid main() {}\n",                       // program without end
      "effect 1\nfloat X = 1 2\n" + prog + pass,                     // too many values
      "effect 1\nfloat X = abc\n" + prog + pass,
      "effect 1\nfloat X\nfloat X\n" + prog + pass,                  // named twice
      "effect 1\nfloat gl_X\n" + prog + pass,
      "effect 1\nfloat5 X\n" + prog + pass,
      "effect 1\n" + prog + "technique T\n pass P\n  state NOSUCH = 1\n  fragment F\n end\nend\n",
      "effect 1\n" + prog + "technique T\n pass P\n  state SRCBLEND = SIDEWAYS\n  fragment F\n end\nend\n",
      "effect 1\n" + prog + "technique T\n pass P\n  sampler Nope MINFILTER = POINT\n  fragment F\n end\nend\n",
      "effect 1\nprogram F\nvoid main() { o_color = undefined_thing; }\nend\n" + pass,  // does not compile
      "effect 1\ntexture A\ntexture B\ntexture C\ntexture D\ntexture E\n"
      "program F\nvoid main() { o_color = texture(A, v_tc0) + texture(B, v_tc0) + texture(C, v_tc0) +"
      " texture(D, v_tc0) + texture(E, v_tc0); }\nend\n" + pass,  // five textures in one pass
  };
  for (const std::string& c : cases) {
    ID3DXEffect* e = reinterpret_cast<ID3DXEffect*>(1);
    ID3DXBuffer* errors = nullptr;
    EXPECT_FALSE(SUCCEEDED(D3DXCreateEffect(dev_, c.data(), static_cast<UINT>(c.size()), nullptr, nullptr, 0,
                                            nullptr, &e, &errors)))
        << c;
    EXPECT_EQ(e, nullptr) << c;
    ASSERT_NE(errors, nullptr) << c;
    EXPECT_GT(std::strlen(static_cast<const char*>(errors->GetBufferPointer())), 0u);
    errors->Release();
  }
  ID3DXEffect* e = nullptr;
  EXPECT_FALSE(SUCCEEDED(D3DXCreateEffect(nullptr, kEffect, sizeof(kEffect) - 1, nullptr, nullptr, 0, nullptr, &e,
                                          nullptr)));
  EXPECT_EQ(e, nullptr);
}

}  // namespace
