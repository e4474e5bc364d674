#include "scene/butterfly_clock.h"

#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "player/doc_res_manager.h"
#include "scene/sprite_base.h"

namespace {

float Uniform(float a, float b) { return crt_rand01() * (b - a) + a; }

D3DXMATRIX RotationX(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationX(&m, D3DXToRadian(degrees));
  return m;
}
D3DXMATRIX RotationY(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationY(&m, D3DXToRadian(degrees));
  return m;
}
D3DXMATRIX RotationZ(float degrees) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, D3DXToRadian(degrees));
  return m;
}
D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

}  // namespace

// ---------------------------------------------------------------------------
// ApproachChannel

void ApproachChannel::SetTarget(float t) {
  target = t;
  if (t > current) rate = std::fabs(rate);
  else if (t < current) rate = -std::fabs(rate);
}

void ApproachChannel::Step(float step) {
  if (current == target) return;
  const float before = current;
  current += step * rate;
  if ((before < target && current >= target) || (before > target && current <= target)) current = target;
}

// ---------------------------------------------------------------------------
// AC_ButterflyWing

AC_ButterflyWing::AC_ButterflyWing() { D3DXMatrixIdentity(&wing); }

void AC_ButterflyWing::Apply(DS_Frame* frame) {
  frame->world = frame->local * wing;
  frame->mirror = mirror;
}

// ---------------------------------------------------------------------------
// AC_Butterfly

AC_Butterfly::AC_Butterfly(DS_ViewObjCtrl* model, MediaParamT<unsigned>* size)
    : model(model), position(model->RandomPointInView()) {
  const float h0 = static_cast<float>(crt_rand() % 360);
  heading = {h0, h0, 350.0f};
  tilt = RotationX(10.0f);
  D3DXMatrixScaling(&mirrorMatrix, -1.0f, 1.0f, 1.0f);
  D3DXMatrixIdentity(&sizeMatrix);
  sizeControl_.Set(&AC_Butterfly::OnSize, this);
  sizeControl_.Attach(size);
  sizeControl_.Prime();
}

void AC_Butterfly::OnSize(unsigned size) {
  const float s = static_cast<float>(size) / 100.0f;
  D3DXMatrixScaling(&sizeMatrix, s, s, s);
}

void AC_Butterfly::Apply(DS_Frame* frame) {
  const float step = model->viewStep;
  const float total = model->viewTime;
  D3DXMATRIX local = RotationY(heading.current) * frame->local;

  if (heading.current - heading.target < -5.0f) bank.SetTarget(25.0f);
  else if (heading.current - heading.target > 5.0f) bank.SetTarget(-25.0f);

  if (forward.current < 100.0f) local = RotationX((1.0f - forward.current / 100.0f) * 15.0f) * local;
  local = tilt * local;
  local = RotationZ(bank.current) * local;
  if (bank.current - bank.target == 0.0f) bank.SetTarget(0.0f);

  flap += step * 7.0f * flapSpeed;
  if (flap > flapUpper) flapSpeed = -160.0f;
  else if (flap < flapLower) flapSpeed = 100.0f;
  local = Translation(0.0f, flap * -3.0f / 45.0f, 0.0f) * local;

  const D3DXMATRIX hinge = RotationZ(flap);
  if (wings[0]) {
    wings[0]->wing = hinge;
    wings[0]->mirror = flap > 0.0f;
  }
  if (wings[1]) {
    wings[1]->wing = hinge * mirrorMatrix;
    wings[1]->mirror = flap < 0.0f;
  }

  const D3DXVECTOR3 ahead(forward.current, 0.0f, 0.0f);
  D3DXVECTOR3 v;
  const D3DXMATRIX turn = RotationY(heading.current);
  D3DXVec3TransformCoord(&v, &ahead, &turn);
  position.x += v.x * step;
  position.y += step * vertical.current;
  position.z = 0.0f;
  local = local * Translation(position.x, position.y, 0.0f);

  vertical.Step(step);
  bank.Step(step);
  heading.Step(step);
  forward.Step(step);

  Bounds();

  if (requestedMode != mode) {
    if (requestedMode == 1) {
      flapUpper = 0.0f;
      if (flap < flapLower * 0.5f) {
        mode = 1;
        flapSpeed = std::fabs(flapSpeed) / -100.0f;
      }
    } else {
      flapUpper = -flapLower;
      mode = 0;
      flapSpeed = forward.current > 20.0f ? crt_rand01() * (forward.current / 3.0f + 110.0f) - 160.0f : 160.0f;
    }
  } else if (total - lastDecision > 0.25f) {
    Decide(total);
  }

  frame->world = sizeMatrix * local;
}

