#pragma once
// The sampled-curve base: a curve is turned into a polyline of PathSamples
// and every geometric query is answered from those samples; PathCursor walks
// them by arc length.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "platform/d3dx9/d3dx9_math.h"

class DX_SmartPnt;
class ZVI_CurveOffsetMaker;

struct PathSample {
  D3DXVECTOR3 position;
  D3DXVECTOR3 tangent;  // unit, or zero where the sampler set none
  float length = 0;      // to the next sample; 0 on the last
  float cumulative = 0;  // arc length at the end of this sample's segment; 0 on the last
};

// Writes each sample's segment and cumulative lengths from the positions.
void FinishSampleLengths(std::vector<PathSample>& samples);
// Samples at the given positions with the normalised derivatives as
// tangents, lengths finished.
std::vector<PathSample> SamplesFromBezier(const std::vector<D3DXVECTOR3>& positions,
                                          const std::vector<D3DXVECTOR3>& derivatives);

// A position on a sample vector: segment i runs from sample i to i + 1.
struct PathCursor {
  const std::vector<PathSample>* samples = nullptr;
  int32_t segment = 0;
  float distance = 0;  // travelled inside the segment

  PathCursor() = default;
  explicit PathCursor(const std::vector<PathSample>* s) : samples(s) {}

  // Places the cursor at arc length s shifted sideways by offset along
  // (tangent.y, -tangent.x). False below 0, with no samples, or beyond the
  // end (the outputs then hold the end of the curve).
  bool Seek(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction);
  // Moves forward; writes the interpolated point and the interpolated
  // tangent, not normalised. False past the end (clamped there) or with
  // fewer than two samples.
  bool Advance(float d, D3DXVECTOR3* position, D3DXVECTOR3* tangent);
  // As Advance on the curve shifted sideways by offset, in the plane z = 0;
  // the direction is that of the shifted segment, not normalised.
  bool AdvanceOffset(float d, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction);
};

using SegmentVisitor = std::function<void(const D3DXVECTOR3&, const D3DXVECTOR3&)>;
using LengthSpanVisitor = std::function<void(float, float)>;

class ZVI_Curve : public MediaParam {
 public:
  ZVI_Curve() = default;
  explicit ZVI_Curve(int32_t sample_resolution) : resolution(sample_resolution) {}
  ZVI_Curve(const ZVI_Curve& other) : MediaParam(), samples(other.samples), resolution(other.resolution) {}

  virtual int32_t GetPointCount() const = 0;
  virtual void RemovePoint(int32_t index, MediaControl* source) = 0;
  virtual DX_SmartPnt* GetPoint(int32_t index) = 0;
  virtual DX_SmartPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source) = 0;
  virtual DX_SmartPnt* InsertPoint(int32_t index, const DX_SmartPnt& point, MediaControl* source) = 0;
  virtual bool NearestPoint(const D3DXVECTOR3& p, D3DXVECTOR3* nearest, D3DXVECTOR3* direction);
  virtual float GetLength();
  virtual bool PointAtLength(float s, float offset, D3DXVECTOR3* position, D3DXVECTOR3* direction);
  virtual bool DirectionAtLength(float s, D3DXVECTOR3* direction);
  virtual void Resample();
  virtual std::vector<PathSample> Sample(int32_t resolution);
  virtual void ForEachSegment(const SegmentVisitor& visitor);
  virtual void ForEachLengthSpan(const LengthSpanVisitor& visitor);
  virtual ZVI_CurveOffsetMaker* PeekOffsetMaker() { return nullptr; }
  virtual DS_SafePtr<ZVI_CurveOffsetMaker> GetOffsetMaker() { return DS_SafePtr<ZVI_CurveOffsetMaker>(); }

  std::vector<PathSample> samples;
  int32_t resolution = 0;
};
