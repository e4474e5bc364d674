// The class names each reader registry holds are file-format vocabulary: a
// registration under a misspelt name, or in the wrong family, would make
// every project that stores the class unreadable.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <tuple>
#include <typeinfo>

#include "core/graph_params.h"
#include "core/io_item.h"
#include "core/reader_registry.h"
#include "core/time_params.h"
#include "fuzz/fuzz_physics.h"
#include "geometry/emitter_figures.h"
#include "geometry/figures.h"
#include "player/app/register_all.h"
#include "player/render_context_base.h"
#include "player/scene_object.h"
#include "player/slide_container.h"
#include "player/timelines.h"

class ZVI_TextureSRC;

namespace {

struct Family {
  const char* base;
  std::vector<zvi_string> (*registered)();
  std::set<zvi_string> allowed;
};

std::string Narrow(const zvi_string& s) { return std::string(s.begin(), s.end()); }

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return status == 0 ? std::string(name.get()) : std::string(mangled);
}

// Each registered name makes an object of the class of that name (node
// effects come wrapped; the point-cloud physics is a second name).
template <class Base>
void ExpectEachNameMakesItsClass() {
  for (const auto& [name, reader] : ReaderRegistry<Base>()) {
    ASSERT_NE(reader, nullptr) << Narrow(name);
    std::unique_ptr<Base> made = reader->CreateDefault();
    ASSERT_NE(made, nullptr) << Narrow(name);
    std::string cls = Demangle(typeid(*made).name());
    const std::string wrapper = "ZVI_PtclSysEffect<";
    if (cls.rfind(wrapper, 0) == 0 && cls.back() == '>') cls = cls.substr(wrapper.size(), cls.size() - wrapper.size() - 1);
    std::string expected = Narrow(name);
    if (expected == "ZVI_PtclSysPhys_PntCloud") expected = "ZVI_PtclSysPhys_ConstPntGroup";
    EXPECT_EQ(cls, expected);
  }
}

template <class Base>
std::vector<zvi_string> NamesOf() {
  std::vector<zvi_string> out;
  for (const auto& entry : ReaderRegistry<Base>())
    if (entry.second) out.push_back(entry.first);
  return out;
}

