// Every class name a project may store has a reader in the family that reads
// it, and a record the project writer writes for the class reads back into
// an object of that class. Names are file-format vocabulary, listed here by
// family; a name without a reader fails with its name.
#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/graph_params.h"
#include "core/io_item.h"
#include "core/reader_registry.h"
#include "core/time_params.h"
#include "geometry/emitter_figures.h"
#include "geometry/figures.h"
#include "player/app/register_all.h"
#include "player/render_context_base.h"
#include "player/scene_object.h"
#include "player/slide_container.h"
#include "player/texture_sources.h"
#include "player/timelines.h"
#include "tests/app/class_samples.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/geometry_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/slides_writer.h"
#include "tools/writer/values_writer.h"

namespace {

using class_samples::Family;
using class_samples::Sample;

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

struct Group {
  const char* title;
  Family family;
  std::vector<const char16_t*> names;
};

// The class names by family, as projects store them.
const std::vector<Group>& Groups() {
  static const std::vector<Group> groups = {
      {"node and tree particle systems, groups", Family::kSceneObjects,
       {u"ZVI_PSTree_Root", u"ZVI_PtclSysPreset", u"ZVI_Group_Constructor", u"ZVI_PtclSys_Constructor",
        u"ZVI_PtclSys_Builder"}},
      {"imitter particle systems", Family::kSceneObjects,
       {u"ZVI_ThroughSpaceCtrl", u"ZVI_FieldPtclSys", u"ZVI_ParticlePath", u"ZVI_ParticleTrace",
        u"ZVI_BrownAnimation", u"ZVI_Firefly", u"DS_PtclFog", u"DS_PtclFire", u"DS_WaterJet", u"DS_RainOnGlass",
        u"DS_BokehLights", u"ZVI_FontainPtclSys", u"DS_LightBeams", u"DS_RayOfLight", u"DS_PtclSmoke",
        u"DS_PtclSmoke2", u"DS_PtclSmoke3", u"DS_PtclFireStream", u"DS_Shimmer", u"ZVI_SprayPtclSys",
        u"ZVI_BurstPtclSys", u"ZVI_SplashPtclSys", u"ZVI_VortexPtclSys", u"DS_StreamPtclSys"}},
      {"generators and brushes", Family::kSceneObjects,
       {u"DS_Bling", u"DS_CustomAirBrush", u"DS_TwinklingStars", u"DS_Aurora", u"DS_AnimatedFont",
        u"DS_ExplosionConstructor", u"DS_FallingStars", u"DS_FireworkSimple", u"DS_LightningGN", u"DS_Plant",
        u"DS_RadialRays", u"DS_Smoke"}},
      {"lines", Family::kSceneObjects,
       {u"ZVI_GrovingLine", u"ZVI_SlidingLine", u"ZVI_ShootingLine", u"ZVI_WavingLine", u"ZVI_Tears"}},
      {"sprites, animations and single objects", Family::kSceneObjects,
       {u"ZVI_2DTex", u"ZVI_3DTex", u"DS_GodRayConstructor", u"DS_SparkleConstructor", u"DS_FlowConstructor",
        u"DS_FishConstructor", u"DS_GhostConstructor", u"DS_FogConstructor", u"DS_LightingConstructor",
        u"DS_GrassConstructor", u"DS_RainConstructor", u"DS_StatObjConstructor", u"DS_FlowerConstructor",
        u"DS_BirdConstructor", u"DS_DischargeConstructor", u"DS_DischargeFXConstructor", u"DS_StaticAnimation",
        u"DS_BrownAnimation", u"DS_PathAnimtion", u"ZVI_StaticObject", u"ZVI_SigleObjectPath"}},
      {"3-D objects", Family::kSceneObjects,
       {u"DS_3D_in_2D_array_Constructor", u"DS_ButterflyConstructor", u"DS_ClockConstructor"}},
      {"texts", Family::kSceneObjects,
       {u"DS_StaticTextConstructor", u"DS_ScrollingTextConstructor", u"DS_TextLinkConstructor", u"DS_StaticText",
        u"DS_ScrollingTex", u"DS_TextLink"}},
      {"screen effects", Family::kSceneObjects,
       {u"DS_BackgroundCopy", u"DS_WavesFX", u"DS_LightFX", u"DS_PatternBrush", u"DS_PatternBrushC",
        u"DS_WaterFX", u"DS_MoveFX", u"DS_FireFX", u"DS_ExpandFX", u"DS_RadialWaveFX", u"DS_RotationFX",
        u"DS_WaterfallFX", u"DS_BendFX", u"DS_LightFX_II", u"DS_CloudFX", u"DS_PerspectiveFX",
        u"DS_KestraneLinear", u"DS_DayToNight", u"DS_StretchFX", u"DS_KestraneRadial", u"DS_KestraneVortical",
        u"DS_HeatDistortion", u"DS_BumpFX", u"DS_LightWaveFX", u"DS_ColorShiftFX", u"DS_SaturationWaveFX",
        u"DS_SaturationFX", u"DS_BlureFX", u"DS_EraseLayerFX", u"DS_CausticFX", u"DS_TurnFX"}},
      {"sounds", Family::kSceneObjects, {u"DS_MP3_Constructor", u"DS_WAV_Constructor"}},
      {"tree nodes and group nodes", Family::kNodeItems,
       {u"ZVI_PSTree_Stem", u"ZVI_PSTree_Leaf", u"ZVI_PSTree_Trace", u"ZVI_PSTree_Curve", u"ZVI_PartyBalloon",
        u"ZVI_GroupNode"}},
      {"nodes", Family::kNodeItems,
       {u"ZVI_PtclSysNode_Picture", u"ZVI_PtclSysNode_Line", u"ZVI_PtclSysNode_FractalLine",
        u"ZVI_PtclSysNode_RandomLine", u"ZVI_PtclSysNode_PerlinLine", u"ZVI_PtclSysNode_Trace",
        u"ZVI_PtclSysNode_Blank", u"ZVI_PtclSysNodePic_Explode", u"ZVI_PtclSysNodePic_2DText",
        u"ZVI_PtclSysNode_Root", u"ZVI_PtclSysNode_Emitter", u"ZVI_PtclSysNode_Track"}},
      {"node effects", Family::kNodeItems,
       {u"ZVI_PtclSysEffect_Pulsation", u"ZVI_PtclSysEffect_Vibration", u"ZVI_OrientationInMotion",
        u"ZVI_PtclSysEffect_AlignToSource", u"ZVI_PtclSysEffect_NailToSource", u"ZVI_PtclSysEffect_Swinging",
        u"ZVI_PtclSysEffect_Deformation", u"ZVI_PtclSysEffect_Stretch", u"ZVI_PtclSysEffect_ColorV",
        u"ZVI_PtclSysEffect_ColorD", u"ZVI_PtclSysEff_VariatorMF", u"ZVI_PtclSysEff_Graph",
        u"ZVI_PtclSysEffect_AngleBase", u"ZVI_PtclSysEffect_Spin", u"ZVI_PtclSysEffect_AngleDyn",
        u"ZVI_PtclSysEffect_ForceGravitation", u"ZVI_PtclSysEffect_ForceDrag", u"ZVI_PtclSysEffect_BgTex",
        u"ZVI_PtclSysEffect_ScrollTex", u"ZVI_PtclSysEffect_MotionLaw", u"ZVI_PtclSysEff_Gradient",
        u"ZVI_PtclSysEff_ColorGradient", u"ZVI_PtclSysEffect_ClockTime", u"ZVI_PtclSysEffect_ClockHand"}},
      {"text appear effects", Family::kNodeItems,
       {u"ZVI_PtclSys_TxtTypeEffect_Fade", u"ZVI_PtclSys_TxtTypeEffect_Slide", u"ZVI_PtclSys_TxtTypeEffect_Fly",
        u"ZVI_PtclSys_TxtTypeEffect_Zoom"}},
      {"motion laws", Family::kNodeItems,
       {u"ZVI_PtclSysMLaw_Kinematic", u"ZVI_PtclSysMLaw_Radial", u"ZVI_PtclSysMLaw_Vector",
        u"ZVI_PtclSysMLaw_Spiral", u"ZVI_PtclSysMLCentred_Tunel", u"ZVI_PtclSysMLaw_Normal",
        u"ZVI_PtclSysMLaw_Loop", u"ZVI_PtclSysMLaw_VelocityField"}},
      {"emitter geometry and sources", Family::kNodeItems,
       {u"ZVI_PSGeometry_Point", u"ZVI_PSGeometry_Trace", u"ZVI_PSGeomEmit_Point", u"ZVI_PSGeometry_Swarm",
        u"ZVI_PSSource_Group", u"ZVI_PSGeomEmit_Sector", u"ZVI_PSGeomEmit_Rect", u"ZVI_PSGeomEmit_Stream",
        u"ZVI_PSGeomEmit_Line", u"ZVI_PSGeomEmit_Path", u"ZVI_PSGeomEmit_Field", u"ZVI_PSGeomEmit_Circular"}},
      {"physics", Family::kNodeItems,
       {u"ZVI_PtclSysPhys_SourceFig", u"ZVI_PtclSysPhys_Lattice", u"ZVI_PtclSysPhys_LineCurv",
        u"ZVI_PtclSysPhys_PerlinCurv", u"ZVI_PtclSysPhys_FractalCurv", u"ZVI_PtclSysPhys_RandomCurv",
        u"ZVI_PtclSysPhys_TraceLine", u"ZVI_PtclSysPhys_RootPnt", u"ZVI_PtclSysPhys_ConstPntGroup",
        u"ZVI_PtclSysPhys_PntCloud", u"ZVI_PtclSysPhys_Track", u"ZVI_PtclSysPhys_Swarm", u"ZVI_PtclSysPhys_Flow",
        u"ZVI_PtclSysPhys_TrackPerspective", u"ZVI_PtclSysPhys_FixedSpots", u"ZVI_PtclSysPhys_ExplodingPic",
        u"ZVI_PtclSysPhys_Text", u"ZVI_PtclSysPhys_CrawlingText"}},
      {"slide renderers", Family::kRenderers,
       {u"DS_2D_Light", u"DS_FlameLight", u"DS_GlassBallLight", u"DS_MatrixCodeLight", u"FakeUndervater",
        u"FakeLake2D", u"DS_WaterRingLight"}},
      {"texture sources", Family::kTextures,
       {u"ZVI_ResIDTex", u"ZVI_ImgFileTex", u"ZVI_SoftCircleTex", u"ZVI_TextTexure", u"ZVI_PolygonTex",
        u"ZVI_CustomTexure"}},
      {"slides", Family::kSlides, {u"DS_SlideContainer"}},
      {"2-D figures", Family::kGeometries,
       {u"ZVI_VGeom2D_BSpline", u"ZVI_VGeom2D_Polyline", u"ZVI_VGeom2D_Loop", u"ZVI_VGeom2D_CubicSpline",
        u"ZVI_VGeom2D_LineSegment", u"ZVI_VGeom2D_Stripe", u"ZVI_VGeom2D_Rect", u"ZVI_VGeom2D_Sector",
        u"ZVI_VGeom2D_Spiral", u"ZVI_VGeom2D_Sphere", u"ZVI_VGeom2D_Freeform", u"ZVI_VGeom2D_Text"}},
      {"chrono controllers", Family::kChrono, {u"ZVI_Chrono_Default"}},
      {"value graphs", Family::kGraphs,
       {u"ZVI_VGraph_Const", u"ZVI_VGraph_Line", u"ZVI_VGraph_QBezier", u"ZVI_VGraph_GradientLine",
        u"ZVI_VGraph_StraightLine"}},
      {"emitter figures", Family::kFigures, {u"ZVI_VFigure_Rect", u"ZVI_VFigure_Sector", u"ZVI_VFigure_BSpline"}},
      {"gradients", Family::kGradients, {u"ZVI_VGradient_Linear", u"ZVI_VGradient_Circular"}},
      {"timelines", Family::kTimelines,
       {u"ZVI_ContinuesTimeLine", u"ZVI_RandomTimeLine", u"ZVI_ManualTimeLine", u"ZVI_DependedTimeLine"}},
  };
  return groups;
}

// ---- the family registries, looked up by Family ----

bool IsRegistered(Family family, std::u16string_view name) {
  switch (family) {
    case Family::kSceneObjects: return FindReader<DS_ABObj_Constructor>(name) != nullptr;
    case Family::kNodeItems: return FindReader<ZVI_IOF_Item>(name) != nullptr;
    case Family::kRenderers: return FindReader<DS_2D_Light>(name) != nullptr;
    case Family::kTextures: return FindReader<ZVI_TextureSRC>(name) != nullptr;
    case Family::kSlides: return FindReader<DS_SlideContainer>(name) != nullptr;
    case Family::kGeometries: return FindReader<ZVI_VGeom2D>(name) != nullptr;
    case Family::kChrono: return FindReader<ZVI_ChronoCtrl>(name) != nullptr;
    case Family::kGraphs: return FindReader<ZVI_VGraph>(name) != nullptr;
    case Family::kFigures: return FindReader<ZVI_VFigure>(name) != nullptr;
    case Family::kGradients: return FindReader<ZVI_VGradient>(name) != nullptr;
    case Family::kTimelines: return FindReader<ZVI_Timing>(name) != nullptr;
  }
  return false;
}

constexpr Family kAllFamilies[] = {Family::kSceneObjects, Family::kNodeItems, Family::kRenderers,
                                   Family::kTextures,     Family::kSlides,    Family::kGeometries,
                                   Family::kChrono,       Family::kGraphs,    Family::kFigures,
                                   Family::kGradients,    Family::kTimelines};

std::string Demangle(const char* mangled) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
  return status == 0 ? std::string(name.get()) : std::string(mangled);
}

