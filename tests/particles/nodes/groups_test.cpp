// Object groups: the group record and its node, the displacement along the
// curve, the members built once under the group's GUID, and the collapsed
// and expanded runtime object.
#include <gtest/gtest.h>

#include <memory>

#include "geometry/registration.h"
#include "node_tree_fixtures.h"
#include "particles/nodes/groups.h"
#include "tools/writer/geometry_writer.h"

using namespace node_tree_test;

namespace {

void RegisterGroupFakes() {
  RegisterFakes();
  RegisterGeometryReaders();
  RegisterChronoReaders();
}

// A node system as a member: a root whose root point sits at the origin.
pw::ByteBuilder Member(const char16_t* name) {
  pw::NodeBaseRecord root;
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, RootPointRecord(0, 0, 0), root);
  system.object.name = name;
  pw::ByteBuilder b;
  pw::WriteNodeSystem(b, system);
  return b;
}

pw::ByteBuilder GroupBytes(int32_t mode, uint32_t pathPosition, uint8_t expanded) {
  pw::ByteBuilder curve;
  pw::WriteVGeom2DPolyline(curve, {pw::NodeRecord{{10, 20, 0}}, pw::NodeRecord{{110, 20, 0}}});
  pw::ByteBuilder node;
  node.Header(u"ZVI_GroupNode", 2).F32(10).F32(20).F32(0);
  node.Append(curve).I32(mode);
  node.U32(1).U32(pathPosition);
  pw::WriteChronoDefault(node, pw::ChronoRecord());
  pw::NodeBaseRecord base;
  pw::WriteRootNode(node, RootPointRecord(10, 20, 0), base);
  pw::ByteBuilder b;
  b.Header(u"ZVI_Group_Constructor", 2).U8(expanded).Append(node);
  b.U32(2).Append(Member(u"first")).Append(Member(u"second"));
  pw::ConstructorRecord object;
  object.name = u"Group";
  pw::WriteConstructorBase(b, object);
  return b;
}

std::unique_ptr<ZVI_Group_Constructor> ReadGroup(const pw::ByteBuilder& bytes, uint64_t* left = nullptr) {
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  std::unique_ptr<DS_ABObj_Constructor> model = ReadObject(ar);
  if (left) *left = ar.Remaining();
  auto* g = dynamic_cast<ZVI_Group_Constructor*>(model.get());
  if (g) model.release();
  return std::unique_ptr<ZVI_Group_Constructor>(g);
}

TEST(Groups, RecordNodeAndMembers) {
  RegisterGroupFakes();
  uint64_t left = 1;
  std::unique_ptr<ZVI_Group_Constructor> group = ReadGroup(GroupBytes(1, 50, 0), &left);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(left, 0u);
  EXPECT_FALSE(group->expanded.value);
  EXPECT_EQ(group->name, u"Group");
  EXPECT_EQ(group->GetKind(), 10);
  ZVI_GroupNode* node = group->GetGroupNode();
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->offset, D3DXVECTOR3(10, 20, 0));
  EXPECT_EQ(node->mode.value, 1);
  EXPECT_FLOAT_EQ(node->pathPosition.derived, 0.5f);
  ASSERT_NE(node->curve.value.get(), nullptr);
  EXPECT_EQ(group->memberModels->size(), 2u);
}

// Mode 0: the root point's position minus the offset (0 for a new node);
// mode 1 at path position 1.0: the end of the curve.
TEST(Groups, DisplacementByMode) {
  RegisterGroupFakes();
  ZVI_Group_Constructor fresh;
  D3DXVECTOR3 d(1, 1, 1);
  fresh.GetPosition(&d);
  EXPECT_EQ(d, D3DXVECTOR3(0, 0, 0));
  for (auto [mode, path, want] : {std::tuple{0, 100u, 0.0f}, std::tuple{1, 100u, 100.0f}, std::tuple{1, 50u, 50.0f}}) {
    std::unique_ptr<ZVI_Group_Constructor> group = ReadGroup(GroupBytes(mode, path, 1));
    ASSERT_NE(group, nullptr);
    group->GetPosition(&d);
    EXPECT_NEAR(d.x, want, 1e-3f) << mode << " " << path;
    EXPECT_NEAR(d.y, 0.0f, 1e-3f);
  }
}

