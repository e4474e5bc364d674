#include "core/graph_params.h"

#include "core/archive.h"
#include "core/reader_registry.h"

namespace {
void WriteHeader(DS_IOF_Archive& ar, const char16_t* name, int32_t version) {
  const zvi_string text(name);
  ar.Stream()->WriteWideString(&text);
  ar.Stream()->WriteInt(&version);
}
}  // namespace

void WriteVGraphBaseRecord(DS_IOF_Archive& ar) { WriteHeader(ar, u"ZVI_VGraph", 1); }

void ReadVGraphBaseRecord(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
}

void ZVI_VGraph_Const::Write(DS_IOF_Archive& ar) const {
  WriteHeader(ar, u"ZVI_VGraph_Const", 1);
  WriteVGraphBaseRecord(ar);
}

void ZVI_VGraph_Const::ReadRecord(DS_IOF_Archive& ar, int32_t) { ReadVGraphBaseRecord(ar); }

std::unique_ptr<ZVI_VGraph> ReadVGraph(DS_IOF_Archive& ar) { return ReadObjectOf<ZVI_VGraph>(ar); }

std::unique_ptr<ZVI_VGraph> CreateVGraphByName(std::string_view name) {
  return CreateDefaultByName<ZVI_VGraph>(ClassNameFromUtf8(name));
}

// ---------------------------------------------------------------------------

ZVI_CustomGraph::ZVI_CustomGraph() {
  follower.Set(&ZVI_CustomGraph::Renotify, this);
  std::unique_ptr<ZVI_VGraph> graph = CreateVGraphByName("ZVI_VGraph_Const");
  // Every graph parameter needs its constant graph, registered or not.
  if (!graph) graph = std::make_unique<ZVI_VGraph_Const>();
  InstallGraph(DS_SafePtr<ZVI_VGraph>(graph.release()));
}

ZVI_CustomGraph::ZVI_CustomGraph(const ZVI_CustomGraph& other) : MediaParamT<DS_SafePtr<ZVI_VGraph>>(other) {
  follower.Set(&ZVI_CustomGraph::Renotify, this);
  FollowGraph(value.get());
}

ZVI_CustomGraph& ZVI_CustomGraph::operator=(const ZVI_CustomGraph& other) {
  MediaParamT<DS_SafePtr<ZVI_VGraph>>::operator=(other);
  FollowGraph(value.get());
  return *this;
}

void ZVI_CustomGraph::FollowGraph(ZVI_VGraph* graph) {
  MediaParam* watched = graph ? graph->GetWatchedParam() : nullptr;
  if (follower.watched == watched) return;
  if (follower.watched) follower.watched->RemoveControl(&follower);
  follower.watched = nullptr;
  if (watched) follower.Attach(watched);
}

void ZVI_CustomGraph::InstallGraph(const DS_SafePtr<ZVI_VGraph>& graph) {
  FollowGraph(graph.get());
  SetValue(graph, nullptr);
}

// ---------------------------------------------------------------------------

void ReadJitterGraphParam(DS_IOF_Archive& ar, JitterGraphParam& block) {
  std::unique_ptr<ZVI_VGraph> graph = ReadVGraph(ar);
  block.graph.InstallGraph(DS_SafePtr<ZVI_VGraph>(graph.release()));
  block.value.Read(ar);
  block.jitter.Read(ar);
}

void WriteJitterGraphParam(DS_IOF_Archive& ar, const JitterGraphParam& block) {
  if (ZVI_VGraph* g = block.graph.Graph()) g->Write(ar);
  ar.Stream()->WriteUInt(&block.value.value);
  ar.Stream()->WriteUInt(&block.jitter.value);
}
