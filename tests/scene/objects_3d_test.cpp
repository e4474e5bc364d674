// 3-D objects in the 2-D scene: the records, the leaves' motion, the
// runtimes' frames and clock, and the meshes drawn at their frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/crt.h"
#include "player/slide_render_context.h"
#include "resources/builtin_resources.h"
#include "scene/objects_3d.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/objects_3d_writer.h"

using namespace render_test;

namespace {

using scene_test::PictureDocument;

// A 2 x 2 plate in the x-y plane about (cx, cy, 0), two triangles.
std::string PlateX(float cx = 0.0f, float cy = 0.0f) {
  auto v = [](float x, float y) { return std::to_string(x) + ";" + std::to_string(y) + ";0.0;"; };
  return "xof 0303txt 0032\nMesh {\n 4;\n " + v(cx - 1, cy - 1) + ",\n " + v(cx + 1, cy - 1) + ",\n " +
         v(cx - 1, cy + 1) + ",\n " + v(cx + 1, cy + 1) + ";\n 2;\n 3;0,1,2;,\n 3;2,1,3;;\n}\n";
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// The shared headless device, current for one test.
struct DeviceScope {
  DeviceScope() { SetCurrentDevice(Device()); }
  ~DeviceScope() { SetCurrentDevice(nullptr); }
};

// A 3-D object whose roots are numbered in the order they are made.
class NumberedObject : public DS_3D_Obj_Ctrl {
 public:
  NumberedObject() = default;
  NumberedObject(const NumberedObject&) = default;
  void LoadMeshes(std::vector<MeshInstance>& meshes) override {
    loadedWhileFlagged = loadingFlag && *loadingFlag;
    meshes.resize(1);
  }
  void AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) override {
    meshes[0].subFrames.assign(roots.begin(), roots.end());
  }
  DS_Frame* CreateFrame() override {
    auto* root = new DS_Frame();
    root->sphere_radius = static_cast<float>(++made);
    root->children.push_back(new DS_Frame());
    return root;
  }
  DS_3D_Obj_Ctrl* Clone() const override { return new NumberedObject(*this); }
  void ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadObjCtrlRecord(ar); }

  int made = 0;
  const bool* loadingFlag = nullptr;
  bool loadedWhileFlagged = false;
};

std::vector<float> RootNumbers(const DS_3DObjArray& array) {
  std::vector<float> out;
  for (const DS_Frame* f : array.roots) out.push_back(f->sphere_radius);
  return out;
}

// ---- records

TEST(Objects3DRecords, ArrayRecordReadsEveryFieldAndItsDirection) {
  pw::Array3DIn2DRecord r;
  r.name = u"leaves";
  r.count = 7;
  r.mesh = {0, u"", u"leaf.x", Bytes(PlateX())};
  r.texture = {12, u"pack.dll", u"leaf.png", {1, 2, 3}};
  r.size = 40;
  r.speed = 60;
  r.sway = 5;
  r.changeRate = 9;
  r.spin = 80;
  r.direction = 90;
  r.base.name = u"leaves";
  pw::ByteBuilder b;
  pw::Write3DIn2DArray(b, r);
  auto model = scene_test::ReadModel(b);
  auto* a = dynamic_cast<DS_3D_in_2D_array_Constructor*>(model.get());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->name, u"leaves");
  EXPECT_EQ(a->count.value, 7u);
  EXPECT_EQ(a->meshFile.path, u"leaf.x");
  EXPECT_EQ(a->meshFile.size, PlateX().size());
  EXPECT_EQ(a->textureFile.resourceId, 12u);
  EXPECT_EQ(a->textureFile.moduleName, u"pack.dll");
  EXPECT_EQ(a->textureFile.size, 3u);
  EXPECT_EQ(a->leaf.size.value, 40u);
  EXPECT_EQ(a->leaf.speed.value, 60u);
  EXPECT_EQ(a->leaf.sway.value, 5u);
  EXPECT_EQ(a->leaf.changeRate.value, 9u);
  EXPECT_EQ(a->leaf.spin.value, 80u);
  EXPECT_EQ(a->leaf.direction.value, 90);
  // 90 degrees points up the picture, its side to the left.
  EXPECT_NEAR(a->leaf.dir.x, 0.0f, 1e-6f);
  EXPECT_NEAR(a->leaf.dir.y, -1.0f, 1e-6f);
  EXPECT_NEAR(a->leaf.side.x, -1.0f, 1e-6f);
  EXPECT_NEAR(a->leaf.side.y, 0.0f, 1e-6f);

  for (size_t cut = 0; cut + 1 < b.size(); cut += 3) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error) << cut;
  }
  // A byte count beyond the data is an error, never a huge allocation.
  pw::ByteBuilder hostile;
  hostile.Header(u"DS_3D_in_2D_array_Constructor", 1).WideString(u"x").U32(0xFFFFFFFFu);
  hostile.U32(0).WideString(u"").U32(0x7FFFFFF0u);
  MemoryArchive ar(hostile.bytes().data(), hostile.size(), true);
  EXPECT_THROW(ReadObjectOf<DS_ABObj_Constructor>(ar), DS_Error);
}

