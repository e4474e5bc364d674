// Screen-effect and slide-renderer records, as the project writer writes
// them by default.
#include "tests/app/class_samples.h"

#include "tools/writer/effects_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/renderers_writer.h"
#include "tools/writer/water_fire_writer.h"

namespace class_samples {

namespace {

template <class Write>
void Add(std::vector<Sample>& out, Family family, Write write) {
  pw::ByteBuilder b;
  write(b);
  out.push_back({family, std::move(b)});
}

}  // namespace

void AppendScreenSamples(std::vector<Sample>& out) {
  using B = pw::ByteBuilder;
  const Family fx = Family::kSceneObjects;
  Add(out, fx, [](B& b) { pw::WritePatternBrush(b, {}); });
  Add(out, fx, [](B& b) { pw::WritePatternBrushC(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteBackgroundCopy(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteEraseLayer(b, 0, {}); });
  Add(out, fx, [](B& b) { pw::WriteLightFX(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteLightII(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteLightWave(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteColorShift(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteSaturationWave(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteSaturation(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteBlur(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteExpand(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteRadialWave(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteRotation(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteBend(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteKestraneRadial(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteKestraneVortical(b, {}); });
  Add(out, fx, [](B& b) { pw::WritePerspectiveFX(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteStretch(b, pw::StretchRecord{}); });
  Add(out, fx, [](B& b) { pw::WriteTurn(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteKestraneLinear(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteCloud(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteCaustic(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteDayToNight(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteHeat(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteBump(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteWaves(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteWater(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteMove(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteWaterfall(b, {}); });
  Add(out, fx, [](B& b) { pw::WriteFire(b, {}); });

  const Family light = Family::kRenderers;
  Add(out, light, [](B& b) { pw::WriteLight(b, {}); });
  Add(out, light, [](B& b) { pw::WriteFlameLight(b, {}); });
  Add(out, light, [](B& b) { pw::WriteUnderwaterLight(b, {}); });
  Add(out, light, [](B& b) { pw::WriteGlassBall(b, {}); });
  Add(out, light, [](B& b) { pw::WriteMatrixCode(b, {}); });
  Add(out, light, [](B& b) { pw::WriteLake(b, {}); });
  Add(out, light, [](B& b) { pw::WriteWaterRing(b, {}); });
}

}  // namespace class_samples
