// Node-tree systems drawn headless on a 64 x 64 back buffer whose slide
// picture is 64 x 64 (scene pixels are screen pixels): tinted quads, blends,
// atlas cells and flips, background-mode particles, glow, radial sprites,
// the shadow copy, and batches past one 16-bit index pattern.
#include <memory>

#include "node_tree_fixtures.h"
#include "particles/nodes/line_node.h"
#include "particles/nodes/picture_kinds.h"
#include "particles/nodes/trace_node.h"
#include "player/project_reader.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "player/slide_container.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"

using namespace render_test;
using namespace node_tree_test;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202060;

DS_SafePtr<ZVI_TextureSRC> Source(const char16_t* name, int64_t id, uint32_t columns = 1, uint32_t rows = 1) {
  auto* s = new ZVI_ResIDTex;
  DS_FileLink3 link;
  link.name = name;
  link.id = id;
  s->links = {DS_ImageFileLink(link)};
  s->atlasColumns = columns;
  s->atlasRows = rows;
  return DS_SafePtr<ZVI_TextureSRC>(s);
}

class NodePixels : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    RegisterFakes();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(64, 64, [](int, int) { return kBackground; })}}});
    // Particle pictures are frame lists, as texture sources resolve them.
    auto add = [&](const char16_t* name, int64_t id, std::vector<uint8_t> png) {
      r.rawFrames.push_back({name, id, {{1, std::move(png), 0.0f}}});
    };
    add(u"dot.png", 2, Png(8, 8, [](int, int) { return 0xFFFFFFFF; }));
    // Left half red, right half green.
    add(u"halves.png", 3, Png(16, 8, [](int x, int) { return x < 8 ? 0xFFFF0000 : 0xFF00FF00; }));
    add(u"wide.png", 4, Png(256, 16, [](int, int) { return 0xFFFFFFFF; }));
    add(u"green.png", 5, Png(64, 64, [](int, int) { return 0xFF00FF00; }));
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
  }
  void TearDown() override {
    object_.reset();
    light_.reset();
    RenderTest::TearDown();
  }

  // A picture node under the root, its texture from the document, no
  // particles of its own until Add.
  ZVI_PtclSysNode_Picture* Picture(DS_SafePtr<ZVI_TextureSRC> source) {
    auto* p = new ZVI_PtclSysNode_Picture;
    p->parent = model_->root.get();
    model_->root->children.Append(NodePtr(p));
    p->texture.value = source;
    static_cast<RecordPoints*>(p->physics.get())->per_parent = 0;
    return p;
  }
  // A particle at a scene point, set up as the node sets up its newborns.
  Particle* Add(ZVI_PtclSysNode_Picture* p, float x, float y, D3DXVECTOR3 colour = D3DXVECTOR3(1, 1, 1)) {
    ParticlePtr particle(new Particle(D3DXVECTOR3(x, y, 0)));
    p->SetupParticle(particle.get());
    particle->color = colour;
    p->physics->particles.push_back(particle);
    return particle.get();
  }
  Pixels Frame() {
    if (!started_) {
      model_->StartTree();
      started_ = true;
    }
    object_->Update(time_ += 0.04f);
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    light_->ClearBackground(0);
    int pass = object_->NeedsBackground();
    object_->Render(light_.get(), &pass);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }

  std::unique_ptr<DS_2D_Light> light_;
  ZVI_PtclSys_Constructor* model_ = nullptr;
  std::unique_ptr<ZVI_PtclSys_Obj> object_;
  bool started_ = false;
  float time_ = 0.0f;
};