void AC_Butterfly::Bounds() {
  const RenderSettings& rs = GetRenderSettings();
  const float W = static_cast<float>(rs.pictureWidth), H = static_cast<float>(rs.pictureHeight);
  if (position.y < model->top * H) {
    requestedMode = 1;
    vertical.SetTarget(100.0f);
  } else if (position.y > model->bottom * H) {
    requestedMode = 0;
    vertical.SetTarget(-190.0f);
  }
  float target;
  if (position.x < model->left * W) target = 0.0f;
  else if (position.x > model->right * W) target = -180.0f;
  else return;
  heading.target = target;
  heading.rate = target > heading.current ? 350.0f : -350.0f;
  forward.SetTarget(300.0f);
}

void AC_Butterfly::Decide(float total) {
  switch (crt_rand() % 5) {
    case 0:
      requestedMode = 0;
      vertical.SetTarget(Uniform(-190.0f, 0.0f));
      break;
    case 1:
      requestedMode = 1;
      vertical.SetTarget(Uniform(100.0f, 150.0f));
      break;
    case 2:
      requestedMode = 0;
      forward.SetTarget(Uniform(-25.0f, 300.0f));
      break;
    default:
      if (mode == 0 && heading.current == heading.target) {
        heading.rate = Uniform(50.0f, 350.0f);
        heading.SetTarget(crt_rand() % 2 ? Uniform(155.0f, 205.0f) : Uniform(-25.0f, 25.0f));
      }
      break;
  }
  lastDecision = total;
}

// ---------------------------------------------------------------------------
// AC_Static

AC_Static::AC_Static(MediaParamT<unsigned>* size, MediaRectangle* rect) : size_(size), rect_(rect) {
  const float s = static_cast<float>(size->value);
  D3DXMatrixScaling(&scaling, s, s, s);
  translation = Translation(static_cast<float>(rect->extra1.value), static_cast<float>(rect->extra2.value), 0.0f);
  sizeControl_.Set(&AC_Static::OnSize, this);
  sizeControl_.Attach(size);
  rectControl_.Set(&AC_Static::OnRectangle, this);
  rectControl_.Attach(rect);
}

void AC_Static::Apply(DS_Frame* frame) { frame->world = scaling * frame->local * translation; }

void AC_Static::OnSize(unsigned size) {
  const float s = static_cast<float>(size);
  D3DXMatrixScaling(&scaling, s, s, s);
  SetEdges();
}

void AC_Static::OnRectangle() {
  translation = Translation(static_cast<float>(rect_->extra1.value), static_cast<float>(rect_->extra2.value), 0.0f);
  SetEdges();
}

void AC_Static::SetEdges() {
  // Computed in 64 bits: a hostile size or centre never overflows.
  const int64_t half = static_cast<int64_t>(size_->value / 2u);
  const int64_t cx = rect_->extra1.value, cy = rect_->extra2.value;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  rect_->left.SetValue(clamp(cx - half));
  rect_->right.SetValue(clamp(cx + half));
  rect_->top.SetValue(clamp(cy - half));
  rect_->bottom.SetValue(clamp(cy + half));
}

// ---------------------------------------------------------------------------
// AC_ClockArrow

float AC_ClockArrow::AngleAt(int32_t kind, int32_t hours, int32_t minutes, int32_t seconds) {
  if (kind == kMinute) return (static_cast<float>(seconds) / 60.0f + static_cast<float>(minutes)) * 6.0f;
  return (static_cast<float>(hours % 12) + static_cast<float>(minutes) / 60.0f) * 30.0f;
}

void AC_ClockArrow::Apply(DS_Frame* frame) {
  const CrtTimeOfDay now = crt_local_time();
  // Without a local time the hand rests at its last angle; the frame never
  // keeps a world matrix that its parent would multiply a second time.
  if (now.ok) lastAngle = AngleAt(kind, now.hours, now.minutes, now.seconds);
  frame->world = frame->local * RotationY(lastAngle);
}

// ---------------------------------------------------------------------------
// DS_ButterflyConstructor

namespace {

DS_Frame* NewFrame(const D3DXMATRIX& rest, DS_AnimationBase* controller) {
  auto* frame = new DS_Frame();
  frame->local = rest;
  frame->SetController(controller);
  return frame;
}

// Instance 0 at every root, instance 1 at every child of every root.
void AttachRootsAndChildren(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) {
  if (meshes.size() < 2) return;
  meshes[0].subFrames.assign(roots.begin(), roots.end());
  meshes[1].subFrames.clear();
  for (DS_Frame* root : roots)
    for (DS_Frame* child : root->children) meshes[1].subFrames.push_back(child);
}

}  // namespace

DS_ButterflyConstructor::DS_ButterflyConstructor() : bodyImage(6, u"common_res.dll") {
  meshLink.name = u"common_res.dll";
  meshLink.id = 69;
  size.value = 100u;
  flagByte = 1;
  for (UINTSclaleTo<float>& p : percentages) p.SetScaleOffset(1.0f, 0.0f, 50u);
}

DS_ButterflyConstructor::DS_ButterflyConstructor(const DS_ButterflyConstructor& other)
    : DS_3D_Obj_Ctrl(other),
      bodyImage(other.bodyImage),
      bodyMesh(other.bodyMesh),
      percentages{other.percentages[0], other.percentages[1]},
      wingScale(other.wingScale) {}

