#include "particles/sources/node_effects.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/noise.h"
#include "particles/sources/effect_reads.h"
#include "particles/sources/motion_laws.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kDegToRad = 0.017453292f;

void MultiplyInto(D3DXMATRIX* target, const D3DXMATRIX& m) { D3DXMatrixMultiply(target, target, &m); }

D3DXMATRIX RotationZ(float radians) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, radians);
  return m;
}

// T' x scaling(f, 1, 1) x T: scales by f along the angle's direction.
D3DXMATRIX ScaleAlong(const ZVI_SmartAngle& angle, float f) {
  D3DXMATRIX s;
  D3DXMatrixScaling(&s, f, 1.0f, 1.0f);
  D3DXMATRIX m;
  D3DXMatrixMultiply(&m, &angle.inverseRotation, &s);
  D3DXMatrixMultiply(&m, &m, &angle.rotation);
  return m;
}

template <class T>
DS_SafePtr<T> Make() {
  return DS_SafePtr<T>(new T());
}

DS_SafePtr<UINTSclaleTo<float>> MakeScaled(float scale, uint32_t value, float offset = 0.0f) {
  auto p = Make<UINTSclaleTo<float>>();
  p->SetScaleOffset(scale, offset, value);
  return p;
}

DS_SafePtr<ZVI_SmartAngle> MakeAngle(uint32_t degrees) {
  auto p = Make<ZVI_SmartAngle>();
  p->SetValue(degrees);
  return p;
}

DS_SafePtr<MediaParamT<int32_t>> MakeInt(int32_t v) {
  return DS_SafePtr<MediaParamT<int32_t>>(new MediaParamT<int32_t>(v));
}

float DrawSign() { return (crt_rand() % 2 == 0) ? 1.0f : -1.0f; }

// -1 in mode 1, the drawn sign in mode 2, +1 otherwise.
float DirectionFactor(const DS_SafePtr<MediaParamT<int32_t>>& mode, float sign) {
  const int32_t m = mode ? mode->value : 0;
  if (m == 1) return -1.0f;
  if (m == 2) return sign;
  return 1.0f;
}

float GraphAt(const ZVI_CustomGraph& graph, float x) {
  const ZVI_VGraph* g = graph.Graph();
  if (!g) return 1.0f;
  int32_t cursor = 1;
  return g->ValueAt(x, cursor);
}

}  // namespace

D3DXMATRIX TurnToDirection(const D3DXVECTOR3& n) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  // n x X = (0, n.z, -n.y).
  const float cross = std::sqrt(n.z * n.z + n.y * n.y);
  if (cross == 0.0f) return m;
  const float s = (-n.y < 0.0f) ? -cross : cross;
  m._11 = m._22 = n.x;
  m._21 = s;
  m._12 = -s;
  return m;
}

// ---- Motion and orientation ----------------------------------------------

ZVI_OrientationInMotion::ZVI_OrientationInMotion() : mode(MakeInt(0)) {}

bool ZVI_OrientationInMotion::ApplyEffect(EffectContext&, Particle* particle) {
  const D3DXVECTOR3 v = particle->GetWorldVelocity();
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  switch (mode ? mode->value : 0) {
    case 1: {
      D3DXVECTOR3 n;
      D3DXVec3Normalize(&n, &v);
      m = TurnToDirection(n);
      break;
    }
    case 2:
      if (v.x < 0.0f) m._11 = -1.0f;
      break;
    case 3:
      if (v.y > 0.0f) m._22 = -1.0f;
      break;
    default:
      break;
  }
  MultiplyInto(&particle->modifier1, m);
  return true;
}

void ZVI_OrientationInMotion::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadCountedInt(ar, mode);
  ReadBaseRecord(ar);
}

bool ZVI_PtclSysEffect_AlignToSource::ApplyEffect(EffectContext& context, Particle* particle) {
  if (!context.source) return true;
  const D3DXVECTOR3 at = particle->GetWorldPosition();
  // The figure's normal at the point itself, as the normal motion law takes it.
  D3DXVECTOR3 normal(0, 0, 0);
  context.source->NormalNear(&normal, at);
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, &normal);
  MultiplyInto(&particle->modifier1, TurnToDirection(n));
  return true;
}

