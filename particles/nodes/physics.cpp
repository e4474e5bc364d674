#include "particles/nodes/physics.h"

#include "core/crt.h"
#include "particles/nodes/transforms.h"

std::unique_ptr<ZVI_PtclSys_Physics> ReadPhysics(DS_IOF_Archive& ar) {
  std::unique_ptr<ZVI_IOF_Item> item = ReadObjectOf<ZVI_IOF_Item>(ar);
  auto* physics = dynamic_cast<ZVI_PtclSys_Physics*>(item.get());
  // A registered record of another family is read in full and dropped.
  if (!physics) return nullptr;
  item.release();
  return std::unique_ptr<ZVI_PtclSys_Physics>(physics);
}

ZVI_PtclSys_Geometry::ZVI_PtclSys_Geometry() {
  sizeJitter.value.SetScaleOffset(0.01f, 0.0f);
  alphaJitter.SetScaleOffset(-0.01f, 1.0f);
  offsetXOscillation.amplitude.SetScaleOffset(1.0f, 0.0f, 50u);
  offsetYOscillation.amplitude.SetScaleOffset(1.0f, 0.0f, 50u);
}

void ZVI_PtclSys_Geometry::InitParticle(Particle* p) {
  // Fewer than one column or row (a grid from a file) counts as one.
  const int32_t n = atlasColumns < 1 ? 1 : atlasColumns;
  const int32_t m = atlasRows < 1 ? 1 : atlasRows;
  const int32_t column = crt_rand() % n;
  const int32_t row = crt_rand() % m;
  p->texScaleOffset[0] = 1.0f / static_cast<float>(n);
  p->texScaleOffset[1] = 1.0f / static_cast<float>(m);
  p->texScaleOffset[2] = static_cast<float>(column) / static_cast<float>(n);
  p->texScaleOffset[3] = static_cast<float>(row) / static_cast<float>(m);

  p->AddTransform(new PtclTr_JitterCtrl(1, &sizeJitter));
  p->AddTransform(new PtclTr_JitterUpdater(2, &alphaJitter));
  const VariationParams* oscillations[4] = {&sizeOscillation, &alphaOscillation, &offsetXOscillation,
                                            &offsetYOscillation};
  for (int32_t k = 0; k < 4; ++k) {
    // Each phase is drawn before the noise part draws its seed.
    const float phase = crt_rand01() * 2.0f * 3.1415927f;
    p->AddTransform(new PtclTr_Oscilator(k + 1, oscillations[k], k < 2 ? 1.0f : 0.0f, phase));
  }
  const float spread = crt_rand01() * 2.0f - 1.0f;
  const float spin_random = crt_rand01();
  const float sign = (crt_rand() & 1) ? 1.0f : -1.0f;
  p->AddTransform(new PtclTr_StandardSpin(&spin, spread, spin_random, sign));
}

ParticlePtr ZVI_PtclSys_Geometry::NewHeldParticle(const ParticlePtr& parent) {
  ParticlePtr p(new Particle(parent));
  p->position = position.value;
  InitParticle(p.get());
  held.push_back(p);
  return p;
}
