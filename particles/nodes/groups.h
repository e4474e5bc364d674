#pragma once
// Object groups: scene objects that move together. The group model owns its
// members' models and a group node (a root node with a curve) that gives the
// group its position; the runtime object moves every member by the group's
// displacement each frame and, when collapsed, advances and draws them too.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/scaled_param.h"
#include "core/smart_points.h"
#include "core/time_params.h"
#include "geometry/figures.h"
#include "particles/nodes/nodes.h"
#include "player/scene_object.h"

class ZVI_GroupNode : public ZVI_PtclSysNode_Root {
 public:
  // A root at the centre of the current scene; the offset takes it.
  ZVI_GroupNode();

  void GetWorldMatrix(D3DXMATRIX* matrix) override;
  void ToLocal(D3DXVECTOR3* point) override;
  bool AcceptFamily(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(4, this); }
  bool AcceptClass(ZVI_PtclSysNodeVisitor& visitor) override { return visitor.Visit(12, this); }

  // The root point's position, or the origin without one.
  D3DXVECTOR3 RootPosition() const;

  // Offset; from version 2 the curve, mode and path position; then the root
  // node's header and record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<int> mode{0};
  ZVI_SmartGeom<ZVI_VGeom2D_Curve> curve;
  ChronoWrap<UINTSclaleTo<float>> pathPosition;
  D3DXVECTOR3 offset{0, 0, 0};
};

using MemberModels = std::vector<std::unique_ptr<DS_ABObj_Constructor>>;

class ZVI_Group_Constructor : public DS_ABObj_Constructor {
 public:
  ZVI_Group_Constructor();
  // Shares the members, the node and the member models.
  ZVI_Group_Constructor(const ZVI_Group_Constructor& other);

  int32_t GetKind() const override { return 10; }
  ZVI_GroupNode* GetGroupNode() override { return groupNode.get(); }
  DS_ABObj* CreateRuntime() override;
  // The group's runtime object, then (on its model copy) the members'.
  void GetOrCreateRuntime(RuntimeObjects& objects, RuntimeMap& map) override;
  // The group's displacement: where the node stands minus its offset.
  virtual void GetPosition(D3DXVECTOR3* out);
  virtual ZVI_Group_Constructor* Clone() const { return new ZVI_Group_Constructor(*this); }

  // Expanded flag; from version 2 the group node; the member models; then
  // the scene-object base.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<bool> expanded{true};
  RuntimeObjects members;
  DS_SafePtr<ZVI_GroupNode> groupNode;
  // Shared by the copies; emptied once the members' runtime objects exist.
  std::shared_ptr<MemberModels> memberModels = std::make_shared<MemberModels>();
};

class ZVI_Group_Obj : public DS_ABObj {
 public:
  explicit ZVI_Group_Obj(ZVI_Group_Constructor* ownedModel) : DS_ABObj(ownedModel), group(ownedModel) {}

  void Render(DS_ABRender* context, int* pass) override;
  int32_t NeedsBackground() override;
  void SetRunning(bool flag) override;
  void Update(float localTime) override;
  int32_t GetKind() override { return 10; }
  // Empties the members, then takes the objects in order up to the first
  // that belongs to no group.
  bool SetMembers(RuntimeObjects::const_iterator first, RuntimeObjects::const_iterator last) override;
  bool AppendMembers(RuntimeObjects& objects) override;
  void ExpandMembers(int32_t index, RuntimeObjects& objects) override;
  int32_t MemberCount() override;

  bool Collapsed() const { return !group->expanded.value; }

  ZVI_Group_Constructor* group;
};

void RegisterGroupReaders();
