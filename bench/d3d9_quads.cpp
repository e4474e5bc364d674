// 10 000 textured, alpha-blended quads per frame into a 1920 x 1080 target,
// from one vertex buffer locked with DISCARD each frame: once as a single
// indexed draw, once as one draw per quad (the layer's per-draw cost).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench_device.h"
#include "platform/d3d9/d3d9.h"

namespace {

constexpr UINT kQuads = 10000;
constexpr UINT kWidth = 1920, kHeight = 1080;

struct Vertex {
  float x, y, z, rhw;
  D3DCOLOR c;
  float u, v;
};
constexpr DWORD kFVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Scene {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  IDirect3DTexture9* tex = nullptr;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* probe = nullptr;
  uint32_t frame = 0;

  bool Create() {
    dev = CreateBenchDevice(&d3d, kWidth, kHeight);
    if (!dev) return false;
    dev->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    for (UINT y = 0; y < 64; ++y)
      for (UINT x = 0; x < 64; ++x)
        static_cast<uint32_t*>(lr.pBits)[y * lr.Pitch / 4 + x] = D3DCOLOR_ARGB((x * 4) & 0xFF, 255, y * 4, 128);
    tex->UnlockRect(0);
    dev->CreateVertexBuffer(kQuads * 4 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFVF,
                            D3DPOOL_DEFAULT, &vb, nullptr);
    dev->CreateIndexBuffer(kQuads * 6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
    void* p = nullptr;
    ib->Lock(0, 0, &p, 0);
    auto* idx = static_cast<uint16_t*>(p);
    for (UINT q = 0; q < kQuads; ++q) {
      uint16_t b = static_cast<uint16_t>(q * 4);
      const uint16_t six[6] = {b, static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 2),
                               static_cast<uint16_t>(b + 2), static_cast<uint16_t>(b + 1), static_cast<uint16_t>(b + 3)};
      std::memcpy(idx + q * 6, six, sizeof(six));
    }
    ib->Unlock();
    dev->GetRenderTarget(0, &back);
    dev->CreateRenderTarget(1, 1, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &probe, nullptr);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetTexture(0, tex);
    dev->SetFVF(kFVF);
    dev->SetStreamSource(0, vb, 0, sizeof(Vertex));
    dev->SetIndices(ib);
    return true;
  }

  // Fills the buffer with quads of 24 x 24 pixels scattered over the target.
  void Fill() {
    void* p = nullptr;
    vb->Lock(0, 0, &p, D3DLOCK_DISCARD);
    auto* v = static_cast<Vertex*>(p);
    uint32_t seed = 12345 + frame++;
    for (UINT q = 0; q < kQuads; ++q) {
      seed = seed * 214013u + 2531011u;
      float x = static_cast<float>((seed >> 8) % (kWidth - 24));
      seed = seed * 214013u + 2531011u;
      float y = static_cast<float>((seed >> 8) % (kHeight - 24));
      D3DCOLOR c = 0x80000000u | (seed & 0xFFFFFF);
      v[q * 4 + 0] = {x, y, 0.5f, 1.f, c, 0.f, 0.f};
      v[q * 4 + 1] = {x + 24, y, 0.5f, 1.f, c, 1.f, 0.f};
      v[q * 4 + 2] = {x, y + 24, 0.5f, 1.f, c, 0.f, 1.f};
      v[q * 4 + 3] = {x + 24, y + 24, 0.5f, 1.f, c, 1.f, 1.f};
    }
    vb->Unlock();
  }

  // Waits for the frame: a one-pixel copy read back.
  void Finish() {
    RECT r = {0, 0, 1, 1};
    dev->StretchRect(back, &r, probe, nullptr, D3DTEXF_POINT);
    benchmark::DoNotOptimize(D3D9_ReadBack(probe));
  }

  ~Scene() {
    for (IUnknown* u : std::initializer_list<IUnknown*>{probe, back, ib, vb, tex, dev, d3d})
      if (u) u->Release();
  }
};

void BM_QuadsOneDraw(benchmark::State& state) {
  Scene s;
  if (!s.Create()) {
    state.SkipWithError("no device");
    return;
  }
  for (auto _ : state) {
    s.dev->BeginScene();
    s.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    s.Fill();
    s.dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kQuads * 4, 0, kQuads * 2);
    s.dev->EndScene();
    s.Finish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QuadsOneDraw)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QuadsDrawPerQuad(benchmark::State& state) {
  Scene s;
  if (!s.Create()) {
    state.SkipWithError("no device");
    return;
  }
  for (auto _ : state) {
    s.dev->BeginScene();
    s.dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    s.Fill();
    for (UINT q = 0; q < kQuads; ++q) s.dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, q * 4, 2);
    s.dev->EndScene();
    s.Finish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_QuadsDrawPerQuad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The layer alone: state changes and draws of a single tiny quad, the
// program and sampler looked up again each time.
void BM_StateChangeAndDraw(benchmark::State& state) {
  Scene s;
  if (!s.Create()) {
    state.SkipWithError("no device");
    return;
  }
  s.Fill();
  DWORD i = 0;
  for (auto _ : state) {
    s.dev->SetRenderState(D3DRS_SRCBLEND, (i & 1) ? D3DBLEND_ONE : D3DBLEND_SRCALPHA);
    s.dev->SetTextureStageState(0, D3DTSS_COLOROP, (i & 2) ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);
    s.dev->SetSamplerState(0, D3DSAMP_ADDRESSU, (i & 4) ? D3DTADDRESS_MIRROR : D3DTADDRESS_WRAP);
    s.dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    ++i;
  }
  s.Finish();
}
BENCHMARK(BM_StateChangeAndDraw);

}  // namespace

BENCHMARK_MAIN();