TEST(Objects3DRecords, ObjectBaseRecordReadsLinksAndTheViewRecord) {
  RegisterEverything();
  PictureDocument doc(800, 600);
  pw::ObjCtrl3DRecord r;
  r.count = 3;
  r.size = 120;
  r.imageName = u"common_res.dll";
  r.imageId = 71;
  r.meshName = u"wing.x";
  r.meshId = 1234567890123LL;
  r.view.left = 0.25f;
  r.view.right = 0.5f;
  r.view.viewSpeed = 75;
  r.view.base.name = u"object";
  pw::ByteBuilder b;
  pw::Write3DObjCtrl(b, r);
  NumberedObject o;
  EXPECT_EQ(o.count.value, 1u);
  EXPECT_EQ(o.size.value, 50u);
  EXPECT_EQ(o.viewSpeed.value, 50u);
  EXPECT_FALSE(o.Query3D());
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  o.ReadRecord(ar, 1);
  EXPECT_EQ(ar.Remaining(), 0u);
  EXPECT_EQ(o.count.value, 3u);
  EXPECT_EQ(o.size.value, 120u);
  EXPECT_EQ(o.imageLink.name, u"common_res.dll");
  EXPECT_EQ(o.imageLink.id, 71);
  EXPECT_EQ(o.meshLink.name, u"wing.x");
  EXPECT_EQ(o.meshLink.id, 1234567890123LL);
  EXPECT_FLOAT_EQ(o.left, 0.25f);
  EXPECT_FLOAT_EQ(o.right, 0.5f);
  EXPECT_EQ(o.viewSpeed.value, 75u);
  EXPECT_EQ(o.name, u"object");
  for (size_t cut = 0; cut + 1 < b.size(); cut += 4) {
    MemoryArchive part(b.bytes().data(), cut, true);
    NumberedObject fresh;
    EXPECT_THROW(fresh.ReadRecord(part, 1), DS_Error) << cut;
  }
}

// ---- leaves

TEST(Leaves, FirstLeafAfterSeedOne) {
  PictureDocument doc(800, 600);
  LeafParams p;
  crt_srand(1);
  DS_LeafFallAnim leaf(&p);
  EXPECT_NEAR(leaf.drift._41, 1.00101f, 1e-5f);
  EXPECT_NEAR(leaf.drift._42, 338.151f, 1e-3f);
  EXPECT_NEAR(leaf.wobble, -0.613392f, 1e-6f);
  EXPECT_NEAR(leaf.speedFactor, 0.118524f, 1e-6f);
  for (float a : leaf.spinAngle) EXPECT_TRUE(std::fabs(a) >= 7.0f && std::fabs(a) <= 10.0f) << a;
  for (float a : leaf.swingAngle) EXPECT_TRUE(a == 0.0f || (std::fabs(a) >= 3.0f && std::fabs(a) <= 7.0f)) << a;
}

