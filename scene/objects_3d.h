#pragma once
// 3-D objects in the 2-D scene: textured .X meshes drawn at frames whose
// world matrices place them in picture pixels (x right, y down). The array
// draws one stored mesh once per falling leaf; the abstract 3-D object lets
// its subclasses build a frame tree per copy, load meshes by link and bind
// them to the frames.
#include <cstdint>
#include <list>
#include <vector>

#include "core/embedded_file.h"
#include "core/media_param.h"
#include "player/file_links.h"
#include "player/scene_object.h"
#include "player/slide_render_context.h"
#include "scene/leaf_animations.h"
#include "scene/sprite_base.h"

class DS_IOF_Archive;
class DS_3D_in_2D_array;

// Copies of one object are capped so that a hostile count cannot make
// millions of frames.
constexpr uint32_t kMax3DCopies = 4096;

class DS_3D_in_2D_array_Constructor : public DS_ABObj_Constructor {
 public:
  DS_3D_in_2D_array_Constructor() = default;
  // Copies everything but the runtime pointer.
  DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& other);

  DS_ABObj* CreateRuntime() override;
  // The record after its class name and version (the version is ignored).
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);

  MediaParamT<unsigned> count{0u};
  EmbeddedFile meshFile;
  EmbeddedFile textureFile;
  LeafParams leaf;
  DS_3D_in_2D_array* runtime = nullptr;  // not saved
};

class DS_3D_in_2D_array : public DS_ABObj {
 public:
  explicit DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* ownedModel);

  // The leaves' frame time, then the instance's frame tree.
  void Update(float t) override;
  void Draw(DS_ABRender* context) override;

  // Appends leaf frames up to n (capped), or deletes the first ones.
  void SetCopyCount(uint32_t n);
  DS_3D_in_2D_array_Constructor* ArrayModel() const {
    return static_cast<DS_3D_in_2D_array_Constructor*>(model);
  }

  // One child frame per copy.
  MeshInstance mesh;
};

class DS_3DObjArray;

// Base of the 3-D objects whose meshes and pictures are named by links.
class DS_3D_Obj_Ctrl : public DS_ViewObjCtrl {
 public:
  DS_3D_Obj_Ctrl();
  DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& other);

  DS_ABObj* CreateRuntime() override;

  // Sizes the vector, then fills its elements.
  virtual void LoadMeshes(std::vector<MeshInstance>& meshes) = 0;
  // Binds the mesh instances to the frames: fills their frame lists, which
  // the runtime has emptied before every call.
  virtual void AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) {}
  // A new root frame with its children and controllers.
  virtual DS_Frame* CreateFrame() = 0;
  virtual bool Query3D() const { return false; }
  virtual DS_3D_Obj_Ctrl* Clone() const = 0;

  // "DS_3D_Obj_Ctrl" fields after its class name and version, then the view
  // record.
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  // Class name and version (neither compared), then the fields: what the
  // subclass readers call after their own fields.
  void ReadObjCtrlRecord(DS_IOF_Archive& ar);

  // The clock the runtime advances every frame; controllers read it.
  float ClockStep() const { return viewStep; }
  float ClockTotal() const { return viewTime; }

  MediaParamT<unsigned> count{1u};
  MediaParamT<unsigned> size{50u};  // percent
  DS_ImageFileLink imageLink;
  DS_MeshFile meshLink;
};

class DS_3DObjArray : public DS_ABObj {
 public:
  explicit DS_3DObjArray(DS_3D_Obj_Ctrl* ownedModel);
  // Deletes the root frames with their trees.
  ~DS_3DObjArray() override;

  // The model's clock, then every root frame tree.
  void Update(float t) override;
  // Every mesh instance, in vector order.
  void Draw(DS_ABRender* context) override;
  bool HitTest(float x, float y) override;

  // Roots made by the model up to n (capped), or deleted from the front;
  // then the model binds the meshes again.
  void OnCountChanged(unsigned n);
  // Loads the meshes and watches the model's count (applied at once).
  void Build();

  DS_3D_Obj_Ctrl* ObjModel() const { return static_cast<DS_3D_Obj_Ctrl*>(model); }

  std::list<DS_Frame*> roots;
  std::vector<MeshInstance> meshes;
  bool loading = false;
  // Destroyed before the model it watches.
  DS_FunLightCtrl<unsigned, DS_3DObjArray> countControl;
};
