#pragma once
// The butterfly and the clock: the frame controllers that fly a butterfly and
// flap its wings, place a clock and turn its hands to the local time, and the
// two 3-D objects that build their frame trees from pack meshes.
#include <cstdint>
#include <list>
#include <vector>

#include "core/ds_frame.h"
#include "core/media_param.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "player/file_links.h"
#include "scene/objects_3d.h"

class DS_IOF_Archive;

// A value approaching its target at a signed rate.
struct ApproachChannel {
  float current = 0.0f;
  float target = 0.0f;
  float rate = 0.0f;

  // Keeps the rate's magnitude and points it from current towards t.
  void SetTarget(float t);
  // current += step x rate, landing on the target once it passes it.
  void Step(float step);
};

// One wing: its hinge matrix and culling flag, written by its butterfly.
class AC_ButterflyWing : public DS_AnimationBase {
 public:
  AC_ButterflyWing();
  // local = rest x wing matrix; the frame's mirror flag follows the wing's.
  void Apply(DS_Frame* frame) override;

  D3DXMATRIX wing;
  bool mirror = true;
};

// A butterfly flying about the view rectangle of its model. The model's view
// clock gives the step and the total time; the size parameter (percent)
// scales the whole insect. The wings are owned by the child frames they
// drive, which live and die with the butterfly's root frame.
class AC_Butterfly : public DS_AnimationBase {
 public:
  AC_Butterfly(DS_ViewObjCtrl* model, MediaParamT<unsigned>* size);
  void Apply(DS_Frame* frame) override;

  DS_ViewObjCtrl* model;
  AC_ButterflyWing* wings[2] = {nullptr, nullptr};
  float flap = 0.0f;
  float flapSpeed = 100.0f;
  float flapUpper = 55.0f;
  float flapLower = -55.0f;
  D3DXVECTOR3 position;
  ApproachChannel vertical{50.0f, 50.0f, 250.0f};  // picture y grows downwards
  ApproachChannel heading;                         // degrees
  ApproachChannel bank{0.0f, 0.0f, 50.0f};         // degrees
  ApproachChannel forward{50.0f, 50.0f, 350.0f};
  D3DXMATRIX tilt;
  D3DXMATRIX mirrorMatrix;
  D3DXMATRIX sizeMatrix;
  int32_t mode = 0;
  int32_t requestedMode = 0;
  float lastDecision = 0.0f;

 private:
  void OnSize(unsigned size);
  void Bounds();
  void Decide(float total);
  DS_FunLightCtrl<unsigned, AC_Butterfly> sizeControl_;
};

// The clock face: scaled to the clock's size and moved to its centre. It also
// keeps the clock rectangle's edges about the centre at the current size.
class AC_Static : public DS_AnimationBase {
 public:
  AC_Static(MediaParamT<unsigned>* size, MediaRectangle* rect);
  // local = scaling x rest x translation.
  void Apply(DS_Frame* frame) override;

  D3DXMATRIX scaling;
  D3DXMATRIX translation;

 private:
  void OnSize(unsigned size);
  void OnRectangle();
  void SetEdges();
  MediaParamT<unsigned>* size_;
  MediaRectangle* rect_;
  DS_FunLightCtrl<unsigned, AC_Static> sizeControl_;
  SmartCalbackCtrl<AC_Static> rectControl_;
};

// A clock hand turned to the machine's local time.
class AC_ClockArrow : public DS_AnimationBase {
 public:
  enum Kind : int32_t { kMinute = 0, kHour = 1 };
  explicit AC_ClockArrow(int32_t kind) : kind(kind) {}
  // local = rest x RotationY(angle); without a local time the last angle.
  void Apply(DS_Frame* frame) override;
  // The hand's angle in degrees at a time of day.
  static float AngleAt(int32_t kind, int32_t hours, int32_t minutes, int32_t seconds);

  int32_t kind;
  float lastAngle = 0.0f;
};

// A butterfly: a body and two flapping wings flying about the view
// rectangle. The inherited mesh and image links are the wing's.
class DS_ButterflyConstructor : public DS_3D_Obj_Ctrl {
 public:
  DS_ButterflyConstructor();
  DS_ButterflyConstructor(const DS_ButterflyConstructor& other);

  // The record after its class name and version; the wing scale from
  // version 2.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void LoadMeshes(std::vector<MeshInstance>& meshes) override;
  void AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) override;
  DS_Frame* CreateFrame() override;
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ButterflyConstructor(*this); }

  DS_ImageFileLink bodyImage;
  DS_MeshFile bodyMesh{u"common_res.dll", 68};
  UINTSclaleTo<float> percentages[2];  // kept, not played
  float wingScale = 1.0f;
};

// A clock: a face plate in the clock rectangle and two hands at the local
// time. The inherited mesh link is the plate, the inherited image the face.
class DS_ClockConstructor : public DS_3D_Obj_Ctrl {
 public:
  DS_ClockConstructor();
  // Copies the rectangle and links; the copy remembers no meshes.
  DS_ClockConstructor(const DS_ClockConstructor& other);

  // The record after its class name and version (the version is ignored).
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  void GetViewRect(QuadCorners* out) override;
  bool HitTest(float x, float y) override { return clockRect.HitTest(x, y); }
  void LoadMeshes(std::vector<MeshInstance>& meshes) override;
  void AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) override;
  DS_Frame* CreateFrame() override;
  bool Query3D() const override { return true; }
  DS_3D_Obj_Ctrl* Clone() const override { return new DS_ClockConstructor(*this); }

  MediaRectangle clockRect;
  DS_ImageFileLink handImage;
  // The runtime's instances, for reloading the face when its link changes.
  std::vector<MeshInstance>* loaded = nullptr;

 private:
  void OnFaceChanged();
  void WatchFace();
  SmartCalbackCtrl<DS_ClockConstructor> faceControl_;
};