TEST_F(NodePixels, TintedQuadsSitOnTheirParticles) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->tint.value = 0x00FFFF00;  // cyan: no red
  model_->StartTree();
  started_ = true;
  EXPECT_EQ(p->particleSize.value, 8u);  // one cell of the picture
  Add(p, 20, 20);
  Add(p, 44, 40, D3DXVECTOR3(0, 1, 0));
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(20, 20), 0xFF00FFFF)) << std::hex << px.at(20, 20);
  EXPECT_TRUE(Near(px.at(17, 23), 0xFF00FFFF)) << std::hex << px.at(17, 23);
  EXPECT_TRUE(Near(px.at(44, 40), 0xFF00FF00)) << std::hex << px.at(44, 40);
  EXPECT_TRUE(Near(px.at(20, 26), kBackground)) << std::hex << px.at(20, 26);
  EXPECT_TRUE(Near(px.at(32, 32), kBackground));

  // The same count next frame reuses the buffers.
  IDirect3DVertexBuffer9* buffer = object_->batches[0].vertexBuffer.Get();
  Frame();
  EXPECT_EQ(object_->batches[0].vertexBuffer.Get(), buffer);
}

TEST_F(NodePixels, NormalAndAdditiveBlends) {
  ZVI_PtclSysNode_Picture* normal = Picture(Source(u"dot.png", 2));
  normal->tint.transparency.SetValue(50u);  // alpha 127
  Add(normal, 16, 32);
  ZVI_PtclSysNode_Picture* sum = Picture(Source(u"dot.png", 2));
  sum->blendSum.value = 1;
  Add(sum, 48, 32, D3DXVECTOR3(0.5f, 0.5f, 0.5f));
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(16, 32), 0xFF8F8FAF, 6)) << std::hex << px.at(16, 32);  // half white over the blue
  EXPECT_TRUE(Near(px.at(48, 32), 0xFF9F9FDF, 6)) << std::hex << px.at(48, 32);  // half white added
}

TEST_F(NodePixels, AtlasCellsAndFlips) {
  // Two columns: each particle shows one half of the picture.
  ZVI_PtclSysNode_Picture* atlas = Picture(Source(u"halves.png", 3, 2, 1));
  ZVI_PtclSysNode_Picture* flipped = Picture(Source(u"halves.png", 3));
  flipped->flipHorizontal.value = 1;
  model_->StartTree();
  started_ = true;
  EXPECT_EQ(atlas->particleSize.value, 8u);
  EXPECT_FLOAT_EQ(atlas->axisV.y, 1.0f);  // 2 columns x aspect 0.5 / 1 row
  EXPECT_FLOAT_EQ(flipped->axisV.y, 0.5f);
  Add(atlas, 12, 12)->atlasCell[0] = 0;
  Add(atlas, 28, 12)->atlasCell[0] = 1;
  Add(flipped, 40, 40);  // 16 x 8, green on the left once flipped
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(12, 12), 0xFFFF0000)) << std::hex << px.at(12, 12);
  EXPECT_TRUE(Near(px.at(28, 12), 0xFF00FF00)) << std::hex << px.at(28, 12);
  EXPECT_TRUE(Near(px.at(35, 40), 0xFF00FF00)) << std::hex << px.at(35, 40);
  EXPECT_TRUE(Near(px.at(45, 40), 0xFFFF0000)) << std::hex << px.at(45, 40);
  EXPECT_TRUE(Near(px.at(40, 46), kBackground)) << "the cell aspect keeps the quad 8 high";
}

TEST_F(NodePixels, ParticleSizeComesFromTheCellWidth) {
  ZVI_PtclSysNode_Picture* automatic = Picture(Source(u"wide.png", 4, 4, 1));
  ZVI_PtclSysNode_Picture* given = Picture(Source(u"wide.png", 4, 4, 1));
  given->particleSize.value = 10;
  model_->StartTree();
  EXPECT_EQ(automatic->particleSize.value, 64u);
  EXPECT_EQ(given->particleSize.value, 10u);
  EXPECT_FLOAT_EQ(automatic->axisV.y, 0.25f);  // 4 columns x aspect 1/16
}

TEST_F(NodePixels, BackgroundModeParticlesShowTheBackgroundThroughTheirShape) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  model_->StartTree();
  started_ = true;
  // The mode is a per-frame flag, set by a transform every step.
  Add(p, 20, 20)->AddTransform(new node_fakes::ScriptedTransform(
      true, [](float, Particle* particle) { particle->flags |= ParticleFlags::BackgroundTexture; }));
  DS_FileLink3 green;
  green.name = u"green.png";
  green.id = 5;
  light_->backgroundCopy = doc_->GetImage(green, 1).textures.at(0);
  Pixels px = Frame();
  EXPECT_TRUE(p->drawFlags & 1u);
  EXPECT_TRUE(Near(px.at(20, 20), 0xFF00FF00)) << std::hex << px.at(20, 20);
  EXPECT_TRUE(Near(px.at(30, 20), kBackground));
}

