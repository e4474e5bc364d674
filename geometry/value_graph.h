#pragma once
// Key-point value graphs: piecewise linear functions through keys in
// ascending x, and the registration of every graph reader.
#include <cstdint>
#include <string>
#include <vector>

#include "core/graph_params.h"

class DS_IOF_Archive;

// Piecewise linear through its keys. Keys with equal x (a vertical step) are
// skipped, x left of the first key extrapolates the first segment, x right of
// the last key gives 0, and fewer than two keys give 0.
class ZVI_VGraph_Line : public ZVI_VGraph {
 public:
  ZVI_VGraph_Line() = default;

  void Write(DS_IOF_Archive& ar) const override;
  std::string GetTypeName() const override { return "ZVI_VGraph_Line"; }
  // The largest key y, never below 0.
  float MaxValue() const override;
  float ValueAt(float x, int32_t& cursor) const override;
  bool GetKey(int32_t index, float* x, float* y) const override;
  void SetKeys(const std::vector<VGraphKey>& keys) override;

  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Key count, keys, then the graph base record.
  void ReadKeyBody(DS_IOF_Archive& ar);
  void WriteKeyBody(DS_IOF_Archive& ar) const;

  std::vector<VGraphKey> keys;
};

// A quadratic curve's three control points, kept with the graph; the keys are
// what it evaluates.
class ZVI_VGraph_QBezier : public ZVI_VGraph_Line {
 public:
  void Write(DS_IOF_Archive& ar) const override;
  std::string GetTypeName() const override { return "ZVI_VGraph_QBezier"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  float control[6] = {0, 0, 0, 0, 0, 0};
};

// From 1 at x = 0 down to 0 at x = 1 when made.
class ZVI_VGraph_StraightLine : public ZVI_VGraph_Line {
 public:
  ZVI_VGraph_StraightLine();
  void Write(DS_IOF_Archive& ar) const override;
  std::string GetTypeName() const override { return "ZVI_VGraph_StraightLine"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Four further floats kept with the graph; the keys are what it evaluates.
class ZVI_VGraph_GradientLine : public ZVI_VGraph_Line {
 public:
  void Write(DS_IOF_Archive& ar) const override;
  std::string GetTypeName() const override { return "ZVI_VGraph_GradientLine"; }
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  float ends[4] = {0, 1, 1, 0};
};

// Registers the readers of the five graph classes under their class names.
void RegisterValueGraphReaders();
