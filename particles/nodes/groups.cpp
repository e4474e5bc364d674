#include "particles/nodes/groups.h"

#include "core/archive.h"
#include <algorithm>
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/render_context.h"

namespace {

bool HasGroup(const DS_SafePtr<DS_ABObj>& o) {
  return o && o->Model() && !IsNullGuid(o->Model()->parentGroup);
}

}  // namespace

ZVI_GroupNode::ZVI_GroupNode() {
  pathPosition.SetScaleOffset(0.01f, 0.0f, 100u);
  std::unique_ptr<ZVI_VGeom2D> made = CreateDefaultByName<ZVI_VGeom2D>(u"ZVI_VGeom2D_BSpline");
  if (auto* c = dynamic_cast<ZVI_VGeom2D_Curve*>(made.get())) {
    made.release();
    curve.SetGeometry(c);
  }
  D3DXVECTOR3 centre(0, 0, 0);
  if (RenderContext* rc = CurrentRenderContext()) centre = D3DXVECTOR3(rc->sceneSize.x * 0.5f, rc->sceneSize.y * 0.5f, 0);
  if (ZVI_PtclSys_RootPoint* root = RootPoint()) root->position.value = centre;
  offset = centre;
}

D3DXVECTOR3 ZVI_GroupNode::RootPosition() const {
  const ZVI_PtclSys_RootPoint* root = RootPoint();
  return root ? root->position.value : D3DXVECTOR3(0, 0, 0);
}

void ZVI_GroupNode::GetWorldMatrix(D3DXMATRIX* matrix) {
  ZVI_PtclSysNode_Root::GetWorldMatrix(matrix);
  D3DXMATRIX back;
  D3DXMatrixTranslation(&back, -offset.x, -offset.y, -offset.z);
  *matrix = *matrix * back;
}

void ZVI_GroupNode::ToLocal(D3DXVECTOR3* point) {
  ZVI_PtclSysNode_Root::ToLocal(point);
  *point += offset;
}

void ZVI_GroupNode::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ar.ReadFloat(&offset.x);
  ar.ReadFloat(&offset.y);
  ar.ReadFloat(&offset.z);
  if (version >= 2) {
    // Kept when it is a curve figure.
    std::unique_ptr<ZVI_VGeom2D> read = ReadObjectOf<ZVI_VGeom2D>(ar);
    if (auto* c = dynamic_cast<ZVI_VGeom2D_Curve*>(read.get())) {
      read.release();
      curve.SetGeometry(c);
    }
    ar.ReadInt(&mode.value);
    ReadChronoWrap(ar, pathPosition);
  }
  zvi_string className;
  int32_t rootVersion = 0;
  ar.ReadWideString(&className);
  ar.ReadInt(&rootVersion);
  ZVI_PtclSysNode_Root::ReadRecord(ar, rootVersion);
}

ZVI_Group_Constructor::ZVI_Group_Constructor() : groupNode(new ZVI_GroupNode) {}

ZVI_Group_Constructor::ZVI_Group_Constructor(const ZVI_Group_Constructor& other)
    : DS_ABObj_Constructor(other),
      expanded(other.expanded.value),
      members(other.members),
      groupNode(other.groupNode),
      memberModels(other.memberModels) {}

DS_ABObj* ZVI_Group_Constructor::CreateRuntime() { return new ZVI_Group_Obj(Clone()); }

void ZVI_Group_Constructor::GetOrCreateRuntime(RuntimeObjects& objects, RuntimeMap& map) {
  if (!objects.empty() && objects.back() && objects.back()->Model() == this) {
    // This model's own runtime object was just appended: the members.
    for (std::unique_ptr<DS_ABObj_Constructor>& member : *memberModels) {
      if (!member) continue;
      member->GetOrCreateRuntime(members, map);
      if (!members.empty() && members.back() && members.back()->Model()) members.back()->Model()->parentGroup = guid;
    }
    // Built once: a group shared by GUID later finds nothing to build again.
    memberModels->clear();
    return;
  }
  DS_ABObj_Constructor::GetOrCreateRuntime(objects, map);
  if (objects.empty() || !objects.back()) return;
  if (auto* copy = dynamic_cast<ZVI_Group_Constructor*>(objects.back()->Model())) copy->GetOrCreateRuntime(objects, map);
}

