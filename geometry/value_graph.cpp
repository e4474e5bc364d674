#include "geometry/value_graph.h"

#include <algorithm>

#include "core/archive.h"
#include "core/reader_registry.h"

namespace {

void WriteHeader(DS_IOF_Archive& ar, const char16_t* name, int32_t version) {
  const zvi_string text(name);
  ar.Stream()->WriteWideString(&text);
  ar.Stream()->WriteInt(&version);
}

// An inner class name and version that the readers read and ignore.
void SkipHeader(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
}

}  // namespace

// ---------------------------------------------------------------------------

float ZVI_VGraph_Line::MaxValue() const {
  float m = 0.0f;
  for (const VGraphKey& k : keys) m = std::max(m, k.y);
  return m;
}

float ZVI_VGraph_Line::ValueAt(float x, int32_t& cursor) const {
  const int32_t n = static_cast<int32_t>(keys.size());
  // A cursor below the first segment would look before the first key.
  int32_t i = std::max(cursor, 1);
  if (i >= n) return 0.0f;
  for (;;) {
    const float a = keys[i].x;
    const float b = keys[i - 1].x;
    if (a != b && x <= a) {
      const float w = (x - b) / (a - b);
      return keys[i - 1].y + w * (keys[i].y - keys[i - 1].y);
    }
    ++i;
    cursor = i;
    if (i >= n) return 0.0f;
  }
}

bool ZVI_VGraph_Line::GetKey(int32_t index, float* x, float* y) const {
  if (index < 0 || index >= static_cast<int32_t>(keys.size())) return false;
  *x = keys[index].x;
  *y = keys[index].y;
  return true;
}

void ZVI_VGraph_Line::SetKeys(const std::vector<VGraphKey>& newKeys) {
  if (&newKeys != &keys) keys = newKeys;
}

void ZVI_VGraph_Line::ReadKeyBody(DS_IOF_Archive& ar) {
  int32_t count = 0;
  ar.ReadInt(&count);
  keys.clear();
  if (count > 0) {
    // A count the data cannot hold is cut to what fits (refused when strict).
    const uint64_t fits = ar.Stream()->CapLength(static_cast<uint64_t>(count) * 8u) / 8u;
    keys.reserve(static_cast<size_t>(fits));
    for (uint64_t i = 0; i < fits; ++i) {
      VGraphKey k;
      ar.ReadFloat(&k.x);
      ar.ReadFloat(&k.y);
      keys.push_back(k);
    }
  }
  ReadVGraphBaseRecord(ar);
}

void ZVI_VGraph_Line::WriteKeyBody(DS_IOF_Archive& ar) const {
  DS_IOF_Virtual* s = ar.Stream();
  const int32_t count = static_cast<int32_t>(keys.size());
  s->WriteInt(&count);
  for (const VGraphKey& k : keys) {
    s->WriteFloat(&k.x);
    s->WriteFloat(&k.y);
  }
  WriteVGraphBaseRecord(ar);
}

void ZVI_VGraph_Line::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadKeyBody(ar); }

void ZVI_VGraph_Line::Write(DS_IOF_Archive& ar) const {
  WriteHeader(ar, u"ZVI_VGraph_Line", 1);
  WriteKeyBody(ar);
}

// ---------------------------------------------------------------------------

void ZVI_VGraph_QBezier::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  for (float& f : control) ar.ReadFloat(&f);
  SkipHeader(ar);
  ReadKeyBody(ar);
}

void ZVI_VGraph_QBezier::Write(DS_IOF_Archive& ar) const {
  WriteHeader(ar, u"ZVI_VGraph_QBezier", 1);
  for (const float& f : control) ar.Stream()->WriteFloat(&f);
  WriteHeader(ar, u"ZVI_VGraph_Line", 1);
  WriteKeyBody(ar);
}

// ---------------------------------------------------------------------------

ZVI_VGraph_StraightLine::ZVI_VGraph_StraightLine() { keys = {{0.0f, 1.0f}, {1.0f, 0.0f}}; }

void ZVI_VGraph_StraightLine::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadKeyBody(ar); }

void ZVI_VGraph_StraightLine::Write(DS_IOF_Archive& ar) const {
  WriteHeader(ar, u"ZVI_VGraph_StraightLine", 1);
  WriteKeyBody(ar);
}

// ---------------------------------------------------------------------------

void ZVI_VGraph_GradientLine::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  for (float& f : ends) ar.ReadFloat(&f);
  SkipHeader(ar);
  ReadKeyBody(ar);
}

void ZVI_VGraph_GradientLine::Write(DS_IOF_Archive& ar) const {
  WriteHeader(ar, u"ZVI_VGraph_GradientLine", 1);
  for (const float& f : ends) ar.Stream()->WriteFloat(&f);
  WriteHeader(ar, u"ZVI_VGraph_Line", 1);
  WriteKeyBody(ar);
}

// ---------------------------------------------------------------------------

void RegisterValueGraphReaders() {
  RegisterReader<ZVI_VGraph_Const, ZVI_VGraph>(u"ZVI_VGraph_Const");
  RegisterReader<ZVI_VGraph_Line, ZVI_VGraph>(u"ZVI_VGraph_Line");
  RegisterReader<ZVI_VGraph_QBezier, ZVI_VGraph>(u"ZVI_VGraph_QBezier");
  RegisterReader<ZVI_VGraph_GradientLine, ZVI_VGraph>(u"ZVI_VGraph_GradientLine");
  RegisterReader<ZVI_VGraph_StraightLine, ZVI_VGraph>(u"ZVI_VGraph_StraightLine");
}
