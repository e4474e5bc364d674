// Compiled effects (fx_2_0): the cost of making one from its binary, and of
// a pass (BeginPass, CommitChanges, one draw of 1000 quads, EndPass) through
// a compiled effect against the same pass in our effect text format.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "bench/bench_device.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "tools/writer/fx2_writer.h"

namespace {

constexpr UINT kWidth = 960, kHeight = 540, kQuads = 1000;

struct PCT {
  float x, y, z;
  D3DCOLOR c;
  float u, v;
};

// Texture times vertex colour, tinted, over the device's transforms: a
// ps_2_0 behind the fixed-function vertex stage, as effects commonly are.
std::vector<uint8_t> CompiledBinary() {
  pw::Fx2Effect e;
  e.parameters.push_back({"Tint", "", pw::Fx2Vector({1, 1, 1, 1}), {}});
  e.parameters.push_back({"Texture0", "", pw::Fx2Texture(), {}});
  e.parameters.push_back(
      {"Sampler0", "",
       pw::Fx2Sampler({pw::Fx2SamplerTextureState("Texture0"), pw::Fx2SamplerState(pw::kFx2SamplerMinFilter, 2),
                       pw::Fx2SamplerState(pw::kFx2SamplerMagFilter, 2)}),
       {}});
  std::vector<uint8_t> ps = pw::AssembleShader(
      "ps_2_0\ndcl v0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmul r0, r0, v0\nmul r0, r0, c0\nmov oC0, r0\n",
      {{"Tint", pw::Fx2RegisterSet::Float4, 0, 1},
       {"Sampler0", pw::Fx2RegisterSet::Sampler, 0, 1, pw::Fx2Class::Object, pw::Fx2Type::Sampler2D, 1, 1, 1}});
  e.techniques.push_back({"BlendNormal",
                          {{"P0",
                            {pw::Fx2RenderState(pw::kFx2StateAlphaBlendEnable, 1),
                             pw::Fx2RenderState(pw::kFx2StateSrcBlend, 5), pw::Fx2RenderState(pw::kFx2StateDestBlend, 6),
                             pw::Fx2PixelShaderState(ps)},
                            {}}},
                          {}});
  return pw::WriteFx2(e);
}

const char kText[] = R"(effect 1
float4 Tint = 1 1 1 1
texture Texture0
program Draw
void main() { o_color = texture(Texture0, v_tc0) * v_col0 * Tint; }
end
technique BlendNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture0 MINFILTER = LINEAR MAGFILTER = LINEAR
    fragment Draw
  end
end
)";

struct Scene {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  IDirect3DTexture9* tex = nullptr;
  IDirect3DSurface9* probe = nullptr;
  std::vector<uint8_t> binary = CompiledBinary();
  std::vector<PCT> quads;

  bool Create() {
    dev = CreateBenchDevice(&d3d, kWidth, kHeight);
    if (!dev) return false;
    dev->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    dev->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
    for (UINT i = 0; i < kQuads; ++i) {
      float x = static_cast<float>((i * 37) % (kWidth - 16)), y = static_cast<float>((i * 53) % (kHeight - 16));
      PCT q[6] = {{x, y, 0, 0x80FFFFFF, 0, 0},      {x + 16, y, 0, 0x80FFFFFF, 1, 0},
                  {x, y + 16, 0, 0x80FFFFFF, 0, 1}, {x, y + 16, 0, 0x80FFFFFF, 0, 1},
                  {x + 16, y, 0, 0x80FFFFFF, 1, 0}, {x + 16, y + 16, 0, 0x80FFFFFF, 1, 1}};
      quads.insert(quads.end(), q, q + 6);
    }
    D3DXMATRIX proj, identity;
    D3DXMatrixOrthoOffCenterLH(&proj, 0, kWidth, kHeight, 0, 0, 1);
    D3DXMatrixIdentity(&identity);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->SetTransform(D3DTS_VIEW, &identity);
    dev->SetTransform(D3DTS_WORLD, &identity);
    return binary.size() > 8 && tex && probe;
  }

  void Destroy() {
    for (IUnknown* u : std::initializer_list<IUnknown*>{probe, tex, dev, d3d})
      if (u) u->Release();
  }

  ID3DXEffect* Make(bool compiled) {
    ID3DXEffect* fx = nullptr;
    if (compiled)
      D3DXCreateEffect(dev, binary.data(), static_cast<UINT>(binary.size()), nullptr, nullptr, 0, nullptr, &fx,
                       nullptr);
    else
      D3DXCreateEffect(dev, kText, sizeof(kText) - 1, nullptr, nullptr, 0, nullptr, &fx, nullptr);
    return fx;
  }

  // Waits for the GPU by reading one pixel back.
  void Finish() {
    IDirect3DSurface9* rt = nullptr;
    dev->GetRenderTarget(0, &rt);
    RECT r{0, 0, 1, 1};
    dev->StretchRect(rt, &r, probe, nullptr, D3DTEXF_POINT);
    benchmark::DoNotOptimize(D3D9_ReadBack(probe));
    rt->Release();
  }

  void Pass(ID3DXEffect* fx, int frame) {
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    UINT passes = 0;
    fx->Begin(&passes, 0);
    fx->BeginPass(0);
    D3DXVECTOR4 tint(1.f, (frame & 1) ? 0.5f : 1.f, 1.f, 1.f);
    fx->SetVector("Tint", &tint);
    fx->CommitChanges();
    dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2 * kQuads, quads.data(), sizeof(PCT));
    fx->EndPass();
    fx->End();
    dev->EndScene();
    Finish();
  }
};

void BM_CompiledEffectCreate(benchmark::State& state) {
  Scene s;
  if (!s.Create()) {
    state.SkipWithError("no device");
  } else {
    for (auto _ : state) {
      ID3DXEffect* fx = s.Make(true);
      if (!fx) {
        state.SkipWithError("the binary was refused");
        break;
      }
      fx->Release();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.binary.size()));
  }
  s.Destroy();
}
BENCHMARK(BM_CompiledEffectCreate)->Unit(benchmark::kMicrosecond);

void RunPass(benchmark::State& state, bool compiled) {
  Scene s;
  ID3DXEffect* fx = s.Create() ? s.Make(compiled) : nullptr;
  if (!fx) {
    state.SkipWithError("no device or effect");
  } else {
    fx->SetTexture("Texture0", s.tex);
    int frame = 0;
    for (auto _ : state) s.Pass(fx, frame++);
    state.SetItemsProcessed(state.iterations() * kQuads);
    fx->SetTexture("Texture0", nullptr);
    fx->Release();
  }
  s.Destroy();
}

void BM_PassCompiledEffect(benchmark::State& state) { RunPass(state, true); }
BENCHMARK(BM_PassCompiledEffect)->Unit(benchmark::kMillisecond);

void BM_PassTextEffect(benchmark::State& state) { RunPass(state, false); }
BENCHMARK(BM_PassTextEffect)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
