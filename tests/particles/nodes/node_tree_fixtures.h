#pragma once
// Fake physics registered under the sources' class names for the node-tree
// tests (their records are test-only: the root point's three floats, the
// point group's per-parent count), a node that logs its walks, and helpers
// that read crafted records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "node_fakes.h"
#include "particles/nodes/nodes.h"
#include "particles/nodes/particle_system.h"
#include "particles/nodes/picture_node.h"
#include "geometry/value_graph.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "player/texture_sources.h"
#include "tools/writer/nodes_writer.h"

namespace node_tree_test {

class RecordRootPoint : public node_fakes::FakeRootPoint {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) {
    D3DXVECTOR3 at;
    ar.ReadFloat(&at.x);
    ar.ReadFloat(&at.y);
    ar.ReadFloat(&at.z);
    position.value = at;
  }
};

class RecordPoints : public node_fakes::FakePointPhysics {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ar.ReadInt(&per_parent); }
};

// A registered class of the item family that is no node, physics or effect.
class NotANode : public ZVI_IOF_Item {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ar.ReadInt(&value); }
  int32_t value = 0;
};

class RecordEffect : public node_fakes::FakeEffect {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t version) { ZVI_ParticlSystem_Effect::ReadBaseRecord(ar); }
};

inline void RegisterFakes() {
  RegisterSlideReaders();
  RegisterRenderReaders();
  RegisterValueGraphReaders();
  RegisterTextureSourceReaders();
  RegisterNodeParticleReaders();
  RegisterReader<RecordRootPoint, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_RootPnt");
  RegisterReader<RecordPoints, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_ConstPntGroup");
  RegisterReader<RecordPoints, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_Track");
  RegisterReader<NotANode, ZVI_IOF_Item>(u"Test_NotANode");
  RegisterReader<RecordEffect, ZVI_IOF_Item>(u"Test_Effect");
}

class HeldPoints : public ZVI_PtclSys_Physics {
 public:
  void Clear() override { particles.clear(); }
  ParticleVector Update(const ParticleVector*, float) override { return {}; }
};

// Trails under the trail physics' class name; its test record is one tag.
class FakeTrails : public ZVI_PtclSys_Physics, public ZVI_PtclSys_TrailOps {
 public:
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ar.ReadInt(&tag); }
  void Clear() override {
    ++clears;
    trails.clear();
  }
  ParticleVector Update(const ParticleVector*, float) override {
    ++updates;
    return {};
  }
  void StartTrail(const ParticlePtr& particle) override {
    trails.push_back({particle, DS_SafePtr<ZVI_PtclSys_Physics>(new HeldPoints)});
  }
  std::vector<ParticleStripe>& Trails() override { return trails; }

  std::vector<ParticleStripe> trails;
  int32_t tag = 0;
  int clears = 0, updates = 0;
};

inline void RegisterTraceFakes() {
  RegisterFakes();
  RegisterReader<FakeTrails, ZVI_IOF_Item>(u"ZVI_PtclSysPhys_TraceLine");
}

inline pw::ByteBuilder RootPointRecord(float x = 0, float y = 0, float z = 0) {
  pw::ByteBuilder b;
  b.Header(u"ZVI_PtclSysPhys_RootPnt", 1).F32(x).F32(y).F32(z);
  return b;
}

inline pw::ByteBuilder PointsRecord(int32_t perParent = 1) {
  pw::ByteBuilder b;
  b.Header(u"ZVI_PtclSysPhys_ConstPntGroup", 1).I32(perParent);
  return b;
}

inline pw::ByteBuilder TestEffectRecord(std::u16string_view name) {
  pw::ByteBuilder b;
  b.Header(u"Test_Effect", 1);
  pw::EffectBaseRecord base;
  base.name = std::u16string(name);
  pw::WriteEffectBase(b, base);
  return b;
}

// Reads one object through the item registry; the archive is strict.
template <class T>
std::unique_ptr<T> ReadItem(const pw::ByteBuilder& bytes, uint64_t* left = nullptr) {
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  if (left) *left = ar.Remaining();
  auto* t = dynamic_cast<T*>(item.get());
  if (t) item.release();
  return std::unique_ptr<T>(t);
}

class NodeTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterFakes(); }
};

}  // namespace node_tree_test