TEST(Leaves, LeavingThePictureRespawnsAtTheOppositeEdge) {
  PictureDocument doc(800, 600);
  const float r = 10.0f;  // size 20
  struct Case {
    int32_t direction;
    float x, y;          // just past the edge it moves towards
    bool fixedX;         // which coordinate the respawn fixes
    float fixed;
  };
  const Case cases[] = {
      {0, 800 + r + 1, 300, true, -r},     // right: back at the left
      {180, -r - 1, 300, true, 800 + r},   // left: back at the right
      {270, 400, 600 + r + 1, false, -r},  // down: back at the top
      {90, 400, -r - 1, false, 600 + r},   // up: back at the bottom
  };
  for (const Case& c : cases) {
    LeafParams p;
    p.size.value = 20;
    p.SetDirection(c.direction);
    DS_SreamAnim leaf(&p);
    leaf.drift._41 = c.x;
    leaf.drift._42 = c.y;
    DS_SreamAnim::frameTime = 0.1f;
    DS_Frame frame;
    leaf.Apply(&frame);
    const float fixed = c.fixedX ? leaf.drift._41 : leaf.drift._42;
    const float other = c.fixedX ? leaf.drift._42 : leaf.drift._41;
    EXPECT_FLOAT_EQ(fixed, c.fixed) << c.direction;
    EXPECT_GE(other, 0.0f) << c.direction;
    EXPECT_LE(other, c.fixedX ? 600.0f : 800.0f) << c.direction;
    EXPECT_EQ(frame.world._41, leaf.drift._41);
  }
  DS_SreamAnim::frameTime = 0.0f;
}

TEST(Leaves, WithoutSwayTheLeafDriftsAlongItsDirectionAndNeverSwings) {
  PictureDocument doc(800, 600);
  for (uint32_t sway : {0u, 50u}) {
    LeafParams p;
    p.sway.value = sway;
    p.changeRate.value = 0;
    p.SetDirection(30);
    crt_srand(3);
    DS_LeafFallAnim leaf(&p);
    leaf.wobble = 0.5f;
    const float x0 = leaf.drift._41, y0 = leaf.drift._42;
    const float swing0 = leaf.swingAngle[0], swing1 = leaf.swingAngle[1];
    leaf.previousTime = 1.0f;
    DS_SreamAnim::frameTime = 1.1f;
    DS_Frame frame;
    frame.sphere_radius = 1.0f;
    leaf.Apply(&frame);
    const float m = 50.0f * leaf.speedFactor * leaf.step * 50.0f;
    const float dx = leaf.drift._41 - x0, dy = leaf.drift._42 - y0;
    if (sway == 0) {
      EXPECT_NEAR(dx, p.dir.x * m, 1e-4f);
      EXPECT_NEAR(dy, p.dir.y * m, 1e-4f);
      EXPECT_EQ(leaf.swingAngle[0], swing0);
      EXPECT_EQ(leaf.swingAngle[1], swing1);
      EXPECT_EQ(leaf.wobble, 0.5f) << "a change rate of 0 keeps the wobble";
    } else {
      // k = 50 x 0.02 x 0.5 = 0.5 of the side vector joins the direction.
      EXPECT_NEAR(dx, (p.dir.x + 0.5f * p.side.x) * m, 1e-3f);
      EXPECT_NEAR(dy, (p.dir.y + 0.5f * p.side.y) * m, 1e-3f);
    }
  }
  DS_SreamAnim::frameTime = 0.0f;
}

TEST(Leaves, ScaleTakesTheSizeToTheBoundingSphereAndSurvivesRadiusZero) {
  PictureDocument doc(800, 600);
  struct Case {
    float radius;
    float scale;  // of the mesh units
  };
  for (const Case& c : {Case{4.0f, 5.0f}, Case{0.0f, 20.0f}}) {
    LeafParams p;
    p.size.value = 40;
    DS_LeafFallAnim leaf(&p);
    DS_Frame frame;
    frame.sphere_radius = c.radius;
    leaf.Apply(&frame);
    const D3DXVECTOR3 row(frame.world._11, frame.world._12, frame.world._13);
    EXPECT_NEAR(D3DXVec3Length(&row), c.scale, 1e-4f) << c.radius;
    EXPECT_TRUE(std::isfinite(frame.world._41)) << c.radius;
  }
}

// ---- runtimes

