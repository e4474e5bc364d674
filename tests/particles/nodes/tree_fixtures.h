#pragma once
// A test geometry for the tree-structured systems (its record: per-parent
// count, per-step count, spacing), registered beside the node-tree fakes,
// and helpers that build tree records.
#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/tree_leaves.h"
#include "particles/nodes/tree_nodes.h"
#include "tools/writer/tree_writer.h"

namespace tree_test {

// Places `perParent` held children per parent, `spacing` apart along x,
// and emits `perEmit` per parent and step.
class TreeGeometry : public ZVI_PtclSys_Geometry {
 public:
  TreeGeometry() { sizeJitter.value.SetValue(100u); }
  ParticleVector Place(ParticlePtr parent) override {
    ParticleVector made;
    for (int k = 0; k < perParent; ++k) {
      ParticlePtr c = NewHeldParticle(parent);
      c->position.x += spacing * static_cast<float>(k);
      c->flags |= ParticleFlags::ParentRelative | ParticleFlags::DiesWithParent;
      made.push_back(c);
    }
    return made;
  }
  ParticleVector Emit(float, const ParticlePtr& parent) override {
    ParticleVector made;
    for (int k = 0; k < perEmit; ++k) {
      ParticlePtr c = NewHeldParticle(parent);
      c->flags |= ParticleFlags::ParentRelative;
      made.push_back(c);
    }
    return made;
  }
  void SetOwner(ZVI_PSTree_Node* node) override { owner = node; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t) {
    ar.ReadInt(&perParent);
    ar.ReadInt(&perEmit);
    ar.ReadFloat(&spacing);
  }

  int32_t perParent = 1;
  int32_t perEmit = 0;
  float spacing = 0.0f;
  ZVI_PSTree_Node* owner = nullptr;
};

inline void RegisterTreeFakes() {
  node_tree_test::RegisterFakes();
  RegisterReader<TreeGeometry, ZVI_IOF_Item>(u"Test_TreeGeometry");
}

inline pw::ByteBuilder GeometryRecord(int32_t perParent, int32_t perEmit = 0, float spacing = 0.0f) {
  pw::ByteBuilder b;
  b.Header(u"Test_TreeGeometry", 1).I32(perParent).I32(perEmit).F32(spacing);
  return b;
}

inline TreeGeometry* GeometryOf(ZVI_PSTree_Node* node) { return dynamic_cast<TreeGeometry*>(node->geometry.get()); }

// A model read from bytes through the scene-object registry.
template <class T>
std::unique_ptr<T> ReadModel(const pw::ByteBuilder& bytes, uint64_t* left = nullptr) {
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> item = ReadObjectOf<DS_ABObj_Constructor>(ar);
  if (left) *left = ar.Remaining();
  auto* t = dynamic_cast<T*>(item.get());
  if (t) item.release();
  return std::unique_ptr<T>(t);
}

// A node that logs its calls and steps its held particles.
class LogNode : public ZVI_PSTree_Node {
 public:
  int32_t Step(float dt, const ParticleVector& parents) override {
    lastParents = parents.size();
    if (geometry) StepParticleVector(geometry->held, dt);
    return batches;
  }
  void Fill(ZVI_PtclSys_Mesh*, int32_t* index) override { filledAt = (*index)++; }
  void Draw(ZVI_PtclSys_Mesh*, int32_t* index, ID3DXEffect*, DS_ABRender*, int*) override { drawnAt = (*index)++; }
  int32_t batches = 1;
  size_t lastParents = 0;
  int32_t filledAt = -1;
  int32_t drawnAt = -1;
};

}  // namespace tree_test
