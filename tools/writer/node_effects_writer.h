#pragma once
// Records of the particle effects that nodes hold, at any version. Each
// writer takes the effect base record's fields last (the record's tail).
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"

namespace pw {

struct EffectBaseRecord {
  int32_t version = 3;
  std::u16string name;
  std::u16string kind;  // version 2 on
  uint8_t timeSource = 0;  // version 3 on
};
ByteBuilder& WriteEffectBase(ByteBuilder& b, const EffectBaseRecord& r = {});

// An effect with no own fields (AlignToSource, NailToSource, BgTex).
ByteBuilder& WriteBareEffect(ByteBuilder& b, std::u16string_view className, const EffectBaseRecord& base = {});

ByteBuilder& WriteOrientationInMotion(ByteBuilder& b, int32_t mode, const EffectBaseRecord& base = {});
ByteBuilder& WriteForceGravitation(ByteBuilder& b, uint32_t direction, uint32_t strength,
                                   const EffectBaseRecord& base = {});
ByteBuilder& WriteForceDrag(ByteBuilder& b, uint32_t drag, const EffectBaseRecord& base = {});
// law: a whole motion-law record.
ByteBuilder& WriteMotionLawEffect(ByteBuilder& b, const ByteBuilder& law, const EffectBaseRecord& base = {});

// The time-function record: jitter block, oscillator block, from version 2
// the random-phase switch and the phase, then the base record.
struct TimeFuncRecord {
  int32_t version = 2;
  uint32_t value = 0, jitter = 0;
  int32_t mode = 0;
  uint32_t frequency = 50, amplitude = 50, third = 0;
  int32_t randomPhase = 0;
  uint32_t phase = 0;
  EffectBaseRecord base;
};
ByteBuilder& WriteTimeFunc(ByteBuilder& b, const TimeFuncRecord& r);
ByteBuilder& WritePulsation(ByteBuilder& b, int32_t index, const TimeFuncRecord& r = {});
ByteBuilder& WriteSwinging(ByteBuilder& b, const TimeFuncRecord& r = {});
// localAxes is written from version 2.
ByteBuilder& WriteVibration(ByteBuilder& b, int32_t version, uint32_t direction, int32_t localAxes,
                            const TimeFuncRecord& r = {});
ByteBuilder& WriteDeformation(ByteBuilder& b, int32_t vibrationVersion, uint32_t direction,
                              const TimeFuncRecord& r = {});
ByteBuilder& WriteStretch(ByteBuilder& b, uint32_t direction, uint32_t stretch, uint32_t jitter,
                          const EffectBaseRecord& base = {});

struct ColorSourceRecord {
  int32_t mode = 0;
  std::vector<uint32_t> colours{0xFFFFFF};
  std::vector<std::pair<float, uint32_t>> keys{{0.0f, 0xFFFFFF}, {0.5f, 0x7F7F7F}, {1.0f, 0}};
};
ByteBuilder& WriteColorSource(ByteBuilder& b, const ColorSourceRecord& r);
ByteBuilder& WriteColorD(ByteBuilder& b, const ColorSourceRecord& r, const EffectBaseRecord& base = {});
ByteBuilder& WriteColorV(ByteBuilder& b, const ColorSourceRecord& r, const EffectBaseRecord& base = {});
// gradient: a whole gradient record.
ByteBuilder& WriteColorGradient(ByteBuilder& b, const ColorSourceRecord& r, const ByteBuilder& gradient,
                                const EffectBaseRecord& base = {});
ByteBuilder& WriteScrollTex(ByteBuilder& b, uint32_t speed, int32_t mode, const EffectBaseRecord& base = {});

// The angle family: own fields, the angle record, the base record.
ByteBuilder& WriteAngleBase(ByteBuilder& b, uint32_t angle, uint32_t spread, const EffectBaseRecord& base = {});
// graph: a whole graph record.
ByteBuilder& WriteAngleDyn(ByteBuilder& b, const ByteBuilder& graph, int32_t mode, const EffectBaseRecord& base = {});
ByteBuilder& WriteSpin(ByteBuilder& b, uint32_t speed, uint32_t jitter, int32_t mode,
                       const EffectBaseRecord& base = {});
ByteBuilder& WriteClockTime(ByteBuilder& b, uint32_t speed, int32_t realTime, uint8_t hours, uint8_t minutes,
                            uint8_t seconds, const EffectBaseRecord& base = {});
ByteBuilder& WriteClockHand(ByteBuilder& b, float factor, const EffectBaseRecord& base = {});

// The multiplicator record: index; from version 2 kind and weights.
struct MultiplicatorRecord {
  int32_t version = 2;
  int32_t index = 1, kind = 0;
  float weightX = 0, weightY = 0, weightZ = 0;
  EffectBaseRecord base;
};
ByteBuilder& WriteMultiplicator(ByteBuilder& b, const MultiplicatorRecord& r);
ByteBuilder& WriteGraphMultiplicator(ByteBuilder& b, const ByteBuilder& graph, const MultiplicatorRecord& r = {});
ByteBuilder& WriteGradientMultiplicator(ByteBuilder& b, const ByteBuilder& gradient,
                                        const MultiplicatorRecord& r = {});
// From version 2 the three raw floats (derived value, scale, offset) first.
struct VariatorRecord {
  int32_t version = 2;
  float derived = 1.0f, scale = 0.01f, offset = 0.0f;
  uint32_t value = 100, jitter = 0;
};
ByteBuilder& WriteVariatorMF(ByteBuilder& b, const VariatorRecord& v, const MultiplicatorRecord& r = {});

}  // namespace pw
