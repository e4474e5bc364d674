#include "particles/nodes/line_meshes.h"

#include <cmath>

#include "core/archive.h"
#include "core/colour_params.h"
#include "core/crt.h"

namespace {

uint32_t FactorByte(float v) { return TruncatedLowByte(v * 255.0f); }

// The trace's rounding: 255 at 1 or more, 0 at 0 or less.
uint32_t RoundedByte(float v) {
  if (v >= 1.0f) return 255;
  if (!(v > 0.0f)) return 0;
  return static_cast<uint32_t>(v * 255.0f + 0.5f);
}

float Jitter(float value, float factor) { return value * (crt_rand01() * (1.0f - factor) + factor); }

float GraphAt(const JitterGraphParam& p, float x, int32_t& cursor) {
  const ZVI_VGraph* g = p.graph.Graph();
  return g ? g->ValueAt(x, cursor) : 1.0f;
}

float GraphAt(const JitterGraphParam& p, float x) {
  int32_t cursor = 1;
  return GraphAt(p, x, cursor);
}

bool Knot(const JitterGraphParam& p, int32_t index, float* x, float* y) {
  const ZVI_VGraph* g = p.graph.Graph();
  return g && g->GetKey(index, x, y);
}

D3DXVECTOR3 Transformed(const D3DXVECTOR3& p, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &m);
  return out;
}

void PutVertex(RibbonOutput& out, const D3DXVECTOR3& p, uint32_t colour, float u, float v) {
  BandVertex& w = *out.vertices++;
  w.x = p.x;
  w.y = p.y;
  w.z = p.z;
  w.color = colour;
  w.u0 = w.u1 = u;
  w.v0 = w.v1 = v;
}

}  // namespace

uint32_t PackFactors(float r, float g, float b, float a) {
  return (FactorByte(a) << 24) | (FactorByte(r) << 16) | (FactorByte(g) << 8) | FactorByte(b);
}

ZVI_StraightWidehtLine::ZVI_StraightWidehtLine() : MediaParamT<unsigned int>(100u) {
  opacity.value.SetScaleOffset(-0.01f, 1.0f, 0u);
  width.value.SetScaleOffset(1.0f, 0.0f, 25u);
}

void ZVI_StraightWidehtLine::ReadRecord(DS_IOF_Archive& ar) {
  ar.ReadInt(&flags[0]);
  ar.ReadInt(&flags[1]);
  uint32_t length = 0;
  ar.ReadUInt(&length);
  value = length;
  ReadJitterGraphParam(ar, opacity);
  ReadJitterGraphParam(ar, width);
}

void AppendSegmentSamples(const ZVI_StraightWidehtLine& segment, std::vector<StripSample>& samples, float& x0) {
  const float length = static_cast<float>(segment.value);
  StripSample start;
  start.position = D3DXVECTOR3(x0, 0, 0);
  start.length = x0;
  StripSample end = start;
  end.position.x = x0 + length;
  end.t = 1.0f;
  end.length = x0 + length;
  SampleSegment(segment, start, end, samples);
  x0 += length;
}

void SampleSegment(const ZVI_StraightWidehtLine& segment, const StripSample& start, const StripSample& end,
                   std::vector<StripSample>& samples) {
  const JitterGraphParam& w = segment.width;
  const JitterGraphParam& o = segment.opacity;
  const float wv = w.value.derived, wj = w.jitter.derived;
  const float av = o.value.derived, aj = o.jitter.derived;
  const float span = end.t - start.t;
  auto at = [&](float k) {
    StripSample s = start;
    const float f = span != 0.0f ? (k - start.t) / span : 0.0f;
    s.position = start.position + (end.position - start.position) * f;
    s.length = s.position.x;
    s.t = k;
    return s;
  };
  // The first lookups keep their cursors: knots sharing S's parameter are
  // passed over by the walk below.
  int32_t i = 1, j = 1;
  StripSample first = start;
  first.width = wv * GraphAt(w, start.t, i);
  first.colour[3] = av * GraphAt(o, start.t, j);
  samples.push_back(first);
  float ki = 0, wi = 0, kj = 0, aj_ = 0;
  auto opacityKnot = [&]() {
    StripSample s = at(kj);
    s.colour[3] = av * aj_;
    s.width = Jitter(wv, wj) * GraphAt(w, kj);
    samples.push_back(s);
    ++j;
  };
  while (Knot(w, i, &ki, &wi) && ki < end.t) {
    while (Knot(o, j, &kj, &aj_) && kj < ki) opacityKnot();
    StripSample s = at(ki);
    s.width = wv * wi;
    s.colour[3] = Jitter(av, aj) * GraphAt(o, ki);
    samples.push_back(s);
    ++i;
  }
  while (Knot(o, j, &kj, &aj_) && kj < end.t) opacityKnot();
  StripSample last = end;
  last.width = Jitter(wv, wj) * GraphAt(w, end.t);
  last.colour[3] = Jitter(av, aj) * GraphAt(o, end.t);
  samples.push_back(last);
}

StripSample LerpStripSample(const StripSample& a, const StripSample& b, float x) {
  StripSample s = a;
  const float d = b.position.x - a.position.x;
  if (d == 0.0f) return s;
  const float f = (x - a.position.x) / d;
  s.position = a.position + (b.position - a.position) * f;
  s.length = a.length + (b.length - a.length) * f;
  s.width = a.width + (b.width - a.width) * f;
  for (int c = 0; c < 4; ++c) s.colour[c] = a.colour[c] + (b.colour[c] - a.colour[c]) * f;
  return s;
}

