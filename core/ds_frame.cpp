#include "core/ds_frame.h"

DS_Frame::DS_Frame() {
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&local);
}

DS_Frame::DS_Frame(const DS_Frame& other)
    : ZVI_Frame(other),
      world(other.world),
      local(other.local),
      sphere_radius(other.sphere_radius),
      sphere_center(other.sphere_center),
      mirror(other.mirror),
      children(other.children) {}

DS_Frame& DS_Frame::operator=(const DS_Frame& other) {
  if (this != &other) {
    world = other.world;
    local = other.local;
    sphere_radius = other.sphere_radius;
    sphere_center = other.sphere_center;
    mirror = other.mirror;
    children = other.children;
  }
  return *this;
}

DS_Frame::~DS_Frame() { delete controller; }

void DS_Frame::SetController(DS_AnimationBase* c) {
  if (c == controller) return;
  delete controller;
  controller = c;
}

void DS_Frame::Update(const D3DXMATRIX* parent_world) {
  if (controller)
    controller->Apply(this);
  else
    world = local;
  if (parent_world) D3DXMatrixMultiply(&world, &world, parent_world);
  for (DS_Frame* child : children) child->Update(&world);
}