bool ZVI_PtclSysEffect_NailToSource::ApplyEffect(EffectContext& context, Particle* particle) {
  // Without a parent there is nothing to nail.
  if (!context.source || !particle->parent.get()) return true;
  D3DXVECTOR3 centre(0, 0, 0);
  if (context.source->CenterPoint(&centre)) particle->parent->position = centre;
  return true;
}

ZVI_PtclSysEffect_ForceGravitation::ZVI_PtclSysEffect_ForceGravitation()
    : direction(MakeAngle(270)), strength(MakeScaled(1.0f, 0)) {}

bool ZVI_PtclSysEffect_ForceGravitation::ApplyEffect(EffectContext&, Particle* particle) {
  const float s = strength->derived;
  const D3DXVECTOR4& d = direction->direction;
  particle->acceleration += D3DXVECTOR3(s * d.x, s * d.y, s * d.z);
  return true;
}

void ZVI_PtclSysEffect_ForceGravitation::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadSmartAngle(ar, direction);
  ReadScaledFloat(ar, strength);
  ReadBaseRecord(ar);
}

ZVI_PtclSysEffect_ForceDrag::ZVI_PtclSysEffect_ForceDrag() : drag(MakeScaled(-0.0001f, 0)) {}

bool ZVI_PtclSysEffect_ForceDrag::ApplyEffect(EffectContext&, Particle* particle) {
  const D3DXVECTOR3 v = particle->GetWorldVelocity();
  const float s = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (s > 0.0f) {
    const float k = drag->derived;
    particle->acceleration += D3DXVECTOR3(k * v.x * s, k * v.y * s, k * v.z * s);
  }
  return true;
}

void ZVI_PtclSysEffect_ForceDrag::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadScaledFloat(ar, drag);
  ReadBaseRecord(ar);
}

ZVI_PtclSysEffect_MotionLaw::ZVI_PtclSysEffect_MotionLaw()
    : law(DS_SafePtr<ZVI_PtclSys_MotionLaw>(new ZVI_PtclSysMLaw_Vector())) {}

bool ZVI_PtclSysEffect_MotionLaw::InitParticle(Particle* particle) {
  if (law) law->InitParticle(particle, FigurePtr());
  return true;
}

void ZVI_PtclSysEffect_MotionLaw::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  law = ReadMotionLaw(ar);
  ReadBaseRecord(ar);
}

// ---- Oscillation and shape -----------------------------------------------

ZVI_PtclSysEffect_TimeFunc::ZVI_PtclSysEffect_TimeFunc()
    : jitter(Make<JitterValue>()),
      oscillator(Make<TimeFuncParams>()),
      randomPhase(MakeInt(0)),
      phase(MakeScaled(0.06283186f, 0)),
      clonePhase(crt_rand01() * kTwoPi) {}

ZVI_PtclSysEffect_TimeFunc::ZVI_PtclSysEffect_TimeFunc(const ZVI_PtclSysEffect_TimeFunc& other)
    : ZVI_ParticlSystem_Effect(other),
      jitter(other.jitter),
      oscillator(other.oscillator),
      randomPhase(other.randomPhase),
      phase(other.phase),
      clonePhase(crt_rand01() * kTwoPi) {}

float ZVI_PtclSysEffect_TimeFunc::Oscillator(float clock) const {
  const float p = (randomPhase && randomPhase->value != 0) ? clonePhase : phase->derived;
  const float x = oscillator->frequency.derived * clock + p;
  if (oscillator->mode.value == 1) return static_cast<float>(OctaveNoise1D(2, x, 2.0, 0.5));
  return std::cos(x);
}

void ZVI_PtclSysEffect_TimeFunc::ReadTimeFuncRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadJitterValue(ar, jitter);
  ReadTimeFuncParams(ar, oscillator);
  if (version >= 2) {
    ReadCountedInt(ar, randomPhase);
    ReadScaledFloat(ar, phase);
  }
  ReadBaseRecord(ar);
}

