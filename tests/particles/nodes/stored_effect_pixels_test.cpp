// A picture node whose project stores its own compiled effect (fx_2_0) draws
// with it; a stored copy that does not pass the container check leaves the
// node to the class's stand-in.
#include <memory>
#include <vector>

#include "node_tree_fixtures.h"
#include "player/slide_render_context.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "tools/writer/fx2_writer.h"
#include "tools/writer/render_writer.h"

using namespace render_test;
using namespace node_tree_test;

namespace {

constexpr D3DCOLOR kBackground = 0xFF202060;
constexpr D3DCOLOR kStoredColour = 0xFFFF00FF;

// Every technique the picture node asks for: one pass, a ps_2_0 over the
// fixed-function vertex stage, magenta.
std::vector<uint8_t> StoredEffect() {
  pw::Fx2Effect e;
  e.parameters.push_back({"Texture0", "", pw::Fx2Texture(), {}});
  e.parameters.push_back({"Texture1", "", pw::Fx2Texture(), {}});
  e.parameters.push_back({"Colour", "", pw::Fx2Vector({1, 0, 1, 1}), {}});
  std::vector<uint8_t> ps = pw::AssembleShader("ps_2_0\nmov oC0, c0\n", {{"Colour", pw::Fx2RegisterSet::Float4, 0, 1}});
  for (const char* name : {"BlendNormal", "BlendSum", "BlendNormal_PMTexture", "BlendSum_PMTexture",
                           "BlendNormal_AlphaPM"})
    e.techniques.push_back({name, {{"P0", {pw::Fx2PixelShaderState(ps)}, {}}}, {}});
  return pw::WriteFx2(e);
}

class StoredEffectPixels : public RenderTest {
 protected:
  // The node's effect link is the pack's particle effect; the project keeps
  // its copy of it under the same link.
  void Open(std::vector<uint8_t> stored) {
    RegisterBuiltInResources();
    RegisterFakes();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Png(64, 64, [](int, int) { return kBackground; })}}});
    r.rawFrames.push_back({u"dot.png", 2, {{1, Png(8, 8, [](int, int) { return 0xFFFFFFFF; }), 0.0f}}});
    r.moduleImages.push_back({u"common_res.dll", 306, {{306, u"common_res.dll", u"", std::move(stored)}}});
    UseDocument(MakeDocument(r));
    light_ = StartPictureLight(kBack);
    model_ = new ZVI_PtclSys_Constructor;
    object_ = std::make_unique<ZVI_PtclSys_Obj>(model_);
    auto* source = new ZVI_ResIDTex;
    DS_FileLink3 link;
    link.name = u"dot.png";
    link.id = 2;
    source->links = {DS_ImageFileLink(link)};
    auto* p = new ZVI_PtclSysNode_Picture;
    p->parent = model_->root.get();
    model_->root->children.Append(NodePtr(p));
    p->texture.value = DS_SafePtr<ZVI_TextureSRC>(source);
    static_cast<RecordPoints*>(p->physics.get())->per_parent = 0;
    model_->StartTree();
    ParticlePtr particle(new Particle(D3DXVECTOR3(20, 20, 0)));
    p->SetupParticle(particle.get());
    p->physics->particles.push_back(particle);
  }
  void TearDown() override {
    object_.reset();
    light_.reset();
    RenderTest::TearDown();
  }
  Pixels Frame() {
    object_->Update(0.04f);
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
};

TEST_F(StoredEffectPixels, TheStoredCompiledEffectDraws) {
  Open(StoredEffect());
  Pixels px = Frame();
  EXPECT_TRUE(Near(px.at(20, 20), kStoredColour)) << std::hex << px.at(20, 20);
  EXPECT_TRUE(Near(px.at(32, 32), kBackground)) << std::hex << px.at(32, 32);
}

TEST_F(StoredEffectPixels, AStoredCopyCutInHalfFallsBackToTheStandIn) {
  std::vector<uint8_t> bytes = StoredEffect();
  bytes.resize(bytes.size() / 2);
  Open(bytes);
  Pixels px = Frame();
  // The stand-in draws the white dot as it is.
  EXPECT_TRUE(Near(px.at(20, 20), 0xFFFFFFFF)) << std::hex << px.at(20, 20);
}

}  // namespace
