// The slide render context drawn headlessly: the background picture in each
// fit mode with its border bars, the supersampled off-screen pass against the
// direct one, the fallback without targets, the view stacks and the record.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "player/scene_object.h"
#include "player/slide_render_context.h"
#include "player/slide_show.h"
#include "render_fixtures.h"
#include "resources/builtin_resources.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"

using namespace render_test;

namespace {

constexpr D3DCOLOR kGreen = 0xFF00FF00, kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBlack = 0xFF000000,
                   kYellow = 0xFFFFFF00;

// 32 x 16: green for x < 8, red for x < 16, blue to the right.
std::vector<uint8_t> Background() {
  return Png(32, 16, [](int x, int) { return x < 8 ? kGreen : x < 16 ? kRed : kBlue; });
}

class SlideLight : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    pw::DocResRecord r;
    r.imageFiles.push_back({u"bg.png", 1, {{0, u"", u"bg.png", Background()}}});
    UseDocument(MakeDocument(r));
  }

  // A light showing bg.png on the whole back buffer in the fit mode.
  std::unique_ptr<DS_2D_Light> MakeLight(int fitMode) {
    auto light = std::make_unique<DS_2D_Light>();
    light->backgroundLink.name = u"bg.png";
    light->backgroundLink.id = 1;
    light->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light->SetupView(screen);
    light->SetViewMode(fitMode);
    light->RestartCamera(1);
    light->OnResetDevice();
    return light;
  }

  Pixels Frame(DS_2D_Light& light, RuntimeObjects* objects = nullptr) {
    EXPECT_EQ(dev_->BeginScene(), D3D_OK);
    int n = 0;
    if (objects)
      for (auto& o : *objects) n += o->NeedsBackground();
    if (n > 0) {
      dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
      light.BeginBackgroundChain();
    }
    light.ClearBackground(0);
    RuntimeObjects none;
    light.RenderObjects(objects ? *objects : none, n);
    light.EndFrame(0);
    EXPECT_EQ(dev_->EndScene(), D3D_OK);
    return ReadBackBuffer();
  }
};