TEST_F(NodePixels, GlowLightsTheSurroundings) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->glow.enabled.value = 1;
  p->glow.mode.value = 0;
  p->glow.blurPasses.value = 1;
  p->glow.color.value = 0x0000FFFF;  // yellow
  model_->StartTree();
  started_ = true;
  ASSERT_TRUE(p->glow.blur.targetA);
  ASSERT_TRUE(p->glow.blur.effect);
  Add(p, 32, 32);
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 8)) << std::hex << px.at(32, 32);
  const D3DCOLOR near = px.at(32, 38);  // two pixels past the quad
  EXPECT_GT((near >> 16) & 0xFF, 0x40u) << std::hex << near;
  EXPECT_GT((near >> 8) & 0xFF, 0x40u) << std::hex << near;
  EXPECT_TRUE(Near(px.at(4, 4), kBackground));
}

TEST_F(NodePixels, RadialGlowPutsASpriteBehindEveryParticle) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->particleSize.value = 64;
  p->tint.transparency.SetValue(100u);  // the node's own quads vanish
  p->radialGlow.enabled.value = 1;     // size 50: 32-pixel sprites
  p->radialGlow.color.value = 0x000000FF;
  p->radialGlow.source = Source(u"dot.png", 2);
  p->radialGlow.texture.value = p->radialGlow.source;
  Add(p, 32, 32);
  Pixels px = Frame();
  EXPECT_EQ(object_->batches.size(), 2u);
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFF0000)) << std::hex << px.at(32, 32);
  EXPECT_TRUE(Near(px.at(32 + 14, 32), 0xFFFF0000)) << std::hex << px.at(46, 32);
  EXPECT_TRUE(Near(px.at(32 + 18, 32), kBackground)) << std::hex << px.at(50, 32);
  EXPECT_TRUE(Near(px.at(32, 32 - 18), kBackground));
}

TEST_F(NodePixels, ShadowDrawsAnOffsetCopyUnderneath) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->shadow.enabled.value = 1;
  p->shadow.color.value = 0x000000FF;  // a red shadow shows on the blue
  p->shadow.brightness.SetValue(100u);
  model_->StartTree();
  started_ = true;
  Add(p, 20, 20);
  Pixels px = Frame();
  // The copy sits about (7, 7) further: down and right of the quad.
  const D3DCOLOR shadow = px.at(28, 28);
  EXPECT_GT((shadow >> 16) & 0xFF, 0x50u) << std::hex << shadow;
  EXPECT_TRUE(Near(px.at(12, 12), kBackground)) << std::hex << px.at(12, 12);
  EXPECT_TRUE(Near(px.at(20, 20), 0xFFFFFFFF, 8)) << "the quad is drawn over its shadow";
}

TEST_F(NodePixels, TwentyThousandParticlesAreAllDrawn) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->particleSize.value = 4;
  model_->StartTree();
  started_ = true;
  // All but the markers sit outside the view.
  for (int k = 0; k < 20000; ++k) {
    if (k == 100) {
      Add(p, 10, 10, D3DXVECTOR3(1, 0, 0));
    } else if (k == 16384) {
      Add(p, 30, 30, D3DXVECTOR3(0, 1, 0));
    } else if (k == 19999) {
      Add(p, 50, 50, D3DXVECTOR3(0, 0, 1));
    } else {
      Add(p, -50, -50);
    }
  }
  Pixels px = Frame();
  EXPECT_EQ(object_->batches[0].vertexCount, 80000);
  EXPECT_TRUE(Near(px.at(10, 10), 0xFFFF0000)) << std::hex << px.at(10, 10);
  EXPECT_TRUE(Near(px.at(30, 30), 0xFF00FF00)) << std::hex << px.at(30, 30);
  EXPECT_TRUE(Near(px.at(50, 50), 0xFF0000FF)) << std::hex << px.at(50, 50);
}

}  // namespace