ZVI_PtclSysEffect_Pulsation::ZVI_PtclSysEffect_Pulsation() {
  oscillator->amplitude.SetScaleOffset(0.01f, 0.0f);
  oscillator->third.SetValue(100u);
}

bool ZVI_PtclSysEffect_Pulsation::ApplyEffect(EffectContext& context, Particle* particle) {
  // An index outside the particle's parameters would write elsewhere.
  if (index < 0 || index >= Particle::kFloatParamCount) return true;
  const float o = Oscillator(context.Clock());
  particle->FloatParam(index) *= 1.0f - (o + 1.0f) * oscillator->amplitude.derived * 0.5f;
  return true;
}

void ZVI_PtclSysEffect_Pulsation::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadInt(&index);
  ReadTimeFuncRecord(ar, ReadRecordName(ar));
}

ZVI_PtclSysEffect_Swinging::ZVI_PtclSysEffect_Swinging() { oscillator->amplitude.SetScaleOffset(1.8f, 0.0f); }

bool ZVI_PtclSysEffect_Swinging::ApplyEffect(EffectContext& context, Particle* particle) {
  const float o = Oscillator(context.Clock());
  MultiplyInto(&particle->modifier1, RotationZ(o * oscillator->amplitude.derived * kTwoPi / 360.0f));
  return true;
}

void ZVI_PtclSysEffect_Swinging::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadTimeFuncRecord(ar, ReadRecordName(ar)); }

ZVI_PtclSysEffect_Vibration::ZVI_PtclSysEffect_Vibration() : direction(MakeAngle(90)) {
  oscillator->amplitude.SetScaleOffset(1.0f, 0.0f);
}

bool ZVI_PtclSysEffect_Vibration::ApplyEffect(EffectContext& context, Particle* particle) {
  D3DXVECTOR3 d(direction->direction.x, direction->direction.y, direction->direction.z);
  if (localAxes.value == 1) {
    D3DXVECTOR3 scale, translation;
    D3DXQUATERNION rotation;
    if (SUCCEEDED(D3DXMatrixDecompose(&scale, &rotation, &translation, &particle->previousWorld))) {
      D3DXMATRIX r;
      D3DXMatrixRotationQuaternion(&r, &rotation);
      D3DXVECTOR3 turned;
      D3DXVec3TransformCoord(&turned, &d, &r);
      d = turned;
    }
  }
  const float g = Oscillator(context.Clock()) * oscillator->amplitude.derived;
  particle->offset += g * d;
  return true;
}

void ZVI_PtclSysEffect_Vibration::ReadVibrationRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadSmartAngle(ar, direction);
  if (version >= 2) ReadStoredInt(ar, localAxes);
  ReadTimeFuncRecord(ar, ReadRecordName(ar));
}

ZVI_PtclSysEffect_Deformation::ZVI_PtclSysEffect_Deformation() {
  oscillator->amplitude.SetScaleOffset(0.01f, 0.0f);
}

bool ZVI_PtclSysEffect_Deformation::ApplyEffect(EffectContext& context, Particle* particle) {
  const float f = 1.0f + Oscillator(context.Clock()) * oscillator->amplitude.derived;
  MultiplyInto(&particle->modifier2, ScaleAlong(*direction, f));
  return true;
}

void ZVI_PtclSysEffect_Deformation::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadVibrationRecord(ar, ReadRecordName(ar));
}

ZVI_PtclSysEffect_Stretch::ZVI_PtclSysEffect_Stretch() : direction(MakeAngle(0)), stretch(Make<JitterValue>()) {
  stretch->value.SetScaleOffset(0.01f, 0.0f, 100u);
}

bool ZVI_PtclSysEffect_Stretch::ApplyEffect(EffectContext&, Particle* particle) {
  const float r = crt_rand01();
  const float j = stretch->jitter.derived;
  const float f = stretch->value.derived * (j + r * (1.0f - j));
  MultiplyInto(&particle->modifier2, ScaleAlong(*direction, f));
  return true;
}

