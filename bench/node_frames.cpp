// Whole frames of a 1920 x 1080 slide holding a node-tree system of 10 000
// glowing 64-pixel particles (a 100 x 100 grid of fixed spots under a root
// point), played by the frame runner from a project file on the manual clock.
// Argument: the glow off (0) or on (1).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "tools/frame_runner/frame_runner.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/nodes_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::vector<uint8_t> Png(int w, int h, uint32_t argb, bool round) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &px[(static_cast<size_t>(y) * w + x) * 4];
      const float dx = (x + 0.5f) / w - 0.5f, dy = (y + 0.5f) / h - 0.5f;
      p[0] = (argb >> 16) & 0xFF;
      p[1] = (argb >> 8) & 0xFF;
      p[2] = argb & 0xFF;
      p[3] = !round || dx * dx + dy * dy < 0.25f ? argb >> 24 : 0;
    }
  }
  int len = 0;
  unsigned char* mem = stbi_write_png_to_mem(px.data(), w * 4, w, h, 4, &len);
  std::vector<uint8_t> out(mem, mem + len);
  STBIW_FREE(mem);
  return out;
}

pw::ByteBuilder NodeSystem(bool glow) {
  pw::TextureSourceRecord spark;
  spark.block.links = {{u"spark.png", 2}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, spark);
  pw::ByteBuilder band;
  pw::WriteVGeom2DRect(band, 1800, 1000);
  pw::SpotsRecord spots;
  spots.rows = 100;
  spots.columns = 100;
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = 64;
  picture.glow.enabled = glow ? 1 : 0;
  pw::WriteFixedSpots(picture.physics, 2, spots, band);
  pw::NodeBaseRecord root;
  root.children.emplace_back();
  pw::WritePictureNode(root.children.back(), picture);
  pw::RootRecord at;
  at.position = {kW * 0.5f, kH * 0.5f, 0.0f};
  pw::ByteBuilder point;
  pw::WriteRootPnt(point, 3, at);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, point, root);
  pw::ByteBuilder b;
  pw::WriteNodeSystemBuilder(b, system);
  return b;
}

// One slide per argument: the glow off, then on; the runner opens once.
bool OpenRunner() {
  static int state = 0;
  if (state == 0) {
    state = -1;
    pw::SlideShowRecord show;
    for (bool glow : {false, true}) {
      pw::SlideRecord slide;
      slide.fadeIn = 0.0f;
      slide.fadeOut = 0.0f;
      slide.showTime = 1000.0f;
      pw::LightRecord light;
      light.linkName = u"bg.png";
      light.linkId = 0;
      pw::WriteLight(slide.renderContext, light);
      slide.drawn.push_back(NodeSystem(glow));
      show.slides.emplace_back();
      pw::WriteSlide(show.slides.back(), slide);
    }
    pw::DocResRecord record;
    record.imageFiles.push_back({u"bg.png", 0, {{0, u"", u"bg.png", Png(kW, kH, 0xFF203060, false)}}});
    record.rawFrames.push_back({u"spark.png", 2, {{1, Png(64, 64, 0xFFFFFFFF, true), 0.0f}}});
    pw::ByteBuilder manager;
    pw::WriteDocResManager(manager, record);
    const std::string path = "/tmp/bench_node_frames.qmf";
    if (!pw::BuildProject(show, manager).SaveTo(path)) return false;
    runner::Options options;
    options.project = path;
    options.width = kW;
    options.height = kH;
    std::string error;
    if (!runner::Open(options, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return false;
    }
    state = 1;
  }
  return state == 1;
}

void BM_NodeGlowFrames(benchmark::State& state) {
  if (!OpenRunner()) {
    state.SkipWithError("no headless device");
    return;
  }
  // The first slide lasts 1000 s: the glowing slide starts after it.
  double t = state.range(0) == 0 ? 1.0 : 1001.0;
  for (int n = 0; n < 10 && runner::CurrentSlideIndex() != static_cast<int>(state.range(0)); ++n) {
    runner::FrameAt(t);
    t += 1.0 / 30.0;
  }
  if (runner::CurrentSlideIndex() != static_cast<int>(state.range(0))) {
    state.SkipWithError("the slide did not come");
    return;
  }
  for (auto _ : state) {
    t += 1.0 / 30.0;
    runner::FrameAt(t);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_NodeGlowFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