void DS_ButterflyConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  ReadFileLink3(ar, bodyImage);
  ReadFileLink3(ar, bodyMesh);
  for (UINTSclaleTo<float>& p : percentages) {
    uint32_t v = 0;
    ar.ReadUInt(&v);
    p.SetValue(v);
  }
  if (version >= 2) ar.ReadFloat(&wingScale);
  ReadObjCtrlRecord(ar);
}

void DS_ButterflyConstructor::LoadMeshes(std::vector<MeshInstance>& meshes) {
  meshes.clear();
  meshes.resize(2);
  meshes[0].LoadMesh(bodyMesh, bodyImage);
  meshes[1].LoadMesh(meshLink, imageLink);
  meshes[1].transparent = true;
}

void DS_ButterflyConstructor::AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) {
  AttachRootsAndChildren(roots, meshes);
}

DS_Frame* DS_ButterflyConstructor::CreateFrame() {
  D3DXMATRIX half, turn;
  D3DXMatrixScaling(&half, 0.5f, 0.5f, 0.5f);
  D3DXMatrixRotationY(&turn, D3DX_PI / 2.0f);
  auto* flight = new AC_Butterfly(this, &size);
  DS_Frame* root = NewFrame(half * turn, flight);
  D3DXMATRIX wing;
  D3DXMatrixScaling(&wing, wingScale, wingScale, wingScale);
  for (AC_ButterflyWing*& w : flight->wings) {
    w = new AC_ButterflyWing();
    root->children.push_back(NewFrame(wing, w));
  }
  return root;
}

// ---------------------------------------------------------------------------
// DS_ClockConstructor

DS_ClockConstructor::DS_ClockConstructor() : handImage(72, u"common_res.dll") {
  const RenderSettings& rs = GetRenderSettings();
  clockRect.extra1.value = static_cast<int32_t>(rs.pictureWidth / 2u);
  clockRect.extra2.value = static_cast<int32_t>(rs.pictureHeight / 2u);
  meshLink.name = u"common_res.dll";
  meshLink.id = 70;
  imageLink.name = u"common_res.dll";
  imageLink.id = 71;
  size.value = 400u;
  WatchFace();
}

DS_ClockConstructor::DS_ClockConstructor(const DS_ClockConstructor& other)
    : DS_3D_Obj_Ctrl(other), clockRect(other.clockRect), handImage(other.handImage) {
  WatchFace();
}

void DS_ClockConstructor::WatchFace() {
  faceControl_.Set(&DS_ClockConstructor::OnFaceChanged, this);
  faceControl_.Attach(&imageLink);
}

void DS_ClockConstructor::OnFaceChanged() {
  if (loaded && !loaded->empty()) (*loaded)[0].LoadMesh(meshLink, imageLink);
}

void DS_ClockConstructor::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  ReadMediaRectangle(ar, clockRect);
  ReadFileLink3(ar, handImage);
  ReadObjCtrlRecord(ar);
}

void DS_ClockConstructor::GetViewRect(QuadCorners* out) {
  out->Reset();
  const float l = static_cast<float>(clockRect.left.value), r = static_cast<float>(clockRect.right.value);
  const float t = static_cast<float>(clockRect.top.value), b = static_cast<float>(clockRect.bottom.value);
  const float xy[4][2] = {{l, b}, {l, t}, {r, b}, {r, t}};
  for (int i = 0; i < 4; ++i) {
    out->c[i].x = xy[i][0];
    out->c[i].y = xy[i][1];
  }
}

void DS_ClockConstructor::LoadMeshes(std::vector<MeshInstance>& meshes) {
  meshes.clear();
  meshes.resize(2);
  meshes[0].LoadMesh(meshLink, imageLink);
  meshes[1].LoadMesh(meshLink, handImage);
  meshes[0].transparent = meshes[1].transparent = true;
  loaded = &meshes;
}

void DS_ClockConstructor::AttachMeshes(std::list<DS_Frame*>& roots, std::vector<MeshInstance>& meshes) {
  AttachRootsAndChildren(roots, meshes);
}

DS_Frame* DS_ClockConstructor::CreateFrame() {
  D3DXMATRIX m, n;
  D3DXMatrixScaling(&m, 0.01f, 0.01f, 0.01f);
  D3DXMatrixRotationX(&n, D3DX_PI / 2.0f);
  DS_Frame* root = NewFrame(m * n, new AC_Static(&size, &clockRect));
  struct Hand {
    float length, offset;
    int32_t kind;
  };
  // Hour hand first, then the minute hand.
  for (const Hand& h : {Hand{0.3f, 10.0f, AC_ClockArrow::kHour}, Hand{0.38f, 13.0f, AC_ClockArrow::kMinute}}) {
    D3DXMatrixScaling(&m, 0.01f, 1.0f, h.length);
    D3DXMatrixTranslation(&n, 0.0f, 0.0f, h.offset);
    root->children.push_back(NewFrame(m * n, new AC_ClockArrow(h.kind)));
  }
  return root;
}
