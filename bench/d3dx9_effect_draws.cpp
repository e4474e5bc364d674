// Drawing through effect passes: the per-draw cost of an effect's program
// (1000 small batches in one pass, against the fixed-function stage), and the
// two Gaussian passes of the blur effect over a 960 x 540 target.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "bench/bench_device.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9_effect.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "resources/builtin_resources.h"

namespace {

constexpr UINT kWidth = 960, kHeight = 540, kBatches = 1000;

struct PCT {
  float x, y, z;
  D3DCOLOR c;
  float u, v;
};
struct TL {
  float x, y, z, rhw;
  D3DCOLOR c;
  float u, v;
};

struct Scene {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  ID3DXEffect* fx = nullptr;
  IDirect3DTexture9* tex = nullptr;
  IDirect3DTexture9* a = nullptr;
  IDirect3DTexture9* b = nullptr;
  IDirect3DSurface9* probe = nullptr;
  std::vector<PCT> quads;

  bool Create() {
    RegisterBuiltInResources();
    dev = CreateBenchDevice(&d3d, kWidth, kHeight);
    if (!dev) return false;
    if (FAILED(CreateBuiltInEffect(dev, 202, &fx))) return false;
    dev->CreateTexture(32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    dev->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &a, nullptr);
    dev->CreateTexture(kWidth, kHeight, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr);
    dev->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
    // One 16-pixel quad per batch, spread over the target.
    for (UINT i = 0; i < kBatches; ++i) {
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
    return tex && a && b && probe;
  }

  void Destroy() {
    for (IUnknown* u : std::initializer_list<IUnknown*>{probe, a, b, tex, fx, dev, d3d})
      if (u) u->Release();
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

  void Batches(bool effect) {
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    dev->SetTexture(0, tex);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    UINT passes = 1;
    if (effect) {
      fx->SetTechnique("BlendNormal");
      fx->SetTexture("Texture0", tex);
      fx->Begin(&passes, 0);
      fx->BeginPass(0);
    }
    D3DXMATRIX world;
    for (UINT i = 0; i < kBatches; ++i) {
      // Every batch has its own world transform, as the engine's frames do.
      D3DXMatrixTranslation(&world, static_cast<float>(i & 1), 0, 0);
      dev->SetTransform(D3DTS_WORLD, &world);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, &quads[i * 6], sizeof(PCT));
    }
    if (effect) {
      fx->EndPass();
      fx->End();
    }
    dev->EndScene();
    Finish();
  }

  void Blur() {
    IDirect3DSurface9* back = nullptr;
    dev->GetRenderTarget(0, &back);
    dev->BeginScene();
    fx->SetFloat("TexW", static_cast<float>(kWidth));
    fx->SetFloat("TexH", static_cast<float>(kHeight));
    TL q[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
               {kWidth - 0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
               {-0.5f, kHeight - 0.5f, 0, 1, 0xFFFFFFFF, 0, 1},
               {kWidth - 0.5f, kHeight - 0.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    const char* techniques[2] = {"GaussianBlurVFirst", "GaussianBlurH"};
    IDirect3DTexture9* dst[2] = {b, a};
    IDirect3DTexture9* src[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
      IDirect3DSurface9* s = nullptr;
      dst[i]->GetSurfaceLevel(0, &s);
      dev->SetRenderTarget(0, s);
      s->Release();
      fx->SetTexture("Texture", src[i]);
      fx->SetTechnique(techniques[i]);
      UINT passes = 0;
      fx->Begin(&passes, 0);
      fx->BeginPass(0);
      dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(TL));
      fx->EndPass();
      fx->End();
    }
    Finish();
    fx->SetTexture("Texture", nullptr);
    dev->SetRenderTarget(0, back);
    back->Release();
    dev->EndScene();
  }
};

// Runs one step per iteration on a fresh scene.
template <class Step>
void RunScene(benchmark::State& state, Step step, int64_t items) {
  Scene s;
  if (!s.Create()) {
    state.SkipWithError("no device");
  } else {
    for (auto _ : state) step(s);
    state.SetItemsProcessed(state.iterations() * items);
  }
  s.Destroy();
}

void BM_BatchesFixedFunction(benchmark::State& state) {
  RunScene(state, [](Scene& s) { s.Batches(false); }, kBatches);
}
BENCHMARK(BM_BatchesFixedFunction)->Unit(benchmark::kMillisecond);

void BM_BatchesThroughEffect(benchmark::State& state) {
  RunScene(state, [](Scene& s) { s.Batches(true); }, kBatches);
}
BENCHMARK(BM_BatchesThroughEffect)->Unit(benchmark::kMillisecond);

void BM_BlurTwoPasses(benchmark::State& state) {
  RunScene(state, [](Scene& s) { s.Blur(); }, 1);
}
BENCHMARK(BM_BlurTwoPasses)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