TEST(Objects3DRuntime, ArrayCopiesFollowTheCountWithinTheCap) {
  DeviceScope device;
  PictureDocument doc(800, 600);
  struct Case {
    uint32_t count;
    size_t frames;
  };
  for (const Case& c : {Case{0, 0}, Case{3, 3}, Case{0xFFFFFFFFu, kMax3DCopies}}) {
    DS_3D_in_2D_array_Constructor model;
    model.count.value = c.count;
    model.meshFile.path = u"plate.x";
    std::memcpy(model.meshFile.Allocate(static_cast<uint32_t>(PlateX(5, 0).size())), PlateX(5, 0).data(),
                PlateX(5, 0).size());
    std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
    auto* array = dynamic_cast<DS_3D_in_2D_array*>(runtime.get());
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->ArrayModel()->runtime, array);
    ASSERT_EQ(array->mesh.children.size(), c.frames) << c.count;
    if (c.frames == 0) continue;
    const DS_Frame* first = array->mesh.children.front();
    EXPECT_NE(dynamic_cast<DS_LeafFallAnim*>(first->controller), nullptr);
    EXPECT_NEAR(first->sphere_center.x, 5.0f, 1e-5f);
    EXPECT_NEAR(first->sphere_radius, std::sqrt(2.0f), 1e-4f);
    EXPECT_NEAR(first->local._41, -5.0f, 1e-5f) << "the rest matrix centres the mesh";
    if (c.frames == 3) {
      std::vector<DS_Frame*> before(array->mesh.children.begin(), array->mesh.children.end());
      array->SetCopyCount(1);
      ASSERT_EQ(array->mesh.children.size(), 1u);
      EXPECT_EQ(array->mesh.children.front(), before[2]);
    }
  }
}