// The class of the object read: node effects come wrapped, and the point
// cloud is a second name of the constant point group.
std::string ClassOf(const std::type_info& type) {
  std::string cls = Demangle(type.name());
  const std::string wrapper = "ZVI_PtclSysEffect<";
  if (cls.rfind(wrapper, 0) == 0 && cls.back() == '>') cls = cls.substr(wrapper.size(), cls.size() - wrapper.size() - 1);
  return cls;
}

std::string ExpectedClass(std::u16string_view name) {
  return name == u"ZVI_PtclSysPhys_PntCloud" ? "ZVI_PtclSysPhys_ConstPntGroup" : Narrow(name);
}

// Reads one whole record through the family's registry; the class of the
// object read, or an empty string.
template <class Base>
std::string ReadAs(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  std::unique_ptr<Base> object = ReadObjectOf<Base>(ar);
  if (ar.Remaining() != 0) throw DS_Error(u"bytes left after the record");
  return object ? ClassOf(typeid(*object)) : std::string();
}

std::string ReadBack(const Sample& s) {
  switch (s.family) {
    case Family::kSceneObjects: return ReadAs<DS_ABObj_Constructor>(s.bytes);
    case Family::kNodeItems: return ReadAs<ZVI_IOF_Item>(s.bytes);
    case Family::kRenderers: return ReadAs<DS_2D_Light>(s.bytes);
    case Family::kTextures: return ReadAs<ZVI_TextureSRC>(s.bytes);
    case Family::kSlides: return ReadAs<DS_SlideContainer>(s.bytes);
    case Family::kGeometries: return ReadAs<ZVI_VGeom2D>(s.bytes);
    case Family::kChrono: return ReadAs<ZVI_ChronoCtrl>(s.bytes);
    case Family::kGraphs: return ReadAs<ZVI_VGraph>(s.bytes);
    case Family::kFigures: return ReadAs<ZVI_VFigure>(s.bytes);
    case Family::kGradients: return ReadAs<ZVI_VGradient>(s.bytes);
    case Family::kTimelines: return ReadAs<ZVI_Timing>(s.bytes);
  }
  return {};
}