const std::vector<Family>& Families() {
  static const std::vector<Family> families = {
      {"DS_ABObj_Constructor", NamesOf<DS_ABObj_Constructor>, {
      u"ZVI_PSTree_Root", u"ZVI_PtclSysPreset", u"ZVI_Group_Constructor", u"ZVI_PtclSys_Constructor",
      u"ZVI_PtclSys_Builder", u"ZVI_ThroughSpaceCtrl", u"ZVI_FieldPtclSys", u"ZVI_ParticlePath",
      u"ZVI_ParticleTrace", u"ZVI_BrownAnimation", u"ZVI_Firefly", u"DS_PtclFog", u"DS_PtclFire",
      u"DS_WaterJet", u"DS_RainOnGlass", u"DS_BokehLights", u"ZVI_FontainPtclSys", u"DS_LightBeams",
      u"DS_RayOfLight", u"DS_PtclSmoke", u"DS_PtclSmoke2", u"DS_PtclSmoke3", u"DS_PtclFireStream",
      u"DS_Shimmer", u"ZVI_SprayPtclSys", u"ZVI_BurstPtclSys", u"ZVI_SplashPtclSys",
      u"ZVI_VortexPtclSys", u"DS_StreamPtclSys", u"DS_Bling", u"DS_CustomAirBrush",
      u"DS_TwinklingStars", u"DS_Aurora", u"DS_AnimatedFont", u"DS_ExplosionConstructor",
      u"DS_FallingStars", u"DS_FireworkSimple", u"DS_LightningGN", u"DS_Plant", u"DS_RadialRays",
      u"DS_Smoke", u"ZVI_GrovingLine", u"ZVI_SlidingLine", u"ZVI_ShootingLine", u"ZVI_WavingLine",
      u"ZVI_Tears", u"ZVI_2DTex", u"ZVI_3DTex", u"DS_GodRayConstructor", u"DS_SparkleConstructor",
      u"DS_FlowConstructor", u"DS_FishConstructor", u"DS_GhostConstructor", u"DS_FogConstructor",
      u"DS_LightingConstructor", u"DS_GrassConstructor", u"DS_RainConstructor",
      u"DS_StatObjConstructor", u"DS_FlowerConstructor", u"DS_BirdConstructor",
      u"DS_DischargeConstructor", u"DS_DischargeFXConstructor", u"DS_3D_in_2D_array_Constructor",
      u"DS_ButterflyConstructor", u"DS_ClockConstructor", u"DS_StaticAnimation", u"DS_BrownAnimation",
      u"DS_PathAnimtion", u"ZVI_StaticObject", u"ZVI_SigleObjectPath", u"DS_StaticTextConstructor",
      u"DS_ScrollingTextConstructor", u"DS_TextLinkConstructor", u"DS_StaticText", u"DS_ScrollingTex",
      u"DS_TextLink", u"DS_BackgroundCopy", u"DS_WavesFX", u"DS_LightFX", u"DS_PatternBrush",
      u"DS_PatternBrushC", u"DS_WaterFX", u"DS_MoveFX", u"DS_FireFX", u"DS_ExpandFX",
      u"DS_RadialWaveFX", u"DS_RotationFX", u"DS_WaterfallFX", u"DS_BendFX", u"DS_LightFX_II",
      u"DS_CloudFX", u"DS_PerspectiveFX", u"DS_KestraneLinear", u"DS_DayToNight", u"DS_StretchFX",
      u"DS_KestraneRadial", u"DS_KestraneVortical", u"DS_HeatDistortion", u"DS_BumpFX",
      u"DS_LightWaveFX", u"DS_ColorShiftFX", u"DS_SaturationWaveFX", u"DS_SaturationFX",
      u"DS_BlureFX", u"DS_EraseLayerFX", u"DS_CausticFX", u"DS_TurnFX", u"DS_MP3_Constructor",
      u"DS_WAV_Constructor",
      }},
      {"ZVI_IOF_Item", NamesOf<ZVI_IOF_Item>, {
      u"ZVI_PSTree_Stem", u"ZVI_PSTree_Leaf", u"ZVI_PSTree_Trace", u"ZVI_PSTree_Curve",
      u"ZVI_PartyBalloon", u"ZVI_GroupNode", u"ZVI_PtclSysNode_Picture", u"ZVI_PtclSysNode_Line",
      u"ZVI_PtclSysNode_FractalLine", u"ZVI_PtclSysNode_RandomLine", u"ZVI_PtclSysNode_PerlinLine",
      u"ZVI_PtclSysNode_Trace", u"ZVI_PtclSysNode_Blank", u"ZVI_PtclSysNodePic_Explode",
      u"ZVI_PtclSysNodePic_2DText", u"ZVI_PtclSysNode_Root", u"ZVI_PtclSysNode_Emitter",
      u"ZVI_PtclSysNode_Track", u"ZVI_PtclSysEffect_Pulsation", u"ZVI_PtclSysEffect_Vibration",
      u"ZVI_OrientationInMotion", u"ZVI_PtclSysEffect_AlignToSource",
      u"ZVI_PtclSysEffect_NailToSource", u"ZVI_PtclSysEffect_Swinging",
      u"ZVI_PtclSysEffect_Deformation", u"ZVI_PtclSysEffect_Stretch", u"ZVI_PtclSysEffect_ColorV",
      u"ZVI_PtclSysEffect_ColorD", u"ZVI_PtclSysEff_VariatorMF", u"ZVI_PtclSysEff_Graph",
      u"ZVI_PtclSysEffect_AngleBase", u"ZVI_PtclSysEffect_Spin", u"ZVI_PtclSysEffect_AngleDyn",
      u"ZVI_PtclSysEffect_ForceGravitation", u"ZVI_PtclSysEffect_ForceDrag",
      u"ZVI_PtclSysEffect_BgTex", u"ZVI_PtclSysEffect_ScrollTex", u"ZVI_PtclSysEffect_MotionLaw",
      u"ZVI_PtclSysEff_Gradient", u"ZVI_PtclSysEff_ColorGradient", u"ZVI_PtclSysEffect_ClockTime",
      u"ZVI_PtclSysEffect_ClockHand", u"ZVI_PtclSys_TxtTypeEffect_Fade",
      u"ZVI_PtclSys_TxtTypeEffect_Slide", u"ZVI_PtclSys_TxtTypeEffect_Fly",
      u"ZVI_PtclSys_TxtTypeEffect_Zoom", u"ZVI_PtclSysMLaw_Kinematic", u"ZVI_PtclSysMLaw_Radial",
      u"ZVI_PtclSysMLaw_Vector", u"ZVI_PtclSysMLaw_Spiral", u"ZVI_PtclSysMLCentred_Tunel",
      u"ZVI_PtclSysMLaw_Normal", u"ZVI_PtclSysMLaw_Loop", u"ZVI_PtclSysMLaw_VelocityField",
      u"ZVI_PSGeometry_Point", u"ZVI_PSGeometry_Trace", u"ZVI_PSGeomEmit_Point",
      u"ZVI_PSGeometry_Swarm", u"ZVI_PSSource_Group", u"ZVI_PSGeomEmit_Sector",
      u"ZVI_PSGeomEmit_Rect", u"ZVI_PSGeomEmit_Stream", u"ZVI_PSGeomEmit_Line",
      u"ZVI_PSGeomEmit_Path", u"ZVI_PSGeomEmit_Field", u"ZVI_PSGeomEmit_Circular",
      u"ZVI_PtclSysPhys_SourceFig", u"ZVI_PtclSysPhys_Lattice", u"ZVI_PtclSysPhys_LineCurv",
      u"ZVI_PtclSysPhys_PerlinCurv", u"ZVI_PtclSysPhys_FractalCurv", u"ZVI_PtclSysPhys_RandomCurv",
      u"ZVI_PtclSysPhys_TraceLine", u"ZVI_PtclSysPhys_RootPnt", u"ZVI_PtclSysPhys_ConstPntGroup",
      u"ZVI_PtclSysPhys_PntCloud", u"ZVI_PtclSysPhys_Track", u"ZVI_PtclSysPhys_Swarm",
      u"ZVI_PtclSysPhys_Flow", u"ZVI_PtclSysPhys_TrackPerspective", u"ZVI_PtclSysPhys_FixedSpots",
      u"ZVI_PtclSysPhys_ExplodingPic", u"ZVI_PtclSysPhys_Text", u"ZVI_PtclSysPhys_CrawlingText",
      }},
      {"DS_2D_Light", NamesOf<DS_2D_Light>, {
          u"DS_2D_Light", u"DS_FlameLight", u"DS_GlassBallLight", u"DS_MatrixCodeLight", u"FakeUndervater",
          u"FakeLake2D", u"DS_WaterRingLight",
      }},
      {"ZVI_TextureSRC", NamesOf<ZVI_TextureSRC>, {
          u"ZVI_ResIDTex", u"ZVI_ImgFileTex", u"ZVI_SoftCircleTex", u"ZVI_TextTexure", u"ZVI_PolygonTex",
          u"ZVI_CustomTexure",
      }},
      {"DS_SlideContainer", NamesOf<DS_SlideContainer>, {u"DS_SlideContainer"}},
      {"ZVI_VGeom2D", NamesOf<ZVI_VGeom2D>, {
          u"ZVI_VGeom2D_BSpline", u"ZVI_VGeom2D_Polyline", u"ZVI_VGeom2D_Loop", u"ZVI_VGeom2D_CubicSpline",
          u"ZVI_VGeom2D_LineSegment", u"ZVI_VGeom2D_Stripe", u"ZVI_VGeom2D_Rect", u"ZVI_VGeom2D_Sector",
          u"ZVI_VGeom2D_Spiral", u"ZVI_VGeom2D_Sphere", u"ZVI_VGeom2D_Freeform", u"ZVI_VGeom2D_Text",
      }},
      {"ZVI_ChronoCtrl", NamesOf<ZVI_ChronoCtrl>, {u"ZVI_Chrono_Default"}},
      {"ZVI_VGraph", NamesOf<ZVI_VGraph>, {
          u"ZVI_VGraph_Const", u"ZVI_VGraph_Line", u"ZVI_VGraph_QBezier", u"ZVI_VGraph_GradientLine",
          u"ZVI_VGraph_StraightLine",
      }},
      {"ZVI_VFigure", NamesOf<ZVI_VFigure>, {u"ZVI_VFigure_Rect", u"ZVI_VFigure_Sector", u"ZVI_VFigure_BSpline"}},
      {"ZVI_VGradient", NamesOf<ZVI_VGradient>, {u"ZVI_VGradient_Linear", u"ZVI_VGradient_Circular"}},
      {"ZVI_Timing", NamesOf<ZVI_Timing>, {
          u"ZVI_ContinuesTimeLine", u"ZVI_RandomTimeLine", u"ZVI_ManualTimeLine", u"ZVI_DependedTimeLine",
      }},
  };
  return families;
}