TEST(Groups, MembersAreBuiltOnceUnderTheGroup) {
  RegisterGroupFakes();
  std::unique_ptr<ZVI_Group_Constructor> group = ReadGroup(GroupBytes(1, 100, 0));
  ASSERT_NE(group, nullptr);
  std::unique_ptr<ZVI_Group_Constructor> repeat = ReadGroup(GroupBytes(1, 100, 0));
  repeat->guid = group->guid = GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  RuntimeObjects objects;
  RuntimeMap map;
  group->GetOrCreateRuntime(objects, map);
  ASSERT_EQ(objects.size(), 1u);
  auto* runtime = dynamic_cast<ZVI_Group_Obj*>(objects[0].get());
  ASSERT_NE(runtime, nullptr);
  ASSERT_EQ(runtime->group->members.size(), 2u);
  for (auto& m : runtime->group->members) EXPECT_TRUE(m->Model()->parentGroup == group->guid);
  EXPECT_TRUE(group->memberModels->empty());
  // The member finds its group's node through the group's GUID.
  EXPECT_EQ(runtime->group->members[0]->Model()->GetGroupNode(), runtime->group->GetGroupNode());
  // A repeated group GUID shares the first runtime object and builds nothing.
  repeat->GetOrCreateRuntime(objects, map);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[1].get(), objects[0].get());
  EXPECT_EQ(runtime->group->members.size(), 2u);

  // Collapsed: the group moves, times and draws its members itself.
  EXPECT_EQ(runtime->MemberCount(), 0);
  RuntimeObjects flat;
  EXPECT_TRUE(runtime->AppendMembers(flat));
  EXPECT_EQ(flat.size(), 2u);
  runtime->Update(0.5f);
  auto* member = dynamic_cast<ZVI_PtclSys_Obj*>(runtime->group->members[0].get());
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(member->system->root->RootPoint()->offset, D3DXVECTOR3(100, 0, 0));
  runtime->SetRunning(false);
  EXPECT_FALSE(member->running);

  // Expanding puts the members after the group in the slide's vector; the
  // group no longer hands them out.
  RuntimeObjects slide{objects[0]};
  runtime->ExpandMembers(0, slide);
  EXPECT_EQ(slide.size(), 3u);
  EXPECT_TRUE(runtime->group->expanded.value);
  EXPECT_EQ(runtime->MemberCount(), 2);
  flat.clear();
  EXPECT_TRUE(runtime->AppendMembers(flat));
  EXPECT_TRUE(flat.empty());
  EXPECT_EQ(runtime->NeedsBackground(), 0);
  runtime->ExpandMembers(0, slide);
  EXPECT_EQ(slide.size(), 1u);
  EXPECT_FALSE(runtime->group->expanded.value);
  objects.clear();
  slide.clear();
  flat.clear();
}

// Setting the members empties the old ones and takes the given objects up to
// the first without a parent group.
TEST(Groups, SetMembersTakesUpToTheFirstObjectOutsideAGroup) {
  RegisterGroupFakes();
  std::unique_ptr<ZVI_Group_Constructor> group = ReadGroup(GroupBytes(1, 100, 0));
  ASSERT_NE(group, nullptr);
  RuntimeObjects objects;
  RuntimeMap map;
  group->GetOrCreateRuntime(objects, map);
  auto* runtime = dynamic_cast<ZVI_Group_Obj*>(objects.at(0).get());
  ASSERT_NE(runtime, nullptr);
  const RuntimeObjects old = runtime->group->members;
  ASSERT_EQ(old.size(), 2u);
  // Two grouped objects, one outside any group, one grouped again.
  RuntimeObjects given{old[1], old[0], objects[0], old[1]};
  EXPECT_TRUE(runtime->SetMembers(given.begin(), given.end()));
  ASSERT_EQ(runtime->group->members.size(), 2u);
  EXPECT_EQ(runtime->group->members[0].get(), old[1].get());
  EXPECT_EQ(runtime->group->members[1].get(), old[0].get());
  // An empty range leaves no member.
  EXPECT_TRUE(runtime->SetMembers(given.begin(), given.begin()));
  EXPECT_TRUE(runtime->group->members.empty());
  given.clear();
  objects.clear();
}

}  // namespace