void ZVI_PtclSysEffect_Stretch::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadSmartAngle(ar, direction);
  ReadJitterValue(ar, stretch);
  ReadBaseRecord(ar);
}

// ---- Colour and texture --------------------------------------------------

void SetParticleColour(Particle* particle, COLORREF colour) {
  constexpr float kByte = 0.003921569f;
  particle->color = D3DXVECTOR3(static_cast<float>(colour & 0xFF) * kByte,
                                static_cast<float>((colour >> 8) & 0xFF) * kByte,
                                static_cast<float>((colour >> 16) & 0xFF) * kByte);
}

ZVI_PtclSysEffect_ColorD::ZVI_PtclSysEffect_ColorD() : source(Make<ColorSourceParams>()) {}

bool ZVI_PtclSysEffect_ColorD::ApplyEffect(EffectContext&, Particle* particle) {
  SetParticleColour(particle, source->ColorAt(particle->age));
  return true;
}

void ZVI_PtclSysEffect_ColorD::ReadColorDRecord(DS_IOF_Archive& ar, int32_t) {
  ReadColorSource(ar, source);
  ReadBaseRecord(ar);
}

ZVI_PtclSysEffect_ColorV::ZVI_PtclSysEffect_ColorV() : position(crt_rand01()) {}

ZVI_PtclSysEffect_ColorV::ZVI_PtclSysEffect_ColorV(const ZVI_PtclSysEffect_ColorV& other)
    : ZVI_PtclSysEffect_ColorD(other), position(crt_rand01()) {}

bool ZVI_PtclSysEffect_ColorV::ApplyEffect(EffectContext&, Particle* particle) {
  SetParticleColour(particle, source->ColorAt(position));
  return true;
}

void ZVI_PtclSysEffect_ColorV::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadColorDRecord(ar, ReadRecordName(ar)); }

ZVI_PtclSysEff_ColorGradient::ZVI_PtclSysEff_ColorGradient() : source(Make<ColorSourceParams>()) {
  source->mode.value = 1;
}

bool ZVI_PtclSysEff_ColorGradient::ApplyEffect(EffectContext&, Particle* particle) {
  // No gradient or no parent: no point to sample, the colour stays.
  ZVI_VGradient* g = gradient.Gradient();
  if (!g || !particle->parent.get()) return true;
  const float value = g->ValueAt(particle->parent->position);
  SetParticleColour(particle, source->ColorAt(1.0f - value));
  return true;
}

void ZVI_PtclSysEff_ColorGradient::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadColorSource(ar, source);
  DS_SafePtr<ZVI_VGradient> read = ReadVGradient(ar);
  if (read.get() != gradient.value.get()) gradient.SetValue(read);
  ReadBaseRecord(ar);
}

bool ZVI_PtclSysEffect_BgTex::ApplyEffect(EffectContext&, Particle* particle) {
  particle->flags |= ParticleFlags::BackgroundTexture;
  return true;
}

ZVI_PtclSysEffect_ScrollTex::ZVI_PtclSysEffect_ScrollTex()
    : speed(MakeScaled(0.005f, 100)), directionMode(new MediaParamTB<int32_t>(0)) {}

bool ZVI_PtclSysEffect_ScrollTex::ApplyEffect(EffectContext& context, Particle* particle) {
  position += speed->derived * context.Step();
  const int32_t m = directionMode->value;
  const bool alongV = m >= 2;
  const float s = (m % 2 != 0) ? 1.0f : -1.0f;
  const float x = s * position;
  ParticleQuad& q = particle->texWindow;
  q[0] = alongV ? 0.0f : x;
  q[1] = (alongV ? 0.0f : x) + 1.0f;
  q[2] = alongV ? x : 0.0f;
  q[3] = (alongV ? x : 0.0f) + 1.0f;
  return true;
}

void ZVI_PtclSysEffect_ScrollTex::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadScaledFloat(ar, speed);
  int32_t m = 0;
  ar.ReadInt(&m);
  directionMode->value = m;
  ReadBaseRecord(ar);
}

// ---- Angle, spin and clock -----------------------------------------------

