#pragma once
// A test geometry for the tree-structured systems (its record: per-parent
// count, per-step count, spacing), registered beside the node-tree fakes,
// and helpers that build tree records.
#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/tree_curve.h"
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

// Curve physics whose curves follow `shape` (curve units; a straight line
// of `points` points when empty) and whose curve particles sit on their
// parents. Its record: the point count.
class TreeCurvePhysics : public node_fakes::FakeCurvePhysics {
 public:
  ParticleVector Generate(const ParticleVector* sources) override {
    ParticleVector made = FakeCurvePhysics::Generate(sources);
    for (const ParticlePtr& p : made) p->flags |= ParticleFlags::ParentRelative;
    return made;
  }
  DS_SafePtr<ZVI_PtclSys_Physics> RebuildCurve(const ParticlePtr& curve) override {
    if (shape.empty()) return FakeCurvePhysics::RebuildCurve(curve);
    auto* line = new node_fakes::FakePointPhysics;
    for (const D3DXVECTOR3& at : shape) line->particles.push_back(ParticlePtr(new Particle(at)));
    return DS_SafePtr<ZVI_PtclSys_Physics>(line);
  }
  bool ReadRecord(DS_IOF_Archive& ar, int32_t) override {
    ar.ReadInt(&points);
    return true;
  }
  std::vector<D3DXVECTOR3> shape;
};

// f(x) = a + b x.
class LinearGraph : public ZVI_VGraph {
 public:
  LinearGraph(float offset, float slope) : a(offset), b(slope) {}
  void Write(DS_IOF_Archive&) const override {}
  std::string GetTypeName() const override { return "Test_LinearGraph"; }
  float MaxValue() const override { return a + b; }
  float ValueAt(float x, int32_t&) const override { return a + b * x; }
  bool GetKey(int32_t, float*, float*) const override { return false; }
  float a, b;
};
inline DS_SafePtr<ZVI_VGraph> Linear(float offset, float slope) {
  return DS_SafePtr<ZVI_VGraph>(new LinearGraph(offset, slope));
}

inline void RegisterTreeFakes() {
  node_tree_test::RegisterFakes();
  RegisterReader<TreeGeometry, ZVI_IOF_Item>(u"Test_TreeGeometry");
  RegisterReader<TreeCurvePhysics, ZVI_IOF_Item>(u"Test_CurvePhysics");
}

inline pw::ByteBuilder CurvePhysicsRecord(int32_t points) {
  pw::ByteBuilder b;
  b.Header(u"Test_CurvePhysics", 1).I32(points);
  return b;
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
