#pragma once
// A node of the transform hierarchy: local and world matrices, an optional
// controller that animates it, and child frames (not owned).
#include <cstdint>
#include <list>

#include "platform/d3dx9/d3dx9_math.h"

class DS_Frame;

// Base of the matrix animation controllers a frame may own.
class DS_AnimationBase {
 public:
  virtual ~DS_AnimationBase() = default;
  // Writes frame->world from frame->local and the controller's own animation.
  virtual void Apply(DS_Frame* frame) = 0;
};

class ZVI_Frame {};

class DS_Frame : public ZVI_Frame {
 public:
  DS_Frame();
  // Copies matrices, sphere, flag and the child list; the controller is owned
  // by the source alone, so the copy starts without one.
  DS_Frame(const DS_Frame& other);
  DS_Frame& operator=(const DS_Frame& other);
  ~DS_Frame();

  // world = controller's matrix (or local) x parent's world; then the
  // children in list order. The root is updated with no parent.
  void Update(const D3DXMATRIX* parent_world = nullptr);
  // Takes ownership of the controller, deleting the previous one.
  void SetController(DS_AnimationBase* c);

  D3DXMATRIX world;
  D3DXMATRIX local;
  // The bounding sphere of the frame's mesh where one was recorded.
  float sphere_radius = 0.0f;
  D3DXVECTOR3 sphere_center;
  DS_AnimationBase* controller = nullptr;
  // Chooses the culling order when a child frame is drawn.
  bool mirror = true;
  std::list<DS_Frame*> children;
};