std::vector<StripSample> ClipLineSamples(const std::vector<StripSample>& samples, int32_t clipMode,
                                         float totalLength, const Particle& particle) {
  if (clipMode != 1 && clipMode != 2) return samples;
  const float sx = particle.scale.x;
  float lo = 0.0f, hi = totalLength, shift = 0.0f;
  if (clipMode == 1) {
    lo = std::fmax(0.0f, (sx - 1.0f) * totalLength);
    hi = sx * totalLength;
  } else {
    shift = (sx - 1.0f) * totalLength;
  }
  std::vector<StripSample> out;
  StripSample previous;
  for (size_t k = 0; k < samples.size(); ++k) {
    StripSample s = samples[k];
    s.position.x += shift;
    const float x = s.position.x;
    if (x > hi) {
      if (!out.empty()) out.push_back(LerpStripSample(out.back(), s, hi));
      break;
    }
    if (x >= lo) {
      if (out.empty() && k > 0) out.push_back(LerpStripSample(previous, s, lo));
      out.push_back(s);
    }
    previous = s;
  }
  return out;
}

void WriteSamplePair(const StripSample& s, const D3DXMATRIX& m, const RibbonPaint& paint, RibbonOutput& out) {
  const float h = s.width * 0.5f;
  const float v = s.length * paint.uRate;
  const uint32_t colour = PackFactors(paint.colour[0] * s.colour[0], paint.colour[1] * s.colour[1],
                                      paint.colour[2] * s.colour[2], paint.colour[3] * s.colour[3]);
  PutVertex(out, Transformed(s.position + s.sideB * h, m), colour, 0.0f, v);
  PutVertex(out, Transformed(s.position + s.sideA * h, m), colour, 1.0f, v);
}

void WriteRibbon(const std::vector<StripSample>& samples, const D3DXMATRIX& m, const RibbonPaint& paint,
                 RibbonOutput& out) {
  const size_t n = samples.size();
  if (n < 2) return;
  const uint32_t base = out.vertexCount;
  WriteSamplePair(samples[0], m, paint, out);
  for (size_t i = 1; i < n; ++i) {
    const StripSample& a = samples[i - 1];
    const StripSample& b = samples[i];
    float c[4];
    for (int k = 0; k < 4; ++k) c[k] = (a.colour[k] + b.colour[k]) * 0.5f * paint.colour[k];
    PutVertex(out, Transformed((a.position + b.position) * 0.5f, m), PackFactors(c[0], c[1], c[2], c[3]), 0.5f,
              (a.length + b.length) * 0.5f * paint.uRate);
    WriteSamplePair(b, m, paint, out);
  }
  for (size_t k = 0; k + 1 < n; ++k) {
    const auto c = static_cast<uint16_t>(base + 3 * k);
    const uint16_t tri[12] = {c,
                              static_cast<uint16_t>(c + 3),
                              static_cast<uint16_t>(c + 2),
                              c,
                              static_cast<uint16_t>(c + 2),
                              static_cast<uint16_t>(c + 1),
                              static_cast<uint16_t>(c + 1),
                              static_cast<uint16_t>(c + 2),
                              static_cast<uint16_t>(c + 4),
                              static_cast<uint16_t>(c + 2),
                              static_cast<uint16_t>(c + 3),
                              static_cast<uint16_t>(c + 4)};
    for (uint16_t index : tri) *out.indices++ = index;
  }
  out.indexCount += static_cast<uint32_t>(12 * (n - 1));
  out.vertexCount += static_cast<uint32_t>(3 * n - 1);
}

BandPointCallback StripeLineCallback(const std::vector<StripeSample>& samples, uint32_t tint, uint8_t tintAlpha) {
  const float tr = static_cast<float>(tint & 0xFF) / 255.0f;
  const float tg = static_cast<float>((tint >> 8) & 0xFF) / 255.0f;
  const float tb = static_cast<float>((tint >> 16) & 0xFF) / 255.0f;
  const float ta = static_cast<float>(tintAlpha) / 255.0f;
  return [&samples, tr, tg, tb, ta](uint32_t i, float& halfWidth, uint32_t& colour) {
    if (i >= samples.size()) return;
    const StripeSample& s = samples[i];
    halfWidth = s.width * 0.5f;
    colour = PackFactors(tr * s.r, tg * s.g, tb * s.b, ta * s.a);
  };
}

BandPointCallback TraceCallback(const ParticleVector& particles, uint32_t traceColor) {
  const float r = static_cast<float>(traceColor & 0xFF) / 255.0f;
  const float g = static_cast<float>((traceColor >> 8) & 0xFF) / 255.0f;
  const float b = static_cast<float>((traceColor >> 16) & 0xFF) / 255.0f;
  return [&particles, r, g, b](uint32_t i, float& halfWidth, uint32_t& colour) {
    if (i >= particles.size() || !particles[i]) return;
    const Particle& p = *particles[i];
    halfWidth = p.size * 0.5f;
    const float a = std::fmin(1.0f, p.GetWorldAlpha());
    colour = (RoundedByte(a) << 24) | (RoundedByte(r) << 16) | (RoundedByte(g) << 8) | RoundedByte(b);
  };
}

const D3DXVECTOR3& TracePointAccessor::operator()(uint32_t i) {
  if (i < particles_.size() && particles_[i]) {
    const Particle& p = *particles_[i];
    holder_ = p.GetWorldPosition();
    maxHalfWidth = std::fmax(maxHalfWidth, p.size * 0.5f);
  }
  return holder_;
}
