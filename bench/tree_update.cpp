// One frame of a tree-structured system without drawing: ZVI_PtclSys_Mesh::
// Update on a root, a stem releasing 10 000 particles a second that live
// 2 s and a leaf riding each of them (20 000 leaves once warm): births,
// placement, both held lists stepped and the leaf batch filled. No device:
// the fill computes every vertex but has no buffer to write into.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "particles/nodes/tree_leaves.h"
#include "player/app/register_all.h"
#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/tree_writer.h"

namespace {

std::unique_ptr<ZVI_PSTree_Root> Tree(uint32_t perSecond) {
  pw::GeometryRecord onParent;
  onParent.sizeValue = 100;
  pw::TreeLeafRecord leaf;
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, pw::TextureSourceRecord{});
  pw::WriteAlerterTextureSource(leaf.texture, source, 100, 0);
  leaf.quadSize = 16;
  leaf.stretch = 150;
  leaf.stretchJitter = 30;
  pw::WriteGeomPoint(leaf.node.geometry, onParent);
  pw::EmitterRecord e;
  e.count = perSecond;
  e.lifetime = 2.0f;
  e.speed = 100;
  e.geometry.sizeValue = 100;
  pw::ForcesRecord forces;
  forces.gravityMode = 1;
  forces.gravity = 20;
  pw::TreeNodeRecord stem;
  pw::WriteEmitSector(stem.geometry, 2, 90, 60, forces, e);
  pw::WriteTreeLeaf(stem.children.emplace_back(), leaf);
  pw::TreeRootRecord root;
  root.x = 960;
  root.y = 540;
  pw::WriteTreeStem(root.children.emplace_back(), stem);
  pw::ByteBuilder b;
  pw::WriteTreeRoot(b, root);
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> read = ReadObjectOf<DS_ABObj_Constructor>(ar);
  return std::unique_ptr<ZVI_PSTree_Root>(dynamic_cast<ZVI_PSTree_Root*>(read.release()));
}

void BM_TreeUpdate(benchmark::State& state) {
  RegisterEverything();
  std::unique_ptr<ZVI_PSTree_Root> model = Tree(static_cast<uint32_t>(state.range(0)));
  std::unique_ptr<ZVI_PtclSys_Mesh> mesh(static_cast<ZVI_PtclSys_Mesh*>(model->CreateRuntime()));
  float t = 0.0f;
  for (int i = 0; i < 60; ++i) mesh->Update(t += 0.04f);  // warm: every particle alive
  size_t leaves = 0;
  for (auto _ : state) {
    mesh->Update(t += 0.04f);
    auto* stem = static_cast<ZVI_PSTree_Stem*>(mesh->model->children.value[0].get());
    leaves = stem->children.value[0]->geometry->held.size();
    benchmark::DoNotOptimize(leaves);
  }
  state.counters["leaves"] = static_cast<double>(leaves);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(leaves));
}
BENCHMARK(BM_TreeUpdate)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