bool ZVI_PtclSysEffect_Angle::ApplyEffect(EffectContext& context, Particle* particle) {
  const float t = timeSource ? context.Clock() : particle->age;
  D3DXMATRIX m;
  AngleMatrix(&m, t);
  MultiplyInto(&particle->modifier1, m);
  return true;
}

void ZVI_PtclSysEffect_Angle::ReadAngleRecord(DS_IOF_Archive& ar) {
  ReadRecordName(ar);
  ReadBaseRecord(ar);
}

ZVI_PtclSysEffect_AngleBase::ZVI_PtclSysEffect_AngleBase() : angle(Make<JitterAngle>()), w(crt_rand01()) {}

ZVI_PtclSysEffect_AngleBase::ZVI_PtclSysEffect_AngleBase(const ZVI_PtclSysEffect_AngleBase& other)
    : ZVI_PtclSysEffect_Angle(other), angle(other.angle), w(crt_rand01()) {}

D3DXMATRIX* ZVI_PtclSysEffect_AngleBase::AngleMatrix(D3DXMATRIX* out, float) const {
  return D3DXMatrixRotationZ(out, -(angle->value.derived + (2.0f * w - 1.0f) * angle->jitter.derived));
}

void ZVI_PtclSysEffect_AngleBase::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadJitterAngle(ar, angle);
  ReadAngleRecord(ar);
}

ZVI_PtclSysEffect_AngleDyn::ZVI_PtclSysEffect_AngleDyn() : mode(MakeInt(0)) {}

ZVI_PtclSysEffect_AngleDyn::ZVI_PtclSysEffect_AngleDyn(const ZVI_PtclSysEffect_AngleDyn& other)
    : ZVI_PtclSysEffect_Angle(other), graph(other.graph), mode(other.mode), sign(DrawSign()) {}

D3DXMATRIX* ZVI_PtclSysEffect_AngleDyn::AngleMatrix(D3DXMATRIX* out, float t) const {
  return D3DXMatrixRotationZ(out, GraphAt(graph, t) * DirectionFactor(mode, sign) * kTwoPi);
}

void ZVI_PtclSysEffect_AngleDyn::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  std::unique_ptr<ZVI_VGraph> g = ReadVGraph(ar);
  graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(g.release()));
  ReadCountedInt(ar, mode);
  ReadAngleRecord(ar);
}

ZVI_PtclSysEffect_Spin::ZVI_PtclSysEffect_Spin() : speed(Make<JitterValue>()), mode(MakeInt(0)), w(crt_rand01()) {
  speed->value.SetValue(100u);
}

ZVI_PtclSysEffect_Spin::ZVI_PtclSysEffect_Spin(const ZVI_PtclSysEffect_Spin& other)
    : ZVI_PtclSysEffect_Angle(other), speed(other.speed), mode(other.mode) {
  w = crt_rand01();
  sign = DrawSign();
}

D3DXMATRIX* ZVI_PtclSysEffect_Spin::AngleMatrix(D3DXMATRIX* out, float t) const {
  const float j = speed->jitter.derived;
  const float rate = speed->value.derived * (j + w * (1.0f - j));
  return D3DXMatrixRotationZ(out, rate * t * DirectionFactor(mode, sign) * kTwoPi / 360.0f);
}

void ZVI_PtclSysEffect_Spin::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadJitterValue(ar, speed);
  ReadCountedInt(ar, mode);
  ReadAngleRecord(ar);
}

bool ZVI_PtclSysEffect_Spiner::ApplyEffect(EffectContext&, Particle* particle) {
  D3DXMATRIX m;
  AngleMatrix(&m, particle->timeAlive);
  MultiplyInto(&particle->modifier1, m);
  return true;
}

ZVI_PtclSysEffect_ClockTime::ZVI_PtclSysEffect_ClockTime()
    : speed(MakeScaled(0.01f, 100)),
      realTime(MakeInt(1)),
      hours(new MediaParamT<unsigned char>(0)),
      minutes(new MediaParamT<unsigned char>(0)),
      seconds(new MediaParamT<unsigned char>(0)) {}