TEST(Objects3DRuntime, CountChangesRebuildRootsFromTheFront) {
  PictureDocument doc(800, 600);
  NumberedObject model;
  model.count.value = 3;
  std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
  auto* array = dynamic_cast<DS_3DObjArray*>(runtime.get());
  ASSERT_NE(array, nullptr);
  auto* copy = static_cast<NumberedObject*>(array->ObjModel());
  EXPECT_NE(copy, &model);
  ASSERT_EQ(array->meshes.size(), 1u);
  EXPECT_EQ(RootNumbers(*array), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(array->meshes[0].subFrames.size(), 3u);

  copy->count.SetValue(1);
  EXPECT_EQ(RootNumbers(*array), (std::vector<float>{3})) << "the two oldest go";
  ASSERT_EQ(array->meshes[0].subFrames.size(), 1u);
  EXPECT_EQ(array->meshes[0].subFrames[0], array->roots.front());
  copy->count.SetValue(2);
  EXPECT_EQ(RootNumbers(*array), (std::vector<float>{3, 4}));
  copy->count.SetValue(0);
  EXPECT_TRUE(array->roots.empty());
  EXPECT_TRUE(array->meshes[0].subFrames.empty());
  copy->count.SetValue(0xFFFFFFFFu);
  EXPECT_EQ(array->roots.size(), kMax3DCopies);
  EXPECT_EQ(model.made, 0) << "the model itself makes no frames";
}

TEST(Objects3DRuntime, ClockAdvancesBySpeedTimesTheClampedGap) {
  PictureDocument doc(800, 600);
  struct Case {
    uint32_t speed;
    float step;
  };
  for (const Case& c : {Case{50, 0.2f}, Case{25, 0.1f}, Case{100, 0.4f}}) {
    NumberedObject model;
    model.viewSpeed.value = c.speed;
    std::unique_ptr<DS_ABObj> runtime(model.CreateRuntime());
    auto* array = static_cast<DS_3DObjArray*>(runtime.get());
    array->Update(1.0f);
    const float before = array->ObjModel()->ClockTotal();
    array->Update(1.5f);
    EXPECT_FLOAT_EQ(array->ObjModel()->ClockStep(), c.step) << c.speed;
    EXPECT_FLOAT_EQ(array->ObjModel()->ClockTotal() - before, c.step) << c.speed;
    array->Update(1.55f);
    EXPECT_NEAR(array->ObjModel()->ClockStep(), 0.05f * c.speed * 0.02f, 1e-6f);
  }
}

// ---- meshes by link

TEST(Objects3DMeshes, MeshesAndPicturesByLink) {
  RegisterBuiltInResources();
  DeviceScope device;
  PictureDocument doc(800, 600);
  MeshInstance pack;
  EXPECT_EQ(pack.primitiveType, D3DPT_TRIANGLESTRIP);
  pack.LoadMesh(DS_MeshFile(u"common_res.dll", 70), DS_ImageFileLink(71, u"common_res.dll"));
  EXPECT_TRUE(pack.HasMesh());
  EXPECT_TRUE(pack.texture);
  EXPECT_EQ(pack.primitiveType, D3DPT_TRIANGLELIST);
  EXPECT_GT(pack.radius, 0.0f);
  MeshInstance again;
  again.LoadMesh(DS_MeshFile(u"common_res.dll", 70), DS_ImageFileLink(71, u"common_res.dll"));
  EXPECT_EQ(again.vertexBuffer.Get(), pack.vertexBuffer.Get()) << "made once per document";

  MeshInstance missing;
  missing.LoadMesh(DS_MeshFile(u"nowhere.dll", 70), DS_ImageFileLink(71, u"nowhere.dll"));
  EXPECT_FALSE(missing.HasMesh());

  // A copy the project stores wins over the pack's mesh.
  EmbeddedFile stored;
  stored.resourceId = 69;
  stored.moduleName = u"common_res.dll";
  const std::string plate = PlateX(7, 0);
  std::memcpy(stored.Allocate(static_cast<uint32_t>(plate.size())), plate.data(), plate.size());
  doc.doc().DocumentData(LinkKey(u"common_res.dll", 69)).push_back(std::move(stored));
  MeshInstance fromProject;
  fromProject.LoadMesh(DS_MeshFile(u"common_res.dll", 69), DS_ImageFileLink(71, u"common_res.dll"));
  EXPECT_EQ(fromProject.vertexCount, 4);
  EXPECT_NEAR(fromProject.center.x, 7.0f, 1e-4f);
}

// ---- drawing

constexpr D3DCOLOR kGrey = kSlideGrey;  // the slide picture
constexpr D3DCOLOR kRed = 0xFFFF0000;

class Objects3DPixels : public SlideLightTest {
 protected:
  void SetUp() override {
    SlideLightTest::SetUp();
    RegisterBuiltInResources();
    StartSlide();
  }
};

TEST_F(Objects3DPixels, ArrayDrawsItsTexturedMeshWhereItsLeavesAre) {
  ASSERT_EQ(GetRenderSettings().pictureWidth, kBack);
  for (uint32_t count : {1u, 0u}) {
    DS_3D_in_2D_array_Constructor model;
    model.count.value = count;
    model.leaf.size.value = 24;
    const std::string plate = PlateX(3, 3);
    model.meshFile.path = u"plate.x";
    std::memcpy(model.meshFile.Allocate(static_cast<uint32_t>(plate.size())), plate.data(), plate.size());
    const std::vector<uint8_t> red = Png(4, 4, [](int, int) { return kRed; });
    model.textureFile.path = u"red.png";
    std::memcpy(model.textureFile.Allocate(static_cast<uint32_t>(red.size())), red.data(), red.size());
    objects_.clear();
    objects_.push_back(DS_SafePtr<DS_ABObj>(model.CreateRuntime()));
    auto* array = static_cast<DS_3D_in_2D_array*>(objects_.back().get());
    D3DXVECTOR3 centre(0.0f, 0.0f, 0.0f);
    if (count > 0) {
      auto* leaf = static_cast<DS_LeafFallAnim*>(array->mesh.children.front()->controller);
      leaf->drift._41 = 32.0f;
      leaf->drift._42 = 32.0f;
      leaf->swingAngle[0] = leaf->swingAngle[1] = 0.0f;  // the 50-unit swing arm straight along z
    }
    array->Update(0.0f);
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(4, 4), kGrey)) << std::hex << px.at(4, 4);
    EXPECT_TRUE(Near(px.at(60, 60), kGrey)) << std::hex << px.at(60, 60);
    if (count == 0) {
      EXPECT_TRUE(Near(px.at(32, 32), kGrey)) << std::hex << px.at(32, 32);
      continue;
    }
    const DS_Frame* frame = array->mesh.children.front();
    const D3DXVECTOR3 meshCentre(3.0f, 3.0f, 0.0f);
    D3DXVec3TransformCoord(&centre, &meshCentre, &frame->world);
    EXPECT_NEAR(centre.x, 32.0f, 1.0f);
    EXPECT_NEAR(centre.y, 32.0f, 1.0f);
    EXPECT_TRUE(Near(px.at(32, 32), kRed)) << std::hex << px.at(32, 32);
    EXPECT_TRUE(Near(px.at(36, 30), kRed)) << std::hex << px.at(36, 30);
  }
}

