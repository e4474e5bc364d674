// Filling a picture node's quad batch on the CPU: 10 000 and 50 000 particles
// with rotation and scale in their world matrices, written into one managed
// vertex buffer per frame (the batch keeps its buffers while the count holds).
// And whole frames at 1920 x 1080: 10 000 64-pixel particles with an outer
// glow (default linear dodge through the background chain), filled, drawn,
// blurred and composed.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "core/archive.h"
#include "player/doc_res_manager.h"
#include "player/slide_render_context.h"
#include "player/texture_sources.h"
#include "resources/builtin_resources.h"
#include "tools/writer/docres_writer.h"

#include "bench/bench_device.h"
#include "core/thread_slots.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/picture_node.h"
#include "player/current_device.h"
#include "player/render_context.h"

namespace {

// Holds the particles it is given; no stepping is measured here.
class HeldPoints : public ZVI_PtclSys_Physics {
 public:
  void Clear() override { particles.clear(); }
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
};

void BM_FillPictureBatch(benchmark::State& state) {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, 64, 64);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  RenderContext* rc = CreateRenderContext();
  rc->sceneSize = D3DXVECTOR2(1920, 1080);
  SetCurrentRenderContext(rc);
  {
    auto* model = new ZVI_PtclSys_Constructor;
    ZVI_PtclSys_Obj object(model);
    ZVI_PtclSysNode_Picture picture;
    picture.particleSize.value = 64;
    auto* points = new HeldPoints;
    picture.physics = PhysicsPtr(points);
    const auto n = static_cast<int32_t>(state.range(0));
    for (int32_t k = 0; k < n; ++k) {
      ParticlePtr p(new Particle(D3DXVECTOR3(static_cast<float>(k % 1920), static_cast<float>(k % 1080), 0)));
      D3DXMatrixRotationZ(&p->modifier1, 0.001f * static_cast<float>(k));
      p->scale = D3DXVECTOR3(1.5f, 0.5f, 1);
      p->color = D3DXVECTOR3(1, 0.5f, 0.25f);
      points->particles.push_back(p);
    }
    object.batches.resize(1);
    object.filled.assign(1, 0);
    for (auto _ : state) {
      int32_t index = 0;
      picture.FillBatch(&object, &index);
      benchmark::DoNotOptimize(object.batches[0].triangleCount);
    }
    state.SetItemsProcessed(state.iterations() * n);
  }
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc);
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
BENCHMARK(BM_FillPictureBatch)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> SolidPng(int w, int h, uint32_t argb, bool round) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      const float dx = (x + 0.5f) / w - 0.5f, dy = (y + 0.5f) / h - 0.5f;
      const bool inside = !round || dx * dx + dy * dy < 0.25f;
      p[0] = (argb >> 16) & 0xFF;
      p[1] = (argb >> 8) & 0xFF;
      p[2] = argb & 0xFF;
      p[3] = inside ? argb >> 24 : 0;
    }
  }
  int len = 0;
  unsigned char* mem = stbi_write_png_to_mem(px.data(), w * 4, w, h, 4, &len);
  std::vector<uint8_t> out(mem, mem + len);
  STBIW_FREE(mem);
  return out;
}

void BM_GlowingParticlesFrame(benchmark::State& state) {
  constexpr UINT kW = 1920, kH = 1080;
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = CreateBenchDevice(&d3d, kW, kH);
  if (!dev) {
    state.SkipWithError("no device");
    return;
  }
  SetCurrentDevice(dev);
  SetBackBufferInfo(kW, kH);
  RegisterBuiltInResources();
  RenderContext* rc = CreateRenderContext();
  SetCurrentRenderContext(rc);
  pw::DocResRecord record;
  record.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", SolidPng(kW, kH, 0xFF203060, false)}}});
  record.rawFrames.push_back({u"spark.png", 2, {{1, SolidPng(64, 64, 0xFFFFFFFF, true), 0.0f}}});
  pw::ByteBuilder bytes;
  pw::WriteDocResManager(bytes, record, 4);
  MemoryArchive ar(bytes.bytes().data(), bytes.size());
  std::unique_ptr<DS_DocResManager> doc = ReadDocResManagerRecord(ar);
  SetCurrentDocResManager(doc.get());
  {
    DS_2D_Light light;
    light.backgroundLink.name = u"bg.png";
    light.backgroundLink.id = 1;
    light.BeginSlide();
    QuadCorners screen;
    screen.SetRect(kW, kH);
    light.SetupView(screen);
    light.SetViewMode(kFitLetterbox);
    light.RestartCamera(1);
    light.OnResetDevice();

    auto* model = new ZVI_PtclSys_Constructor;
    auto* object = new ZVI_PtclSys_Obj(model);
    RuntimeObjects objects{DS_SafePtr<DS_ABObj>(object)};
    auto* picture = new ZVI_PtclSysNode_Picture;
    picture->parent = model->root.get();
    model->root->children.Append(NodePtr(picture));
    auto* source = new ZVI_ResIDTex;
    DS_FileLink3 link;
    link.name = u"spark.png";
    link.id = 2;
    source->links = {DS_ImageFileLink(link)};
    picture->texture.value = DS_SafePtr<ZVI_TextureSRC>(source);
    picture->glow.enabled.value = static_cast<int>(state.range(0));
    auto* points = new HeldPoints;
    picture->physics = PhysicsPtr(points);
    model->StartTree();
    for (int32_t k = 0; k < 10000; ++k) {
      ParticlePtr p(new Particle(D3DXVECTOR3(static_cast<float>((k * 37) % kW), static_cast<float>((k * 53) % kH), 0)));
      picture->SetupParticle(p.get());
      points->particles.push_back(p);
    }
    float t = 0.0f;
    for (auto _ : state) {
      object->Update(t += 0.04f);
      dev->BeginScene();
      const int n = object->NeedsBackground();
      if (n > 0) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        light.BeginBackgroundChain();
      }
      light.ClearBackground(0);
      light.RenderObjects(objects, n);
      dev->EndScene();
      dev->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
  }
  SetCurrentDocResManager(nullptr);
  doc.reset();
  SetCurrentRenderContext(nullptr);
  DestroyRenderContext(rc);
  SetBackBufferInfo(0, 0);
  SetCurrentDevice(nullptr);
  dev->Release();
  d3d->Release();
}
// Argument: the glow off (0) or on (1).
BENCHMARK(BM_GlowingParticlesFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