bool ZVI_PtclSysEffect_ClockTime::ApplyEffect(EffectContext& context, Particle* particle) {
  double t = 0.0;
  if (realTime->value != 0) {
    const CrtTimeOfDay now = crt_local_time();
    t = now.hours * 3600.0 + now.minutes * 60.0 + now.seconds;
  } else {
    const float running = std::floor(speed->derived * context.Clock() + 0.5f);
    t = seconds->value + static_cast<double>(running) + minutes->value * 60.0 + hours->value * 3600.0;
  }
  particle->timeAlive = static_cast<float>(t * 6.0);
  return true;
}

void ZVI_PtclSysEffect_ClockTime::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadScaledFloat(ar, speed);
  ReadCountedInt(ar, realTime);
  ReadByteParam(ar, hours);
  ReadByteParam(ar, minutes);
  ReadByteParam(ar, seconds);
  ReadBaseRecord(ar);
}

bool ZVI_PtclSysEffect_ClockHand::ApplyEffect(EffectContext&, Particle* particle) {
  // A hand without a clock particle above it does not turn.
  if (!particle->parent.get()) return true;
  const float h = particle->parent->timeAlive;
  MultiplyInto(&particle->modifier1, RotationZ((h * factor - 90.0f) * kDegToRad));
  return true;
}

void ZVI_PtclSysEffect_ClockHand::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadFloat(&factor);
  ReadBaseRecord(ar);
}

// ---- Multiplicators ------------------------------------------------------

bool ZVI_PtclSysEff_Multiplicator::ApplyEffect(EffectContext& context, Particle* particle) {
  // Indices outside the particle's parameters do nothing.
  if (kind == 0) {
    if (index < 0 || index >= Particle::kFloatParamCount) return true;
    particle->FloatParam(index) *= FactorAt(context.Clock(), particle->age, particle);
  } else if (kind == 1) {
    if (index < 0 || index >= Particle::kVectorParamCount) return true;
    D3DXVECTOR3& v = particle->VectorParam(index);
    float f = FactorAt(context.Clock(), particle->age, particle);
    v.x *= f * weightX + 1.0f - weightX;
    f = FactorAt(context.Clock(), particle->age, particle);
    v.y *= f * weightY + 1.0f - weightY;
  }
  return true;
}

void ZVI_PtclSysEff_Multiplicator::ReadMultiplicatorRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadInt(&index);
  if (version >= 2) {
    ar.ReadInt(&kind);
    ar.ReadFloat(&weightX);
    ar.ReadFloat(&weightY);
    ar.ReadFloat(&weightZ);
  }
  ReadBaseRecord(ar);
}

float ZVI_PtclSysEff_Graph::FactorAt(float, float age, Particle*) { return GraphAt(graph, age); }

void ZVI_PtclSysEff_Graph::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  std::unique_ptr<ZVI_VGraph> g = ReadVGraph(ar);
  graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(g.release()));
  ReadMultiplicatorRecord(ar, ReadRecordName(ar));
}

float ZVI_PtclSysEff_Gradient::FactorAt(float, float, Particle* particle) {
  ZVI_VGradient* g = gradient.Gradient();
  if (!g || !particle->parent.get()) return 1.0f;
  return g->ValueAt(particle->parent->position);
}

void ZVI_PtclSysEff_Gradient::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  DS_SafePtr<ZVI_VGradient> read = ReadVGradient(ar);
  if (read.get() != gradient.value.get()) gradient.SetValue(read);
  ReadMultiplicatorRecord(ar, ReadRecordName(ar));
}

ZVI_PtclSysEff_VariatorMF::ZVI_PtclSysEff_VariatorMF() : factor(Make<JitterValue>()), w(crt_rand01()) {
  factor->value.SetScaleOffset(0.01f, 0.0f, 100u);
}

ZVI_PtclSysEff_VariatorMF::ZVI_PtclSysEff_VariatorMF(const ZVI_PtclSysEff_VariatorMF& other)
    : ZVI_PtclSysEff_Multiplicator(other), factor(other.factor), w(crt_rand01()) {}