namespace {

// A whole project with a node-tree system read by the project reader: the
// model is created by class name, its runtime object resolves the picture
// and the effect and fills its batch.
class ProjectNodes : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    RegisterBuiltInResources();
    RegisterFakes();
  }
  void TearDown() override {
    show_.reset();
    DestroyCurrentDocResManager();
    RenderTest::TearDown();
  }
  std::unique_ptr<DS_SlideShow_Light> show_;
};

TEST_F(ProjectNodes, ANodeSystemInAProjectPlays) {
  pw::TextureSourceRecord spark;
  spark.block.links = {{u"spark.png", 2}};
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, spark);
  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.physics = PointsRecord(1);
  pw::NodeBaseRecord root;
  root.children.emplace_back();
  pw::WritePictureNode(root.children.back(), picture);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, RootPointRecord(32, 24, 0), root);

  pw::SlideRecord slide;
  pw::LightRecord light;
  light.linkName = u"bg.png";
  light.linkId = 0;
  light.version = 2;  // no camera record: the view stays on the picture
  pw::WriteLight(slide.renderContext, light);
  slide.drawn.emplace_back();
  pw::WriteNodeSystemBuilder(slide.drawn.back(), system);
  pw::SlideShowRecord show;
  show.slides.emplace_back();
  pw::WriteSlide(show.slides.back(), slide);
  pw::DocResRecord resources;
  resources.imageFiles.push_back(
      {u"bg.png", 0, {{0, u"", u"bg.png", Png(64, 64, [](int, int) { return kBackground; })}}});
  resources.rawFrames.push_back({u"spark.png", 2, {{1, Png(8, 8, [](int, int) { return 0xFFFFFFFF; }), 0.0f}}});
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, resources);
  const pw::ByteBuilder project = pw::BuildProject(show, manager);

  show_.reset(ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
  ASSERT_NE(show_, nullptr);
  ASSERT_EQ(show_->slides.size(), 1u);
  DS_SlideContainer& s = *show_->slides[0];
  ASSERT_EQ(s.drawnModels.size(), 1u);
  EXPECT_NE(dynamic_cast<DS_2D_Light*>(s.RenderContext()), nullptr);
  s.BuildRuntime();
  ASSERT_EQ(s.drawnObjects.size(), 1u);
  auto* object = dynamic_cast<ZVI_PtclSys_Obj*>(s.drawnObjects[0].get());
  ASSERT_NE(object, nullptr);
  object->Update(0.04f);
  object->Update(0.08f);
  ASSERT_EQ(object->batches.size(), 1u);
  EXPECT_EQ(object->batches[0].triangleCount, 2);
  EXPECT_TRUE(object->filled[0]);
  EXPECT_EQ(object->batches[0].vertexCount, 4);
  auto* picture2 = dynamic_cast<ZVI_PtclSysNode_Picture*>(object->system->root->children.value.at(0).get());
  ASSERT_NE(picture2, nullptr);
  EXPECT_EQ(picture2->particleSize.value, 8u);
  ASSERT_EQ(picture2->physics->particles.size(), 1u);
  EXPECT_EQ(picture2->physics->particles[0]->GetWorldPosition(), D3DXVECTOR3(32, 24, 0));
  EXPECT_NE(picture2->CurrentFrame(), nullptr);
  EXPECT_NE(picture2->effect.Get(), nullptr);
}

}  // namespace

