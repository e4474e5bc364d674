#include "scene/objects_3d.h"

#include <algorithm>
#include <utility>

#include "core/archive.h"
#include "player/texture_cache.h"

namespace {

bool HoldsData(const EmbeddedFile& file) { return file.data && file.size > 0; }

}  // namespace

// ---------------------------------------------------------------------------
// DS_3D_in_2D_array_Constructor

DS_3D_in_2D_array_Constructor::DS_3D_in_2D_array_Constructor(const DS_3D_in_2D_array_Constructor& other)
    : DS_ABObj_Constructor(other),
      count(other.count),
      meshFile(other.meshFile.Copy()),
      textureFile(other.textureFile.Copy()),
      leaf(other.leaf) {}

void DS_3D_in_2D_array_Constructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadWideString(&name);
  ar.ReadUInt(&count.value);
  ar.ReadEmbeddedFile(&meshFile);
  ar.ReadEmbeddedFile(&textureFile);
  ar.ReadUInt(&leaf.size.value);
  ar.ReadUInt(&leaf.speed.value);
  ar.ReadUInt(&leaf.sway.value);
  ar.ReadUInt(&leaf.changeRate.value);
  ar.ReadUInt(&leaf.spin.value);
  uint32_t degrees = 0;
  ar.ReadUInt(&degrees);
  leaf.SetDirection(static_cast<int32_t>(degrees));
  ReadConstructorBase(ar);
}

DS_ABObj* DS_3D_in_2D_array_Constructor::CreateRuntime() {
  auto* copy = new DS_3D_in_2D_array_Constructor(*this);
  auto* array = new DS_3D_in_2D_array(copy);
  copy->runtime = array;
  // Files without data give nothing: no lookup that could cache an empty
  // entry for a later object.
  if (TextureCache* cache = GetTextureCache()) {
    if (HoldsData(copy->textureFile) || copy->textureFile.resourceId != 0)
      array->mesh.texture = cache->GetTexture(copy->textureFile).texture;
    if (HoldsData(copy->meshFile) || copy->meshFile.resourceId != 0) {
      MeshBuffers buffers;
      cache->GetMesh(&buffers, copy->meshFile, 32);
      array->mesh.SetMesh(buffers);
    }
  }
  array->SetCopyCount(copy->count.value);
  return array;
}

// ---------------------------------------------------------------------------
// DS_3D_in_2D_array

DS_3D_in_2D_array::DS_3D_in_2D_array(DS_3D_in_2D_array_Constructor* ownedModel) : DS_ABObj(ownedModel) {}

void DS_3D_in_2D_array::SetCopyCount(uint32_t n) {
  n = std::min(n, kMax3DCopies);
  while (mesh.children.size() < n) {
    auto* frame = new DS_Frame();
    frame->sphere_radius = mesh.radius;
    frame->sphere_center = mesh.center;
    D3DXMatrixTranslation(&frame->local, -mesh.center.x, -mesh.center.y, -mesh.center.z);
    frame->SetController(new DS_LeafFallAnim(&ArrayModel()->leaf));
    mesh.children.push_back(frame);
  }
  if (mesh.children.size() > n) mesh.DeleteFirstChildren(mesh.children.size() - n);
}

void DS_3D_in_2D_array::Update(float t) {
  DS_SreamAnim::frameTime = t;
  mesh.Update();
}

void DS_3D_in_2D_array::Draw(DS_ABRender* context) {
  if (context) context->DrawMeshCopies(&mesh);
}

// ---------------------------------------------------------------------------
// DS_3D_Obj_Ctrl

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl() { viewSpeed.value = 50u; }

DS_3D_Obj_Ctrl::DS_3D_Obj_Ctrl(const DS_3D_Obj_Ctrl& other)
    : DS_ViewObjCtrl(other), count(other.count), size(other.size), imageLink(other.imageLink), meshLink(other.meshLink) {}

void DS_3D_Obj_Ctrl::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ar.ReadUInt(&count.value);
  ar.ReadUInt(&size.value);
  ReadFileLink3(ar, imageLink);
  ReadFileLink3(ar, meshLink);
  ReadViewRecord(ar);
}

void DS_3D_Obj_Ctrl::ReadObjCtrlRecord(DS_IOF_Archive& ar) {
  int32_t version = 0;
  ReadRecordHeader(ar, &version);
  DS_3D_Obj_Ctrl::ReadRecord(ar, version);
}

DS_ABObj* DS_3D_Obj_Ctrl::CreateRuntime() {
  auto* array = new DS_3DObjArray(Clone());
  array->Build();
  return array;
}

// ---------------------------------------------------------------------------
// DS_3DObjArray

DS_3DObjArray::DS_3DObjArray(DS_3D_Obj_Ctrl* ownedModel) : DS_ABObj(ownedModel) {}

DS_3DObjArray::~DS_3DObjArray() {
  for (MeshInstance& m : meshes) m.subFrames.clear();
  for (DS_Frame* root : roots) DeleteFrameTree(root);
  roots.clear();
}

void DS_3DObjArray::Build() {
  DS_3D_Obj_Ctrl* m = ObjModel();
  loading = true;
  m->LoadMeshes(meshes);
  loading = false;
  countControl.Set(&DS_3DObjArray::OnCountChanged, this);
  countControl.Attach(&m->count);
  countControl.Prime();
}

void DS_3DObjArray::OnCountChanged(unsigned n) {
  DS_3D_Obj_Ctrl* m = ObjModel();
  n = std::min<unsigned>(n, kMax3DCopies);
  // The meshes' frame lists name the roots: drop them before any root goes.
  for (MeshInstance& mesh : meshes) mesh.subFrames.clear();
  while (roots.size() < n) {
    DS_Frame* root = m->CreateFrame();
    if (!root) break;
    roots.push_back(root);
  }
  while (roots.size() > n) {
    DeleteFrameTree(roots.front());
    roots.pop_front();
  }
  m->AttachMeshes(roots, meshes);
}

void DS_3DObjArray::Update(float t) {
  ObjModel()->AdvanceViewClock(t);
  for (DS_Frame* root : roots) root->Update(nullptr);
}

void DS_3DObjArray::Draw(DS_ABRender* context) {
  if (!context) return;
  for (MeshInstance& m : meshes) context->DrawMesh(&m);
}

bool DS_3DObjArray::HitTest(float x, float y) { return ObjModel()->HitTest(x, y); }