float ZVI_PtclSysEff_VariatorMF::FactorAt(float, float, Particle*) {
  const float j = factor->jitter.derived;
  return factor->value.derived * (j + w * (1.0f - j));
}

void ZVI_PtclSysEff_VariatorMF::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 2) {
    // Stored as they are; the value read below recomputes only on a change.
    ar.ReadFloat(&factor->value.derived);
    ar.ReadFloat(&factor->value.scale);
    ar.ReadFloat(&factor->value.offset);
  }
  factor->value.Read(ar);
  factor->jitter.Read(ar);
  ReadMultiplicatorRecord(ar, ReadRecordName(ar));
}

// ---- Registration --------------------------------------------------------

namespace {
template <class E>
void RegisterEffect(std::u16string_view name) {
  static const IOF_Effect_ReaderT<E> reader;
  RegisterReaderObject<ZVI_IOF_Item>(name, &reader);
}
}  // namespace

void RegisterParticleEffectReaders() {
  RegisterEffect<ZVI_PtclSysEffect_Pulsation>(u"ZVI_PtclSysEffect_Pulsation");
  RegisterEffect<ZVI_PtclSysEffect_Vibration>(u"ZVI_PtclSysEffect_Vibration");
  RegisterEffect<ZVI_OrientationInMotion>(u"ZVI_OrientationInMotion");
  RegisterEffect<ZVI_PtclSysEffect_AlignToSource>(u"ZVI_PtclSysEffect_AlignToSource");
  RegisterEffect<ZVI_PtclSysEffect_NailToSource>(u"ZVI_PtclSysEffect_NailToSource");
  RegisterEffect<ZVI_PtclSysEffect_Swinging>(u"ZVI_PtclSysEffect_Swinging");
  RegisterEffect<ZVI_PtclSysEffect_Deformation>(u"ZVI_PtclSysEffect_Deformation");
  RegisterEffect<ZVI_PtclSysEffect_Stretch>(u"ZVI_PtclSysEffect_Stretch");
  RegisterEffect<ZVI_PtclSysEffect_ColorV>(u"ZVI_PtclSysEffect_ColorV");
  RegisterEffect<ZVI_PtclSysEffect_ColorD>(u"ZVI_PtclSysEffect_ColorD");
  RegisterEffect<ZVI_PtclSysEff_VariatorMF>(u"ZVI_PtclSysEff_VariatorMF");
  RegisterEffect<ZVI_PtclSysEff_Graph>(u"ZVI_PtclSysEff_Graph");
  RegisterEffect<ZVI_PtclSysEffect_AngleBase>(u"ZVI_PtclSysEffect_AngleBase");
  RegisterEffect<ZVI_PtclSysEffect_Spin>(u"ZVI_PtclSysEffect_Spin");
  RegisterEffect<ZVI_PtclSysEffect_AngleDyn>(u"ZVI_PtclSysEffect_AngleDyn");
  RegisterEffect<ZVI_PtclSysEffect_ForceGravitation>(u"ZVI_PtclSysEffect_ForceGravitation");
  RegisterEffect<ZVI_PtclSysEffect_ForceDrag>(u"ZVI_PtclSysEffect_ForceDrag");
  RegisterEffect<ZVI_PtclSysEffect_BgTex>(u"ZVI_PtclSysEffect_BgTex");
  RegisterEffect<ZVI_PtclSysEffect_ScrollTex>(u"ZVI_PtclSysEffect_ScrollTex");
  RegisterEffect<ZVI_PtclSysEffect_MotionLaw>(u"ZVI_PtclSysEffect_MotionLaw");
  RegisterEffect<ZVI_PtclSysEff_Gradient>(u"ZVI_PtclSysEff_Gradient");
  RegisterEffect<ZVI_PtclSysEff_ColorGradient>(u"ZVI_PtclSysEff_ColorGradient");
  RegisterEffect<ZVI_PtclSysEffect_ClockTime>(u"ZVI_PtclSysEffect_ClockTime");
  RegisterEffect<ZVI_PtclSysEffect_ClockHand>(u"ZVI_PtclSysEffect_ClockHand");
}