namespace {

// The default glow mode adds the glow to the background copy that the
// slide's background chain hands over at the node's background pass.
TEST_F(NodePixels, LinearDodgeGlowThroughTheBackgroundChain) {
  ZVI_PtclSysNode_Picture* p = Picture(Source(u"dot.png", 2));
  p->glow.enabled.value = 1;  // mode 3
  p->glow.color.value = 0x0000FFFF;
  model_->StartTree();
  Add(p, 32, 32);
  ZVI_PtclSys_Obj* raw = object_.release();
  RuntimeObjects objects{DS_SafePtr<DS_ABObj>(raw)};
  raw->Update(0.04f);
  const int n = raw->NeedsBackground();
  EXPECT_EQ(n, 1);
  EXPECT_EQ(dev_->BeginScene(), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  light_->BeginBackgroundChain();
  light_->ClearBackground(0);
  light_->RenderObjects(objects, n);
  EXPECT_EQ(dev_->EndScene(), D3D_OK);
  Pixels px = ReadBackBuffer();
  EXPECT_TRUE(Near(px.at(32, 32), 0xFFFFFFFF, 8)) << std::hex << px.at(32, 32);
  const D3DCOLOR glow = px.at(24, 32);  // yellow added to the blue background
  EXPECT_GT((glow >> 16) & 0xFF, 0x40u) << std::hex << glow;
  EXPECT_GT((glow >> 8) & 0xFF, 0x40u) << std::hex << glow;
  EXPECT_TRUE(Near(glow & 0xFF, 0x60, 4)) << std::hex << glow;
  EXPECT_TRUE(Near(px.at(4, 4), kBackground)) << std::hex << px.at(4, 4);
  objects.clear();
}

}  // namespace

namespace {

// A glowing picture that has nothing to draw still takes the background
// pass it asked for, so the slide's chain of passes ends.
TEST_F(NodePixels, AGlowWithoutAPictureStillTakesItsBackgroundPass) {
  ZVI_PtclSysNode_Picture* p = Picture(DS_SafePtr<ZVI_TextureSRC>());
  p->glow.enabled.value = 1;
  model_->StartTree();
  Add(p, 32, 32);
  object_->Update(0.04f);
  int pass = object_->NeedsBackground();
  EXPECT_EQ(pass, 1);
  EXPECT_EQ(dev_->BeginScene(), D3D_OK);
  light_->ClearBackground(0);
  object_->Render(light_.get(), &pass);
  EXPECT_EQ(dev_->EndScene(), D3D_OK);
  EXPECT_EQ(pass, 0);
  Pixels px = ReadBackBuffer();
  EXPECT_TRUE(Near(px.at(32, 32), kBackground)) << std::hex << px.at(32, 32);
}

}  // namespace

namespace {

TEST_F(NodePixels, TheDynamicPictureRereadsItsTextureWhenTheSourceChanges) {
  auto* p = new ZVI_PtclSysNodePic_TexDynamic;
  p->parent = model_->root.get();
  model_->root->children.Append(NodePtr(p));
  p->texture.value = Source(u"halves.png", 3);
  model_->StartTree();
  EXPECT_EQ(p->particleSize.value, 16u);
  EXPECT_FLOAT_EQ(p->axisV.y, 0.5f);
  p->texture.SetValue(Source(u"wide.png", 4, 4, 1));
  EXPECT_FLOAT_EQ(p->axisV.y, 0.25f);
  ASSERT_EQ(p->texture.images.size(), 1u);
  EXPECT_EQ(p->texture.images[0].imageWidth, 256u);
  EXPECT_EQ(p->particleSize.value, 16u);  // a size once set stays
}

}  // namespace

namespace {

// A glow is made while its project is read, before that project's document
// is current; attached while it plays, its targets move to the playing
// document, which releases them when the device is lost (a reset needs every
// render target gone).
TEST_F(NodePixels, GlowTargetsBelongToThePlayingDocument) {
  std::unique_ptr<DS_DocResManager> reading = MakeDocument(pw::DocResRecord{});
  SetCurrentDocResManager(reading.get());
  ZVI_PtclSysOption_Glow glow;
  EXPECT_EQ(glow.blur.RegisteredWith(), reading.get());
  SetCurrentDocResManager(doc_.get());
  glow.AttachOption();
  EXPECT_EQ(glow.blur.RegisteredWith(), doc_.get());
  ASSERT_NE(glow.blur.targetA, nullptr);
  doc_->OnLostDevice();
  EXPECT_EQ(glow.blur.targetA, nullptr);
  EXPECT_EQ(glow.blur.targetB, nullptr);
  reading.reset();
  glow.AttachOption();  // again: nothing to move
  EXPECT_EQ(glow.blur.RegisteredWith(), doc_.get());
}

}  // namespace

namespace {

// A line node's ribbon: one 32-long, 8-wide segment from its particle along x.
TEST_F(NodePixels, ALineRibbonFromItsParticle) {
  auto* line = new ZVI_PtclSysNode_Line;
  line->parent = model_->root.get();
  model_->root->children.Append(NodePtr(line));
  line->texture.value = Source(u"dot.png", 2);
  static_cast<RecordPoints*>(line->physics.get())->per_parent = 0;
  line->segments.value[0]->value = 32;
  line->segments.value[0]->width.value.SetValue(8u);
  line->tint.value = 0x0000FFFF;  // yellow
  model_->StartTree();
  started_ = true;
  Add(line, 16, 32);
  Pixels px = Frame();
  for (auto [x, y] : {std::pair{18, 32}, std::pair{32, 30}, std::pair{46, 34}})
    EXPECT_TRUE(Near(px.at(x, y), 0xFFFFFF00)) << x << ", " << y << " " << std::hex << px.at(x, y);
  for (auto [x, y] : {std::pair{12, 32}, std::pair{52, 32}, std::pair{32, 26}, std::pair{32, 38}})
    EXPECT_TRUE(Near(px.at(x, y), kBackground)) << x << ", " << y << " " << std::hex << px.at(x, y);
}

// A trace band behind a moving particle: its trail's points but the newest.
TEST_F(NodePixels, ATraceBandBehindItsParticle) {
  RegisterTraceFakes();
  auto* trace = new ZVI_PtclSysNode_Trace;
  trace->parent = model_->root.get();
  model_->root->children.Append(NodePtr(trace));
  trace->texture.value = Source(u"dot.png", 2);
  static_cast<RecordPoints*>(trace->physics.get())->per_parent = 0;
  trace->enabled.value = 1;
  trace->traceColor.value = 0x00FF00FF;  // magenta
  model_->StartTree();
  started_ = true;
  auto* trails = dynamic_cast<FakeTrails*>(trace->trails.get());
  ASSERT_NE(trails, nullptr);
  ParticlePtr mover(new Particle(D3DXVECTOR3(56, 32, 0)));
  trails->StartTrail(mover);
  for (float x : {8.0f, 24.0f, 40.0f, 56.0f}) {
    ParticlePtr point(new Particle(D3DXVECTOR3(x, 32, 0)));
    point->size = 8.0f;
    point->alpha = 1.0f;
    trails->trails[0].points->particles.push_back(point);
  }
  Pixels px = Frame();
  for (auto [x, y] : {std::pair{12, 32}, std::pair{24, 30}, std::pair{36, 34}})
    EXPECT_TRUE(Near(px.at(x, y), 0xFFFF00FF)) << x << ", " << y << " " << std::hex << px.at(x, y);
  // Past the last banded point's half-width, and beside the band.
  for (auto [x, y] : {std::pair{50, 32}, std::pair{24, 24}, std::pair{24, 40}, std::pair{2, 32}})
    EXPECT_TRUE(Near(px.at(x, y), kBackground)) << x << ", " << y << " " << std::hex << px.at(x, y);
}

// A hidden trace fills its band but does not draw it; a switched-off one
// draws neither its band nor its children. The child's white dot sits above
// the band.
TEST_F(NodePixels, HiddenAndSwitchedOffTraces) {
  RegisterTraceFakes();
  struct Case {
    int32_t enabled, visible;
    bool band, child;
  };
  for (const Case& c : {Case{1, 1, true, true}, Case{1, 0, false, true}, Case{0, 1, false, false}}) {
    object_.reset();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    started_ = false;
    auto* trace = new ZVI_PtclSysNode_Trace;
    trace->parent = model_->root.get();
    model_->root->children.Append(NodePtr(trace));
    trace->texture.value = Source(u"dot.png", 2);
    static_cast<RecordPoints*>(trace->physics.get())->per_parent = 0;
    trace->enabled.value = c.enabled;
    trace->visible.value = c.visible;
    trace->traceColor.value = 0x00FF00FF;
    auto* child = new ZVI_PtclSysNode_Picture;
    child->parent = trace;
    trace->children.Append(NodePtr(child));
    child->texture.value = Source(u"dot.png", 2);
    static_cast<RecordPoints*>(child->physics.get())->per_parent = 0;
    model_->StartTree();
    started_ = true;
    Add(child, 32, 12);
    auto* trails = dynamic_cast<FakeTrails*>(trace->trails.get());
    ASSERT_NE(trails, nullptr);
    ParticlePtr mover(new Particle(D3DXVECTOR3(56, 32, 0)));
    trails->StartTrail(mover);
    for (float x : {8.0f, 24.0f, 40.0f, 56.0f}) {
      ParticlePtr point(new Particle(D3DXVECTOR3(x, 32, 0)));
      point->size = 8.0f;
      point->alpha = 1.0f;
      trails->trails[0].points->particles.push_back(point);
    }
    Pixels px = Frame();
    EXPECT_TRUE(Near(px.at(24, 32), c.band ? 0xFFFF00FF : kBackground))
        << c.enabled << c.visible << " " << std::hex << px.at(24, 32);
    EXPECT_TRUE(Near(px.at(32, 12), c.child ? 0xFFFFFFFF : kBackground))
        << c.enabled << c.visible << " " << std::hex << px.at(32, 12);
  }
}

}  // namespace

namespace {

// What the exploding picture's physics keeps of a piece every frame: its size.
class PieceSize : public ZVI_PtclTransform {
 public:
  explicit PieceSize(float s) : size_(s) {}
  bool Apply(float, Particle* p) override {
    p->size = size_;
    return true;
  }

