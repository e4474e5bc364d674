#pragma once
// Value graphs as the object model sees them: the graph interface, the
// constant graph every graph parameter starts with, the graph parameter and
// the jittered value shaped by a graph. The key-point graphs and the reader
// registration live with the geometry (geometry/value_graph.h).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/io_item.h"
#include "core/jitter_params.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"

class DS_IOF_Archive;

// One key of a key-point graph.
struct VGraphKey {
  float x = 0.0f;
  float y = 0.0f;
  bool operator==(const VGraphKey& o) const { return x == o.x && y == o.y; }
};

// A function of one variable, usually a fraction in [0, 1].
class ZVI_VGraph : public DS_IOF_Item {
 public:
  // The whole object record: class name, version, fields, base record.
  void Write(DS_IOF_Archive& ar) const override = 0;
  virtual void RegisterCallbacks(OwnedPtrList* list) {}
  // The parameter whose changes the holder should follow; none here.
  virtual MediaParam* GetWatchedParam() { return nullptr; }
  virtual std::string GetTypeName() const = 0;
  virtual float MaxValue() const = 0;
  virtual bool QueryGraph(float, float, float*) const { return false; }
  // The value at x. The cursor is the key index a lookup resumes from:
  // callers start it at 1 and may keep it for increasing x.
  virtual float ValueAt(float x, int32_t& cursor) const = 0;
  virtual bool GetKey(int32_t index, float* x, float* y) const = 0;
  // Replaces the keys of key-point graphs; the others ignore it.
  virtual void SetKeys(const std::vector<VGraphKey>& keys) {}
};

// 1 everywhere; no keys.
class ZVI_VGraph_Const : public ZVI_VGraph {
 public:
  void Write(DS_IOF_Archive& ar) const override;
  std::string GetTypeName() const override { return "ZVI_VGraph_Const"; }
  float MaxValue() const override { return 1.0f; }
  float ValueAt(float, int32_t&) const override { return 1.0f; }
  bool GetKey(int32_t, float*, float*) const override { return false; }
  // The base record (class name and version, both ignored).
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
};

// Writes and skips the record of the graph base class.
void WriteVGraphBaseRecord(DS_IOF_Archive& ar);
void ReadVGraphBaseRecord(DS_IOF_Archive& ar);

// Reads a graph object record (class name, version, fields) through the graph
// registry. A name without a reader cannot be skipped: DS_Error.
std::unique_ptr<ZVI_VGraph> ReadVGraph(DS_IOF_Archive& ar);
// A default graph of the named class, or null when the name is unknown.
std::unique_ptr<ZVI_VGraph> CreateVGraphByName(std::string_view name);

// A parameter holding a counted graph: a constant graph when made.
class ZVI_CustomGraph : public MediaParamT<DS_SafePtr<ZVI_VGraph>> {
 public:
  ZVI_CustomGraph();
  // Shares the source's graph; its own undo and follower controls.
  ZVI_CustomGraph(const ZVI_CustomGraph& other);
  ZVI_CustomGraph& operator=(const ZVI_CustomGraph& other);

  // Moves the follower to the new graph's watched parameter, then sets the
  // graph (observers notified when it is another object).
  void InstallGraph(const DS_SafePtr<ZVI_VGraph>& graph);
  ZVI_VGraph* Graph() const { return value.get(); }

  ZVI_SmartCalbackCtrl<ZVI_CustomGraph> follower;

 private:
  void Renotify() { Notify(nullptr); }
  void FollowGraph(ZVI_VGraph* graph);
};

// A value with a spread (the JitterValue part), shaped by a graph over time
// or position.
class JitterGraphParam : public JitterValue {
 public:
  JitterGraphParam() = default;
  JitterGraphParam(const JitterGraphParam&) = default;
  JitterGraphParam& operator=(const JitterGraphParam&) = default;

  ZVI_CustomGraph graph;
};

// The graph record, then value and jitter (u32 each, notified when changed).
void ReadJitterGraphParam(DS_IOF_Archive& ar, JitterGraphParam& block);
void WriteJitterGraphParam(DS_IOF_Archive& ar, const JitterGraphParam& block);