// RegisterEverything run on empty registries, so that the tests see what it
// registers apart from what other tests of the process added (stand-ins,
// probes); afterwards the registries hold those again too.
template <class... Bases>
class OwnRegistrations {
 public:
  OwnRegistrations() {
    (std::get<ReaderMap<Bases>>(saved_).swap(ReaderRegistry<Bases>()), ...);
    RegisterEverything();
  }
  ~OwnRegistrations() { (Restore<Bases>(), ...); }

 private:
  template <class Base>
  void Restore() {
    for (const auto& [name, reader] : std::get<ReaderMap<Base>>(saved_)) ReaderRegistry<Base>()[name] = reader;
  }
  std::tuple<ReaderMap<Bases>...> saved_;
};

using Everything = OwnRegistrations<DS_ABObj_Constructor, ZVI_IOF_Item, DS_2D_Light, ZVI_TextureSRC,
                                    DS_SlideContainer, ZVI_VGeom2D, ZVI_ChronoCtrl, ZVI_VGraph, ZVI_VFigure,
                                    ZVI_VGradient, ZVI_Timing>;

TEST(RegistryNames, EveryRegisteredNameBelongsToItsFamilysVocabulary) {
  // Other tests of the same process register names of their own.
  fuzz::RegisterFuzzPhysics();
  const Everything only;
  for (const Family& family : Families()) {
    for (const zvi_string& name : family.registered()) {
      EXPECT_TRUE(family.allowed.count(name)) << Narrow(name) << " registered in " << family.base;
    }
  }
}

TEST(RegistryNames, EachRegisteredNameMakesTheClassOfThatName) {
  fuzz::RegisterFuzzPhysics();
  const Everything only;
  ExpectEachNameMakesItsClass<DS_ABObj_Constructor>();
  ExpectEachNameMakesItsClass<ZVI_IOF_Item>();
  ExpectEachNameMakesItsClass<DS_2D_Light>();
  ExpectEachNameMakesItsClass<DS_SlideContainer>();
  ExpectEachNameMakesItsClass<ZVI_VGeom2D>();
  ExpectEachNameMakesItsClass<ZVI_ChronoCtrl>();
  ExpectEachNameMakesItsClass<ZVI_VGraph>();
  ExpectEachNameMakesItsClass<ZVI_VFigure>();
  ExpectEachNameMakesItsClass<ZVI_VGradient>();
  ExpectEachNameMakesItsClass<ZVI_Timing>();
}

}  // namespace