std::u16string StoredName(const pw::ByteBuilder& b) {
  MemoryArchive ar(b.bytes().data(), b.size());
  zvi_string name;
  ar.ReadWideString(&name);
  return std::u16string(name.begin(), name.end());
}

// ---- records of the families whose writers sit beside the values ----

template <class Write>
Sample Make(Family family, Write write) {
  pw::ByteBuilder b;
  write(b);
  return {family, std::move(b)};
}

std::vector<Sample> AllSamples() {
  using B = pw::ByteBuilder;
  std::vector<Sample> out;
  class_samples::AppendSceneSamples(out);
  class_samples::AppendScreenSamples(out);
  class_samples::AppendNodeSamples(out);

  for (const char16_t* cls : {u"ZVI_ResIDTex", u"ZVI_ImgFileTex", u"ZVI_SoftCircleTex", u"ZVI_TextTexure",
                              u"ZVI_PolygonTex", u"ZVI_CustomTexure"}) {
    pw::TextureSourceRecord r;
    r.className = cls;
    out.push_back(Make(Family::kTextures, [&](B& b) { pw::WriteTextureSource(b, r); }));
  }
  out.push_back(Make(Family::kSlides, [](B& b) {
    pw::SlideRecord slide;
    pw::WriteLight(slide.renderContext, {});
    pw::WriteSlide(b, slide);
  }));

  const pw::NodeList nodes = {{{0, 0, 0}, {}, {}}, {{100, 0, 0}, {}, {}}, {{100, 50, 0}, {}, {}}};
  const Family g = Family::kGeometries;
  out.push_back(Make(g, [&](B& b) { pw::WriteVGeom2DBSpline(b, nodes); }));
  out.push_back(Make(g, [&](B& b) { pw::WriteVGeom2DPolyline(b, nodes); }));
  out.push_back(Make(g, [&](B& b) { pw::WriteVGeom2DLoop(b, nodes); }));
  out.push_back(Make(g, [&](B& b) { pw::WriteVGeom2DCubicSpline(b, nodes); }));
  out.push_back(Make(g, [&](B& b) { pw::WriteVGeom2DLineSegment(b, nodes); }));
  out.push_back(Make(g, [&](B& b) {
    B centre, graph, width;
    pw::WriteVGeom2DPolyline(centre, nodes);
    pw::WriteVGraphConst(graph);
    pw::WriteJitterGraphParam(width, graph, 40, 0);
    pw::WriteVGeom2DStripe(b, centre, width);
  }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DRect(b, 100, 50); }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DSector(b, 100, 20, 90, 45); }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DSpiral(b, {}); }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DSphere(b, 50); }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DFreeform(b, {}); }));
  out.push_back(Make(g, [](B& b) { pw::WriteVGeom2DText(b, {}, {0, 0, 0}, {}); }));

  out.push_back(Make(Family::kChrono, [](B& b) { pw::WriteChronoDefault(b, {}); }));
  const pw::GraphKeys keys = {{0.0f, 0.0f}, {1.0f, 1.0f}};
  out.push_back(Make(Family::kGraphs, [](B& b) { pw::WriteVGraphConst(b); }));
  out.push_back(Make(Family::kGraphs, [&](B& b) { pw::WriteVGraphLine(b, keys); }));
  out.push_back(Make(Family::kGraphs, [&](B& b) { pw::WriteVGraphStraightLine(b, keys); }));
  out.push_back(Make(Family::kGraphs, [&](B& b) { pw::WriteVGraphQBezier(b, {0, 0, 0.5f, 1, 1, 0}, keys); }));
  out.push_back(Make(Family::kGraphs, [&](B& b) { pw::WriteVGraphGradientLine(b, {0, 0, 1, 1}, keys); }));
  out.push_back(Make(Family::kFigures, [](B& b) { pw::WriteVFigureRect(b, 100, 50); }));
  out.push_back(Make(Family::kFigures, [](B& b) { pw::WriteVFigureSector(b, 10, 100, 90, 45); }));
  out.push_back(Make(Family::kFigures, [&](B& b) { pw::WriteVFigureBSpline(b, nodes); }));
  out.push_back(Make(Family::kGradients, [](B& b) { pw::WriteVGradientLinear(b, {0, 0, 0}, {100, 0, 0}); }));
  out.push_back(Make(Family::kGradients, [](B& b) { pw::WriteVGradientCircular(b, {0, 0, 0}, {100, 0, 0}); }));
  out.push_back(Make(Family::kTimelines, [](B& b) { pw::WriteContinuesTimeLine(b); }));
  out.push_back(Make(Family::kTimelines, [](B& b) { pw::WriteRandomTimeLine(b, {}); }));
  out.push_back(Make(Family::kTimelines, [](B& b) { pw::WriteManualTimeLine(b, 1000, {{0.0f, 0.5f, 0.1f, 0.4f}}); }));
  out.push_back(Make(Family::kTimelines, [](B& b) { pw::WriteDependedTimeLine(b, {}); }));
  return out;
}

