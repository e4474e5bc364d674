#include "effects_fixtures.h"

#include <cstring>

#include "effects/registration.h"
#include "player/timelines.h"
#include "resources/builtin_resources.h"

namespace fx_test {

std::string ProbeEffectText() {
  static const char* const kFloats[] = {
      "mask_position", "Scale",    "offset",  "mix_color", "scale",    "coord_transf", "mask_mod",
      "multiplier",    "BlendColor", "WaveDir", "WavePos",  "BgSize",   "WaveFreq",     "color_shift",
      "val_shift",     "sat_shift", "SatMax",  "SatMin",    "Radius",   "PixelSize",    "Center",
      "Ln",            "Lt",        "t",       "n",         "Perspective", "amplitude", "bg_scale_factor",
      "center",        "frequency", "time",    "Angle",     "Bend",     "Amplitude",    "Shift",
      "ElipsDeform",   "p_amplitude", "PerspectivePrm", "Direction", "Threshold", "Density", "ColorK1",
      "ColorK2",       "Velocity",  "mask_tex_shift", "PX_Transform", "PY_TransformH", "PY_TransformZ",
      "tex_shift",     "cauScale",  "fTime",   "fBrightness", "fPower", "mul_color", "soft_light_color",
      "Fade",          "Disaturate", "stenght", "Offset", "bump_scale", "BumpStep", "BumpTexScale",
      "LightDir",      "AmbientLight", "Animator"};
  static const char* const kTechniques[] = {"Main",         "MainFX",    "Blend_Normal", "Blend_Screen",
                                            "Blend_ColorDodge", "Linear_Dodge", "Blend_Sum", "BlurPassBG",
                                            "BlurPass",     "FinalPass"};
  std::string s = "effect 1\n";
  for (const char* f : kFloats) s += std::string("float4 ") + f + "\n";
  s += "matrix WorldViewProj\nmatrix r_matrix2\nmatrix r_matrix3\nmatrix r_matrix5\n";
  s += "texture Mask\ntexture Background\ntexture Pattern\ntexture Bumpmap\ntexture Bumpmap1\n";
  s += "program Nothing\nvoid main() { o_color = vec4(0.0); }\nend\n";
  for (const char* t : kTechniques) {
    s += std::string("technique ") + t + "\n  pass P0\n    state ALPHABLENDENABLE = TRUE\n"
         "    state SRCBLEND = ZERO\n    state DESTBLEND = ONE\n    fragment Nothing\n  end\nend\n";
  }
  return s;
}

pw::FXRecord ProbeFX(int32_t mode) {
  pw::FXRecord fx;
  fx.mode = mode;
  fx.effectName = kProbeName;
  fx.effectId = kProbeId;
  return fx;
}

void EffectTest::SetUp() {
  RenderTest::SetUp();
  RegisterBuiltInResources();
  RegisterTimelineReaders();
  RegisterEffectReaders();
  MakeDocumentWith(PictureSpec{32, 16, [](int, int) -> D3DCOLOR { return 0xFF808080; }});
}

void EffectTest::MakeDocumentWith(const PictureSpec& picture, const pw::DocResRecord& extra) {
  pw::DocResRecord r = extra;
  // A name of its own per picture: decoded pictures are cached by path and size.
  static int pictures = 0;
  pictureName_ = u"bg" + std::u16string(1, static_cast<char16_t>(u'a' + pictures++ % 26)) + u".png";
  r.imageFiles.push_back(
      {pictureName_, 1, {{0, u"", pictureName_, Png(picture.width, picture.height, picture.colour)}}});
  const std::string probe = ProbeEffectText();
  r.moduleImages.push_back({kProbeName, kProbeId, {{0, u"", kProbeName, std::vector<uint8_t>(probe.begin(), probe.end())}}});
  if (doc_) SetCurrentDocResManager(nullptr);
  doc_.reset();
  UseDocument(MakeDocument(r));
}

std::unique_ptr<DS_2D_Light> EffectTest::MakeLight(int fitMode) {
  auto light = std::make_unique<DS_2D_Light>();
  light->backgroundLink.name = pictureName_;
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

Pixels EffectTest::Frame(DS_2D_Light& light, RuntimeObjects& objects) {
  EXPECT_EQ(dev_->BeginScene(), D3D_OK);
  int n = 0;
  for (auto& o : objects) n += o->NeedsBackground();
  if (n > 0) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    light.BeginBackgroundChain();
  }
  light.ClearBackground(0);
  light.RenderObjects(objects, n);
  light.EndFrame(0);
  EXPECT_EQ(dev_->EndScene(), D3D_OK);
  return ReadBackBuffer();
}

std::vector<float> EffectTest::Floats(DS_FX_Constructor* fx, const char* name, int n) {
  std::vector<float> v(4, -999.0f);
  if (fx && fx->Effect()) fx->Effect()->GetFloatArray(name, v.data(), 4);
  v.resize(n);
  return v;
}

D3DXMATRIX EffectTest::Matrix(DS_FX_Constructor* fx, const char* name) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  if (fx && fx->Effect()) fx->Effect()->GetMatrix(name, &m);
  return m;
}

std::string EffectTest::Technique(DS_FX_Constructor* fx) {
  if (!fx || !fx->Effect()) return "";
  const char* t = fx->Effect()->GetCurrentTechnique();
  return t ? t : "";
}

}  // namespace fx_test