 private:
  float size_;
};

// At rest the 2 x 2 pieces of an exploded picture draw what one particle of
// the whole picture draws.
TEST_F(NodePixels, AnExplodedPictureAtRestIsThePicture) {
  auto frameOf = [&](bool pieces) {
    object_.reset();
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    started_ = false;
    ZVI_PtclSysNode_Picture* node = pieces ? new ZVI_PtclSysNodePic_Explode : new ZVI_PtclSysNode_Picture;
    node->parent = model_->root.get();
    model_->root->children.Append(NodePtr(node));
    node->texture.value = Source(u"halves.png", 3);  // 16 x 8: red left, green right
    node->physics = PhysicsPtr(new RecordPoints);
    static_cast<RecordPoints*>(node->physics.get())->per_parent = 0;
    node->particleSize.value = 32;
    model_->StartTree();
    started_ = true;
    const D3DXVECTOR3 spots[4] = {D3DXVECTOR3(-0.25f, -0.25f, 0), D3DXVECTOR3(0.25f, -0.25f, 0),
                                  D3DXVECTOR3(-0.25f, 0.25f, 0), D3DXVECTOR3(0.25f, 0.25f, 0)};
    for (int k = 0; k < (pieces ? 4 : 1); ++k) {
      ParticlePtr p(new Particle(pieces ? spots[k] : D3DXVECTOR3(0, 0, 0)));
      p->size = pieces ? 0.5f : 1.0f;
      p->AddTransform(new PieceSize(p->size));
      node->SetupParticle(p.get());
      p->position += D3DXVECTOR3(32, 32, 0);
      node->physics->particles.push_back(p);
    }
    return Frame();
  };
  const Pixels whole = frameOf(false);
  const Pixels pieces = frameOf(true);
  EXPECT_TRUE(Near(whole.at(22, 30), 0xFFFF0000)) << std::hex << whole.at(22, 30);
  EXPECT_TRUE(Near(whole.at(42, 34), 0xFF00FF00)) << std::hex << whole.at(42, 34);
  for (int y = 20; y < 44; y += 3)
    for (int x = 12; x < 52; x += 3)
      EXPECT_TRUE(Near(pieces.at(x, y), whole.at(x, y), 8)) << x << ", " << y << " " << std::hex << pieces.at(x, y)
                                                           << " vs " << whole.at(x, y);
}

}  // namespace