class ClassReaders : public ::testing::Test {
 protected:
  // The fuzz stand-ins another test of this program may have registered add
  // names of their own; only the names listed here are looked at.
  void SetUp() override { RegisterEverything(); }
};

TEST_F(ClassReaders, EveryListedNameHasAReaderInItsOwnFamilyOnly) {
  for (const Group& group : Groups()) {
    for (const char16_t* name : group.names) {
      if (!IsRegistered(group.family, name)) {
        ADD_FAILURE() << "no reader for " << Narrow(name) << " (" << group.title << ")";
        continue;
      }
      for (Family other : kAllFamilies) {
        if (other != group.family) {
          EXPECT_FALSE(IsRegistered(other, name)) << Narrow(name) << " is also registered in another family";
        }
      }
    }
  }
}

TEST_F(ClassReaders, WrittenRecordsReadBackIntoTheirClass) {
  std::map<std::u16string, Family> listed;
  for (const Group& group : Groups())
    for (const char16_t* name : group.names) listed[name] = group.family;

  std::set<std::u16string> readBack;
  for (const Sample& sample : AllSamples()) {
    const std::u16string stored = StoredName(sample.bytes);
    auto it = listed.find(stored);
    ASSERT_NE(it, listed.end()) << "a written record names " << Narrow(stored) << ", which no family lists";
    EXPECT_EQ(it->second, sample.family) << Narrow(stored) << " written for another family";
    if (!IsRegistered(sample.family, stored)) continue;  // reported by the test above
    try {
      const std::string cls = ReadBack(sample);
      EXPECT_EQ(cls, ExpectedClass(stored)) << "record of " << Narrow(stored);
      if (cls == ExpectedClass(stored)) readBack.insert(stored);
    } catch (const DS_Error& e) {
      ADD_FAILURE() << "record of " << Narrow(stored) << " does not read back: " << Narrow(e.message);
    }
  }

  for (const auto& [name, family] : listed) {
    if (!IsRegistered(family, name)) continue;
    EXPECT_TRUE(readBack.count(name)) << "no written record of " << Narrow(name) << " read back";
  }
}