void ZVI_Group_Constructor::GetPosition(D3DXVECTOR3* out) {
  ZVI_GroupNode* node = groupNode.get();
  if (!node) {
    *out = D3DXVECTOR3(0, 0, 0);
    return;
  }
  D3DXVECTOR3 at = node->RootPosition();
  if (node->mode.value == 1 && node->curve.value) {
    ZVI_VGeom2D_Curve* c = node->curve.value.get();
    D3DXVECTOR3 p(0, 0, 0);
    if (c->PointAtLength(c->GetLength() * node->pathPosition.derived, 0.0f, &p, nullptr)) at = p;
  }
  *out = at - node->offset;
}

void ZVI_Group_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  uint8_t flag = 1;
  ar.ReadByte(&flag);
  expanded.value = flag != 0;
  if (version >= 2) {
    std::unique_ptr<ZVI_IOF_Item> node = ReadObjectOf<ZVI_IOF_Item>(ar);
    if (auto* g = dynamic_cast<ZVI_GroupNode*>(node.get())) {
      node.release();
      groupNode = DS_SafePtr<ZVI_GroupNode>(g);
    }
  }
  ModelList models;
  ReadObjectList(ar, &models);
  memberModels = std::make_shared<MemberModels>(std::move(models));
  ReadConstructorBase(ar);
}

void ZVI_Group_Obj::Render(DS_ABRender* context, int* pass) {
  if (!Collapsed()) return;
  for (auto& m : group->members)
    if (m) m->Render(context, pass);
}

int32_t ZVI_Group_Obj::NeedsBackground() {
  if (!Collapsed()) return 0;
  int32_t sum = 0;
  for (auto& m : group->members)
    if (m) sum += m->NeedsBackground();
  return sum;
}

void ZVI_Group_Obj::SetRunning(bool flag) {
  running = flag;
  for (auto& m : group->members)
    if (m) m->SetRunning(flag);
}

void ZVI_Group_Obj::Update(float localTime) {
  D3DXVECTOR3 d;
  group->GetPosition(&d);
  for (auto& m : group->members)
    if (m) m->SetOffset(d.x, d.y, d.z);
  if (!Collapsed()) return;
  for (auto& m : group->members)
    if (m) m->UpdateTime(localTime);
}

bool ZVI_Group_Obj::AppendMembers(RuntimeObjects& objects) {
  if (Collapsed()) objects.insert(objects.end(), group->members.begin(), group->members.end());
  return true;
}

bool ZVI_Group_Obj::SetMembers(RuntimeObjects::const_iterator first, RuntimeObjects::const_iterator last) {
  group->members.clear();
  for (; first != last && HasGroup(*first); ++first) group->members.push_back(*first);
  return true;
}

int32_t ZVI_Group_Obj::MemberCount() { return Collapsed() ? 0 : static_cast<int32_t>(group->members.size()); }

void ZVI_Group_Obj::ExpandMembers(int32_t index, RuntimeObjects& objects) {
  const size_t at = index < 0 ? 0 : std::min(objects.size(), static_cast<size_t>(index) + 1);
  if (!Collapsed()) {
    size_t end = at;
    while (end < objects.size() && HasGroup(objects[end])) ++end;
    objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(at), objects.begin() + static_cast<std::ptrdiff_t>(end));
  } else {
    objects.insert(objects.begin() + static_cast<std::ptrdiff_t>(at), group->members.begin(), group->members.end());
  }
  group->expanded.SetValue(!group->expanded.value);
}

void RegisterGroupReaders() {
  RegisterReader<ZVI_Group_Constructor, DS_ABObj_Constructor>(u"ZVI_Group_Constructor");
  RegisterReader<ZVI_GroupNode, ZVI_IOF_Item>(u"ZVI_GroupNode");
}
