// Scene-object records: lines, sprites, texts, generators, classic particle
// systems and sounds, as the project writer writes them by default.
#include "tests/app/class_samples.h"

#include "tools/writer/audio_writer.h"
#include "tools/writer/butterfly_clock_writer.h"
#include "tools/writer/explosion_writer.h"
#include "tools/writer/generators_writer.h"
#include "tools/writer/imitters_writer.h"
#include "tools/writer/lightning_writer.h"
#include "tools/writer/line_writer.h"
#include "tools/writer/objects_3d_writer.h"
#include "tools/writer/smoke_rays_writer.h"
#include "tools/writer/sprite_writer.h"
#include "tools/writer/text_objects_writer.h"
#include "tools/writer/text_writer.h"

namespace class_samples {

namespace {

template <class Write>
void Add(std::vector<Sample>& out, Write write) {
  pw::ByteBuilder b;
  write(b);
  out.push_back({Family::kSceneObjects, std::move(b)});
}

}  // namespace

void AppendSceneSamples(std::vector<Sample>& out) {
  std::vector<pw::ByteBuilder> records = pw::LineSampleRecords();
  for (pw::ByteBuilder& r : pw::ClassicSampleRecords()) records.push_back(std::move(r));
  pw::AppendPathFieldRainSamples(records);
  for (pw::ByteBuilder& r : pw::TextSampleRecords()) records.push_back(std::move(r));
  for (pw::ByteBuilder& r : pw::TextObjectSampleRecords()) records.push_back(std::move(r));
  for (pw::ByteBuilder& r : records) out.push_back({Family::kSceneObjects, std::move(r)});

  using B = pw::ByteBuilder;
  Add(out, [](B& b) { pw::WriteButterfly(b, {}); });
  Add(out, [](B& b) { pw::WriteClock(b, {}); });
  Add(out, [](B& b) { pw::WriteGrowingLine(b, {}); });
  Add(out, [](B& b) { pw::WriteSlidingLine(b, {}); });
  Add(out, [](B& b) { pw::WriteShootingLine(b, {}); });
  Add(out, [](B& b) { pw::WriteTears(b, {}); });
  Add(out, [](B& b) { pw::WriteWavingLine(b, {}); });
  Add(out, [](B& b) { pw::Write3DIn2DArray(b, pw::Sample3DIn2DArray()); });
  Add(out, [](B& b) { pw::WriteStaticObject(b, {}); });
  Add(out, [](B& b) { pw::WriteObjectPath(b, {}); });

  Add(out, [](B& b) { pw::WriteBurst(b, {}); });
  Add(out, [](B& b) { pw::WriteFountain(b, {}); });
  Add(out, [](B& b) { pw::WritePreset(b, {}); });
  Add(out, [](B& b) { pw::WriteSplash(b, {}); });
  Add(out, [](B& b) { pw::WriteSpray(b, {}); });
  Add(out, [](B& b) { pw::WriteSprayPreset(b, {}); });
  Add(out, [](B& b) { pw::WriteStream(b, {}); });
  Add(out, [](B& b) { pw::WriteSmoke2(b, 0, 0, 0, {}); });
  Add(out, [](B& b) { pw::WriteVortex(b, {}); });
  Add(out, [](B& b) { pw::WriteRayOfLight(b, {}); });
  Add(out, [](B& b) { pw::WriteThroughSpace(b, {}); });
  Add(out, [](B& b) { pw::WriteBrownian(b, {}); });
  Add(out, [](B& b) { pw::WriteFirefly(b, {}); });
  Add(out, [](B& b) { pw::WriteParticlePath(b, {}); });
  Add(out, [](B& b) { pw::WriteParticleTrace(b, {}); });
  Add(out, [](B& b) { pw::WriteField(b, {}); });
  Add(out, [](B& b) { pw::WriteRainOnGlass(b, {}); });

  Add(out, [](B& b) { pw::WriteBling(b, {}); });
  Add(out, [](B& b) { pw::WriteCustomAirBrush(b, {}); });
  Add(out, [](B& b) { pw::WriteTwinklingStars(b, {}); });
  Add(out, [](B& b) { pw::WriteAurora(b, {}); });
  Add(out, [](B& b) { pw::WriteAnimatedFont(b, {}); });
  Add(out, [](B& b) { pw::WritePlant(b, {}); });
  Add(out, [](B& b) { pw::WriteFallingStars(b, {}); });
  Add(out, [](B& b) { pw::WriteFireworkSimple(b, {}); });
  Add(out, [](B& b) { pw::WriteExplosion(b, pw::DefaultExplosion(64, 64)); });
  Add(out, [](B& b) { pw::WriteLightning(b, {}); });
  Add(out, [](B& b) { pw::WriteSmoke(b, {}); });
  Add(out, [](B& b) { pw::WriteRadialRays(b, {}); });

  Add(out, [](B& b) { pw::WriteDischarge(b, pw::DefaultDischarge()); });
  Add(out, [](B& b) { pw::WriteGodRay(b, {}); });
  Add(out, [](B& b) { pw::WriteSparkle(b, {}); });
  Add(out, [](B& b) { pw::WriteFog(b, {}); });
  Add(out, [](B& b) { pw::WriteLighting(b, {}); });
  Add(out, [](B& b) { pw::WriteFlow(b, pw::FlowRecord{}); });
  Add(out, [](B& b) { pw::WriteRain(b, {}); });
  Add(out, [](B& b) { pw::WriteFish(b, {}); });
  Add(out, [](B& b) { pw::WriteBird(b, {}); });
  Add(out, [](B& b) { pw::WriteGhost(b, {}); });
  Add(out, [](B& b) { pw::WriteStatObj(b, {}); });
  Add(out, [](B& b) { pw::WriteFlower(b, 1.0f, {}); });
  Add(out, [](B& b) { pw::WriteDischargeSprite(b, {}); });
  Add(out, [](B& b) { pw::WriteGrass(b, 1.0f, {}); });
  Add(out, [](B& b) { pw::WritePathAnimation(b, {}); });
  Add(out, [](B& b) { pw::WriteStaticAnimation(b, {}); });
  Add(out, [](B& b) { pw::WriteBrownAnimation(b, {}); });

  Add(out, [](B& b) { pw::WriteMp3Object(b, {}); });
  Add(out, [](B& b) { pw::WriteWavObject(b, {}); });
}

}  // namespace class_samples