// With CLASS_SEEDS_OUT set, writes fuzz seeds holding one record of every
// class written here: each scene object or slide renderer alone on a slide,
// as a project (project_reader/) and as a slide-show record after frame
// times (slide_show_steps/), and each node-particle record alone (node_sources/).
TEST_F(ClassReaders, WriteFuzzSeedsOnRequest) {
  const char* dir = std::getenv("CLASS_SEEDS_OUT");
  if (!dir) GTEST_SKIP() << "CLASS_SEEDS_OUT not set";
  const std::string out(dir);
  int i = 0;
  for (const Sample& sample : AllSamples()) {
    const std::string name = std::to_string(i++) + "_" + Narrow(StoredName(sample.bytes));
    if (sample.family == Family::kNodeItems) {
      EXPECT_TRUE(sample.bytes.SaveTo(out + "/node_sources/" + name + ".bin")) << name;
      continue;
    }
    pw::SlideRecord slide;
    if (sample.family == Family::kRenderers) {
      slide.renderContext = sample.bytes;
    } else if (sample.family == Family::kSceneObjects) {
      pw::WriteLight(slide.renderContext, {});
      slide.drawn.push_back(sample.bytes);
    } else {
      continue;
    }
    pw::SlideShowRecord show;
    show.slides.emplace_back();
    pw::WriteSlide(show.slides.back(), slide);
    // The steps fuzzer takes 32 bytes of frame times, then the slide-show
    // version and fields (no class name).
    pw::ByteBuilder record;
    for (int frame = 0; frame < 32; ++frame) record.U8(static_cast<uint8_t>(127 + 1 + frame % 5 * 3));
    record.I32(show.version).U32(1).Append(show.slides.back()).U32(0).I32(show.integerParam);
    pw::ByteBuilder manager;
    pw::WriteDocResManager(manager, {});
    EXPECT_TRUE(record.SaveTo(out + "/slide_show_steps/" + name)) << name;
    EXPECT_TRUE(pw::BuildProject(show, manager).SaveTo(out + "/project_reader/" + name + ".qmf")) << name;
  }
}

}  // namespace