// Two windings of one quad: red texels for the one kept by counter-clockwise
// culling, green for the other; alpha one half over grey.
MeshBuffers TwoWindingQuad(IDirect3DDevice9* dev) {
  MeshBuffers b;
  dev->CreateVertexBuffer(8 * sizeof(DX_V::PNT), 0, DX_V::PNT::FVF, D3DPOOL_MANAGED,
                          b.vertexBuffer.ReleaseAndGetAddressOf(), nullptr);
  dev->CreateIndexBuffer(24, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, b.indexBuffer.ReleaseAndGetAddressOf(), nullptr);
  void* data = nullptr;
  b.vertexBuffer->Lock(0, 0, &data, 0);
  auto* v = static_cast<DX_V::PNT*>(data);
  const float pos[4][2] = {{0, 0}, {8, 0}, {0, 8}, {8, 8}};
  for (int k = 0; k < 8; ++k) v[k] = DX_V::PNT{pos[k % 4][0], pos[k % 4][1], 0, 0, 0, -1, k < 4 ? 0.25f : 0.75f, 0.5f};
  b.vertexBuffer->Unlock();
  b.indexBuffer->Lock(0, 0, &data, 0);
  const uint16_t order[12] = {0, 1, 2, 2, 1, 3, 4, 6, 5, 6, 7, 5};
  std::memcpy(data, order, sizeof order);
  b.indexBuffer->Unlock();
  b.vertexCount = 8;
  b.faceCount = 4;
  return b;
}

TEST_F(Objects3DPixels, TransparentInstanceDrawsEveryFrameThenEveryFrameWithOppositeCulling) {
  MeshInstance mesh;
  mesh.SetMesh(TwoWindingQuad(dev_));
  mesh.texture = [&] {
    ComPtr<IDirect3DTexture9> t;
    dev_->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t.ReleaseAndGetAddressOf(), nullptr);
    D3DLOCKED_RECT lr{};
    t->LockRect(0, &lr, nullptr, 0);
    auto* p = static_cast<uint32_t*>(lr.pBits);
    p[0] = 0x80FF0000u;
    p[1] = 0x8000FF00u;
    t->UnlockRect(0);
    return t;
  }();
  // Both frames at one place, both with the flag they are made with.
  DS_Frame a, b;
  D3DXMatrixTranslation(&a.world, 20, 20, 0);
  D3DXMatrixTranslation(&b.world, 20, 20, 0);
  mesh.subFrames = {&a, &b};
  auto channel = [](D3DCOLOR c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  // Layers of alpha 1/2 over grey 200: the last counts 1/2, the one before 1/4, ...
  auto expect = [&](const Pixels& px, const std::vector<int>& redFirst, const char* what) {
    double r = 200, g = 200, bl = 200;
    for (int red : redFirst) {
      r = r / 2 + (red ? 127.5 : 0);
      g = g / 2 + (red ? 0 : 127.5);
      bl = bl / 2;
    }
    const D3DCOLOR got = px.at(24, 24);
    EXPECT_NEAR(channel(got, 16), r, 5) << what << std::hex << " " << got;
    EXPECT_NEAR(channel(got, 8), g, 5) << what << std::hex << " " << got;
    EXPECT_NEAR(channel(got, 0), bl, 5) << what << std::hex << " " << got;
  };
  mesh.transparent = false;
  const D3DCOLOR opaque = Frame([&] { light_->DrawMesh(&mesh); }).at(24, 24);
  EXPECT_TRUE(Near(opaque, kRed)) << "opaque: no blending, each frame's own culling " << std::hex << opaque;
  mesh.transparent = true;
  expect(Frame([&] { light_->DrawMesh(&mesh); }), {1, 1, 0, 0}, "transparent: then both again, opposite");
  b.mirror = false;
  expect(Frame([&] { light_->DrawMesh(&mesh); }), {1, 0, 0, 1}, "a cleared flag swaps the frame's order");
  DWORD cull = 0, blend = TRUE;
  dev_->GetRenderState(D3DRS_CULLMODE, &cull);
  dev_->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(cull, static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_EQ(blend, static_cast<DWORD>(FALSE));

  // Without buffers nothing is drawn.
  MeshInstance empty;
  empty.subFrames = {&a};
  EXPECT_TRUE(Near(Frame([&] { light_->DrawMesh(&empty); }).at(24, 24), kGrey));
}

}  // namespace