TEST_F(SlideLight, BackgroundPictureInEachFitMode) {
  struct Case {
    int mode;
    D3DCOLOR expected[5];
  };
  const std::pair<UINT, UINT> probes[5] = {{8, 8}, {8, 32}, {24, 32}, {48, 32}, {48, 56}};
  const Case cases[] = {
      {kFitLetterbox, {kBlack, kGreen, kRed, kBlue, kBlack}},
      {kFitCrop, {kRed, kRed, kRed, kBlue, kBlue}},
      {kFitStretch, {kGreen, kGreen, kRed, kBlue, kBlue}},
      {kFitOffscreenStretch, {kGreen, kGreen, kRed, kBlue, kBlue}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto light = MakeLight(c.mode);
    EXPECT_EQ(light->GetTargetWidth(), 32);
    EXPECT_EQ(light->GetTargetHeight(), 16);
    Pixels px = Frame(*light);
    for (int i = 0; i < 5; ++i)
      EXPECT_TRUE(Near(px.at(probes[i].first, probes[i].second), c.expected[i]))
          << i << ": " << std::hex << px.at(probes[i].first, probes[i].second);
  }
}

TEST_F(SlideLight, DefaultBackgroundIsTheProjectsStoredCopyBeforeOurs) {
  RegisterBuiltInResources();
  // The slide's default link names pack picture 5 (800 x 600, letterboxed
  // into rows 8..56 of the 64 x 64 back buffer).
  auto show = [&](std::unique_ptr<DS_DocResManager> doc) {
    UseDocument(std::move(doc));
    auto light = std::make_unique<DS_2D_Light>();
    EXPECT_EQ(light->backgroundLink.name, u"common_res.dll");
    EXPECT_EQ(light->backgroundLink.id, 5);
    light->BeginSlide();
    QuadCorners screen;
    screen.SetRect(kBack, kBack);
    light->SetupView(screen);
    light->SetViewMode(kFitLetterbox);
    light->RestartCamera(1);
    light->OnResetDevice();
    return Frame(*light);
  };
  pw::DocResRecord stored;
  stored.moduleImages.push_back(
      {u"common_res.dll", 5, {{5, u"common_res.dll", u"", Png(40, 30, [](int, int) { return kYellow; })}}});
  Pixels own = show(MakeDocument(stored));
  for (auto [x, y] : {std::pair<UINT, UINT>{4, 12}, {32, 32}, {60, 52}})
    EXPECT_TRUE(Near(own.at(x, y), kYellow)) << x << "," << y << ": " << std::hex << own.at(x, y);
  EXPECT_TRUE(Near(own.at(32, 4), kBlack)) << "the copy keeps its own 4:3 shape";

  Pixels ours = show(MakeDocument(pw::DocResRecord{}));
  DocImage& pack = doc_->GetTextures(DS_ImageFileLink(5, u"common_res.dll"));
  ASSERT_EQ(pack.width, 800u);
  Pixels picture = ReadTexture(pack.textures.at(0).Get());
  // Frame pixel (x, y) shows picture pixel ((x + 0.5) * 12.5, (y + 0.5 - 8) * 12.5),
  // stretched over a texture of the picture's rounded-up size.
  const float sx = picture.width / 800.0f, sy = picture.height / 600.0f;
  for (UINT y : {12u, 32u, 52u}) {
    const UINT col = static_cast<UINT>(8.5f * 12.5f * sx), row = static_cast<UINT>((y + 0.5f - 8.0f) * 12.5f * sy);
    EXPECT_TRUE(Near(ours.at(8, y), picture.at(col, row), 8)) << y << ": " << std::hex << ours.at(8, y) << " "
                                                             << picture.at(col, row);
    EXPECT_FALSE(Near(ours.at(8, y), kYellow, 40));
  }
}

TEST_F(SlideLight, LetterboxBarsCoverExactlyTheOutside) {
  auto light = MakeLight(kFitLetterbox);
  // The bars alone over a white frame.
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  light->EndFrame(0);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  Pixels px = ReadBackBuffer();
  // Rows next to the picture edges are left out: rasterisation may put the
  // edge half a pixel either way.
  for (UINT x : {0u, 40u, 63u}) {
    for (UINT y : {0u, 14u, 50u, 63u}) EXPECT_TRUE(Near(px.at(x, y), kBlack)) << x << "," << y;
    for (UINT y : {18u, 46u}) EXPECT_TRUE(Near(px.at(x, y), 0xFFFFFFFF)) << x << "," << y;
  }
}

// Draws a yellow square at scene (4, 4)-(12, 12).
class SquareModel : public DS_ABObj_Constructor {
 public:
  DS_ABObj* CreateRuntime() override;
};

class Square : public DS_ABObj {
 public:
  Square() : DS_ABObj(new SquareModel()) {}
  void Update(float) override {}
  void Draw(DS_ABRender*) override {
    IDirect3DDevice9* d = CurrentDevice();
    RenderContext* rc = CurrentRenderContext();
    if (!quad.vertexBuffer) quad.Create(QuadRect{4, 4, 8, 8}, kYellow);
    d->SetTransform(D3DTS_VIEW, &rc->view);
    d->SetTransform(D3DTS_PROJECTION, &rc->projection);
    rc->SetWorldTransform(quad.world);
    d->SetTexture(0, nullptr);
    DrawColorQuad(&quad);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
  ColorQuad quad;
};

DS_ABObj* SquareModel::CreateRuntime() { return new Square(); }

// Reads the background: copies what it receives over the whole scene.
class PassThrough : public DS_ABObj {
 public:
  explicit PassThrough(int32_t passes) : DS_ABObj(new SquareModel()), passes_(passes) {}
  void Update(float) override {}
  int32_t NeedsBackground() override { return passes_; }
  void Draw(DS_ABRender* context) override {
    received = context->GetBackgroundTexture()->Get();
    if (passes_ == 0) return;
    IDirect3DDevice9* d = CurrentDevice();
    RenderContext* rc = CurrentRenderContext();
    ImageQuad* quad = context->GetScreenQuad();
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    d->SetTransform(D3DTS_VIEW, &rc->view);
    d->SetTransform(D3DTS_PROJECTION, &rc->projection);
    rc->SetWorldTransform(quad->world);
    d->SetTexture(0, received);
    d->SetFVF(DX_V::PT::FVF);
    d->SetStreamSource(0, quad->vertexBuffer, 0, sizeof(DX_V::PT));
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }
  IDirect3DTexture9* received = nullptr;

 private:
  int32_t passes_;
};

RuntimeObjects Objects(PassThrough* effect) {
  RuntimeObjects list;
  list.push_back(DS_SafePtr<DS_ABObj>(effect));  // drawn last
  list.push_back(DS_SafePtr<DS_ABObj>(new Square()));
  return list;
}

// Pixels whose 3 x 3 neighbourhood is one colour in the reference agree
// within a few levels (edges resample differently through the targets).
void ExpectSamePicture(const Pixels& got, const Pixels& want) {
  int compared = 0;
  for (UINT y = 1; y + 1 < want.height; ++y)
    for (UINT x = 1; x + 1 < want.width; ++x) {
      bool flat = true;
      for (int dy = -1; dy <= 1 && flat; ++dy)
        for (int dx = -1; dx <= 1 && flat; ++dx) flat = Near(want.at(x + dx, y + dy), want.at(x, y), 2);
      if (!flat) continue;
      ++compared;
      ASSERT_TRUE(Near(got.at(x, y), want.at(x, y))) << x << "," << y << std::hex << " got " << got.at(x, y)
                                                    << " want " << want.at(x, y);
    }
  EXPECT_GT(compared, 2000);
}

TEST_F(SlideLight, SupersampledOffscreenPassMatchesTheDirectPicture) {
  auto light = MakeLight(kFitLetterbox);
  ASSERT_TRUE(light->HasTargets());
  EXPECT_EQ(light->targets.width, kBack * 3) << "three times the back buffer";

  RuntimeObjects direct = Objects(new PassThrough(0));
  Pixels reference = Frame(*light, &direct);
  EXPECT_TRUE(Near(reference.at(16, 32), kYellow));

  auto* effect = new PassThrough(1);
  RuntimeObjects offscreen = Objects(effect);
  Pixels px = Frame(*light, &offscreen);
  ASSERT_NE(effect->received, nullptr);
  EXPECT_NE(effect->received, light->imageQuad.texture.Get()) << "the effect reads the composed picture";
  ExpectSamePicture(px, reference);
  EXPECT_EQ(light->flags, 0u);
  EXPECT_TRUE(light->viewStack.empty());
  EXPECT_EQ(rc_->fitMode, kFitLetterbox) << "the view comes back after the pass";
}

TEST_F(SlideLight, WithoutTargetsTheSlideIsDrawnStraight) {
  SetBackBufferInfo(5000, 5000);  // beyond the device caps at every factor
  auto light = MakeLight(kFitLetterbox);
  SetBackBufferInfo(kBack, kBack);
  ASSERT_FALSE(light->HasTargets());

  RuntimeObjects direct = Objects(new PassThrough(0));
  Pixels reference = Frame(*light, &direct);
  auto* effect = new PassThrough(1);
  RuntimeObjects chained = Objects(effect);
  effect->received = nullptr;
  // The reader gets the background picture; what it draws replaces the frame.
  Pixels px = Frame(*light, &chained);
  EXPECT_EQ(effect->received, light->imageQuad.texture.Get());
  EXPECT_TRUE(Near(px.at(24, 32), kRed));
  EXPECT_TRUE(Near(px.at(8, 8), kBlack));
  EXPECT_TRUE(Near(reference.at(16, 32), kYellow));
  EXPECT_TRUE(light->viewStack.empty());
}

TEST_F(SlideLight, PushAndPopRestoreTheViewExactly) {
  auto light = MakeLight(kFitCrop);
  const QuadCorners before = light->viewCorners;
  light->PushTarget(10, 20, kFitOffscreenStretch);
  EXPECT_TRUE(light->viewLocked);
  EXPECT_EQ(rc_->fitMode, kFitOffscreenStretch);
  EXPECT_FLOAT_EQ(light->viewCorners.c[0].y, 20.0f);
  light->PushTarget(4, 4, kFitStretch);
  light->PopTarget();
  EXPECT_TRUE(light->viewLocked);
  EXPECT_EQ(rc_->fitMode, kFitOffscreenStretch);
  light->PopTarget();
  EXPECT_FALSE(light->viewLocked);
  EXPECT_EQ(rc_->fitMode, kFitCrop);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(light->viewCorners.c[i].x, before.c[i].x);
    EXPECT_EQ(light->viewCorners.c[i].y, before.c[i].y);
  }
  // Popping empty stacks (as the slide show does at a slide change) keeps all.
  light->PopTarget();
  EXPECT_EQ(rc_->fitMode, kFitCrop);
  EXPECT_TRUE(light->viewStack.empty() && light->fitModeStack.empty() && light->lockStack.empty());
  Pixels px = Frame(*light);
  EXPECT_TRUE(Near(px.at(8, 8), kRed));
}

TEST_F(SlideLight, DeviceLossReleasesTargetsAndResetBringsThemBack) {
  auto light = MakeLight(kFitLetterbox);
  light->PushTarget(8, 8, kFitOffscreenStretch);
  light->OnLostDevice();
  EXPECT_FALSE(light->HasTargets());
  EXPECT_FALSE(light->backgroundCopy);
  EXPECT_TRUE(light->viewStack.empty() && light->fitModeStack.empty() && light->lockStack.empty());
  light->OnResetDevice();
  EXPECT_TRUE(light->HasTargets());
}

TEST_F(SlideLight, SetupViewPublishesTheFittedPicture) {
  auto light = MakeLight(kFitLetterbox);
  RenderSettings& s = GetRenderSettings();
  EXPECT_FLOAT_EQ(s.scaleX, 1.0f);
  EXPECT_EQ(s.pictureWidth, 32u);
  EXPECT_EQ(s.pictureHeight, 16u);
  EXPECT_FLOAT_EQ(s.corners.c[1].y, 16.0f);  // left/top
  EXPECT_FLOAT_EQ(s.corners.c[0].y, 48.0f);  // left/bottom
  QuadCorners empty;
  light->SetupView(empty);
  EXPECT_TRUE(std::isfinite(s.scaleX) && std::isfinite(rc_->view._11));
}

TEST_F(SlideLight, ChangingTheBackgroundLinkReloadsThePicture) {
  auto light = MakeLight(kFitLetterbox);
  light->backgroundLink.name = u"missing.png";
  light->backgroundLink.Notify(nullptr);
  EXPECT_EQ(light->GetTargetWidth(), 0);
  EXPECT_EQ(light->camera.viewWidth.value, 0u);
  Pixels px = Frame(*light);  // nothing to show: black, and no crash
  EXPECT_EQ(px.at(32, 32) & 0xFFFFFF, 0u);
}

TEST_F(SlideLight, RecordByVersion) {
  RegisterRenderReaders();
  for (int32_t version : {1, 2, 3}) {
    SCOPED_TRACE(version);
    pw::LightRecord r;
    r.version = version;
    r.linkName = u"bg.png";
    r.linkId = 1;
    r.camera.mode = 1;
    r.camera.zoom = 200;
    pw::ByteBuilder b;
    pw::WriteLight(b, r);
    MemoryArchive ar(b.bytes().data(), b.size(), true);
    std::unique_ptr<DS_2D_Light> light = ReadObjectOf<DS_2D_Light>(ar);
    EXPECT_EQ(ar.Remaining(), 0u);
    EXPECT_EQ(light->backgroundLink.name, version >= 2 ? u"bg.png" : u"common_res.dll");
    EXPECT_EQ(light->backgroundLink.id, version >= 2 ? 1 : 5);
    EXPECT_EQ(light->camera.mode.value, version >= 3 ? 1 : 0);
    EXPECT_FLOAT_EQ(light->camera.zoom.derived, version >= 3 ? 2.0f : 1.2f);
  }
}

// An eraser over the objects drawn before it: it receives their layer and
// puts it back over the background.
class LayerEraser : public DS_ABObj {
 public:
  explicit LayerEraser(bool eraser) : DS_ABObj(new SquareModel()), eraser_(eraser) {}
  void Update(float) override {}
  bool IsEraser() override { return eraser_; }
  int32_t NeedsBackground() override { return eraser_ ? 1 : 0; }
  void Draw(DS_ABRender* context) override {
    received = context->GetBackgroundTexture()->Get();
    if (!eraser_) return;
    IDirect3DDevice9* d = CurrentDevice();
    RenderContext* rc = CurrentRenderContext();
    ImageQuad* quad = context->GetScreenQuad();
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTransform(D3DTS_VIEW, &rc->view);
    d->SetTransform(D3DTS_PROJECTION, &rc->projection);
    rc->SetWorldTransform(quad->world);
    d->SetTexture(0, received);
    d->SetFVF(DX_V::PT::FVF);
    d->SetStreamSource(0, quad->vertexBuffer, 0, sizeof(DX_V::PT));
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  }
  IDirect3DTexture9* received = nullptr;

 private:
  bool eraser_;
};

// Records the light's flags and the parallax it is drawn with.
class Probe : public Square {
 public:
  explicit Probe(DS_2D_Light* light, int depth = 100) : light_(light) { Model()->depth.value = depth; }
  void Draw(DS_ABRender* context) override {
    flagsSeen = light_->flags;
    parallax = CurrentRenderContext()->parallax;
    Square::Draw(context);
  }
  uint32_t flagsSeen = 0xFFFFFFFF;
  D3DXMATRIX parallax;

 private:
  DS_2D_Light* light_;
};

TEST_F(SlideLight, ObjectsBeforeAnEraserDrawIntoAFreshLayer) {
  auto light = MakeLight(kFitLetterbox);
  // The objects stay alive in list for the checks after the frame.
  auto run = [&](bool eraser, RuntimeObjects& list, Probe** probe, LayerEraser** e) {
    *e = new LayerEraser(eraser);
    *probe = new Probe(light.get());
    list.push_back(DS_SafePtr<DS_ABObj>(new Probe(light.get())));  // drawn last
    list.push_back(DS_SafePtr<DS_ABObj>(*e));
    list.push_back(DS_SafePtr<DS_ABObj>(*probe));  // drawn first
    return Frame(*light, &list);
  };
  Probe* first = nullptr;
  LayerEraser* eraser = nullptr;
  RuntimeObjects plain, erasing;
  Pixels reference = run(false, plain, &first, &eraser);
  EXPECT_EQ(first->flagsSeen, 0u);
  Pixels layered = run(true, erasing, &first, &eraser);
  EXPECT_EQ(first->flagsSeen & kLightFreshRun, kLightFreshRun) << "drawn into a freshly cleared layer";
  ASSERT_NE(eraser->received, nullptr);
  EXPECT_NE(eraser->received, light->imageQuad.texture.Get());
  ExpectSamePicture(layered, reference);
  EXPECT_TRUE(Near(layered.at(16, 32), kYellow));
  EXPECT_EQ(light->flags, 0u);
}

TEST_F(SlideLight, ParallaxFollowsTheObjectDepth) {
  auto light = MakeLight(kFitLetterbox);
  struct Case {
    int depth;
    float factor;
  };
  const Case cases[] = {{100, 0.0f}, {50, 1.0f}, {200, -0.5f}, {25, 3.0f}, {0, 0.0f}};
  RuntimeObjects list;
  std::vector<Probe*> probes;
  for (const Case& c : cases) {
    probes.push_back(new Probe(light.get(), c.depth));
    list.push_back(DS_SafePtr<DS_ABObj>(probes.back()));
  }
  rc_->cameraMoving = true;
  rc_->cameraOffset = D3DXVECTOR3(10.0f, -4.0f, 0.0f);
  D3DXMatrixIdentity(&rc_->camera);
  Frame(*light, &list);
  for (size_t i = 0; i < probes.size(); ++i) {
    EXPECT_FLOAT_EQ(probes[i]->parallax._41, 10.0f * cases[i].factor) << cases[i].depth;
    EXPECT_FLOAT_EQ(probes[i]->parallax._42, -4.0f * cases[i].factor) << cases[i].depth;
  }
}

// A two-step screen effect: a step into a fresh target, then a last step
// that asks for the picture so far on the restored target.
class TwoStepEffect : public DS_ABObj {
 public:
  TwoStepEffect() : DS_ABObj(new SquareModel()) {}
  void Update(float) override {}
  int32_t NeedsBackground() override { return 2; }
  void Render(DS_ABRender* context, int* counter) override {
    context->BackgroundStep(counter, true);
    firstCopy = context->GetBackgroundTexture()->Get();
    context->BackgroundStep(counter, false);
    lastCopy = context->GetBackgroundTexture()->Get();
  }
  IDirect3DTexture9* firstCopy = nullptr;
  IDirect3DTexture9* lastCopy = nullptr;
};

TEST_F(SlideLight, LastStepOutsideTheTargetCopiesThePictureSoFar) {
  auto light = MakeLight(kFitLetterbox);
  RuntimeObjects direct = Objects(new PassThrough(0));
  Pixels reference = Frame(*light, &direct);

  auto* effect = new TwoStepEffect();
  RuntimeObjects list;
  list.push_back(DS_SafePtr<DS_ABObj>(effect));
  list.push_back(DS_SafePtr<DS_ABObj>(new Square()));
  Pixels px = Frame(*light, &list);
  ASSERT_NE(effect->firstCopy, nullptr);
  EXPECT_NE(effect->firstCopy, effect->lastCopy) << "the last step hands over the target it ends";
  ExpectSamePicture(px, reference);
}

TEST_F(SlideLight, EveryTruncationOfARecordIsAnError) {
  RegisterRenderReaders();
  pw::LightRecord r;
  r.camera.mode = 2;
  r.camera.points = {{1, 1, 2, 3, 1.0f, 100}, {0, 4, 5, 6, 2.0f, 100}};
  pw::ByteBuilder b;
  pw::WriteLight(b, r);
  for (size_t cut = 0; cut < b.size(); ++cut) {
    MemoryArchive ar(b.bytes().data(), cut, true);
    EXPECT_THROW(ReadObjectOf<DS_2D_Light>(ar), DS_Error) << cut;
  }
  // A point count far beyond the data is cut to what the data holds.
  pw::ByteBuilder hostile;
  hostile.Header(u"DS_2D_Light", 3).FileLink(u"bg.png", 1).Header(u"DSM_Camera", 3);
  hostile.U32(2).U32(10).U32(10).I32(0x7FFFFFFF);
  MemoryArchive ar(hostile.bytes().data(), hostile.size(), false);
  std::unique_ptr<DS_2D_Light> light = ReadObjectOf<DS_2D_Light>(ar);
  EXPECT_TRUE(light->camera.path.points.empty());
}

TEST_F(SlideLight, SlideShowResetBringsTheTargetsBackAtOnce) {
  RegisterSlideReaders();
  RegisterRenderReaders();
  pw::SlideShowRecord rec;
  for (int i = 0; i < 2; ++i) {
    pw::SlideRecord slide;
    pw::LightRecord light;
    light.linkName = u"bg.png";
    light.linkId = 1;
    pw::WriteLight(slide.renderContext, light);
    pw::ByteBuilder b;
    rec.slides.push_back(pw::WriteSlide(b, slide));
  }
  pw::ByteBuilder bytes;
  pw::WriteSlideShow(bytes, rec);
  MemoryArchive ar(bytes.bytes().data(), bytes.size(), true);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  DS_SlideShow_Light show;
  show.ReadRecord(ar, version);
  for (auto& slide : show.slides) slide->BuildRuntime();
  show.Update(0.0f);
  auto* light = dynamic_cast<DS_2D_Light*>(show.slides[0]->RenderContext());
  ASSERT_NE(light, nullptr);
  EXPECT_TRUE(light->HasTargets());

  show.OnLostDevice();
  EXPECT_FALSE(light->HasTargets());
  show.OnResetDevice();
  EXPECT_TRUE(light->HasTargets()) << "not only at the next slide change";
  ASSERT_EQ(dev_->BeginScene(), D3D_OK);
  show.Render(0);
  ASSERT_EQ(dev_->EndScene(), D3D_OK);
  Pixels px = ReadBackBuffer();
  EXPECT_TRUE(Near(px.at(24, 32), kRed));
  EXPECT_TRUE(Near(px.at(8, 8), kBlack));
}

}  // namespace
