#include "scene/single_objects.h"

#include <cmath>

#include "core/archive.h"
#include "core/smart_points.h"

namespace {

// The clocks are copied with the speeds: a clone goes on where its model was.
void CopyClock(MediaSpeedParam& to, const MediaSpeedParam& from) {
  to.step = from.step;
  to.elapsed = from.elapsed;
  to.last_time = from.last_time;
}

const ImageFrameSet& ImageOrNone(const ClassicParticleParams& params) {
  static const ImageFrameSet kNone;
  const ImageFrameSet* image = params.FirstImage();
  return image ? *image : kNone;
}

}  // namespace

bool ReadSingleParticleRecord(DS_IOF_Archive& ar, ZVI_SingleParticle& object) {
  ReadMediaQuad(ar, object.quad);
  return object.ReadNestedRecord(ar);
}

// ---- static object

ZVI_StaticObject::ZVI_StaticObject() { rotationSpeed.SetScaleOffset(0.4f, 0.0f, 1u); }

ZVI_StaticObject::ZVI_StaticObject(const ZVI_StaticObject& other)
    : ZVI_SingleParticle(other), rotationSpeed(other.rotationSpeed), clockwise(other.clockwise), angle(other.angle) {
  CopyClock(rotationSpeed, other.rotationSpeed);
}

void ZVI_StaticObject::UpdateParticles(float t) {
  params.AdvanceTime(t);
  ZVI_ParticleSystemMech::Batch* batch = runtime ? runtime->BatchAt(0) : nullptr;
  if (batch && batch->vertexBuffer && batch->vertexCount >= 4) {
    if (DX_V::PCT* v = batch->LockVertices()) {
      runtime->SetQuadColor(timing.Current()->GetVisibility(), v);
      batch->Unlock();
    }
  }
  if (rotationSpeed.value > 0) {
    rotationSpeed.Advance(t);
    angle += clockwise.value == 0 ? rotationSpeed.step : -rotationSpeed.step;
  } else {
    angle = 0.0f;
  }
  if (batch) {
    const D3DXMATRIX m = RotationMatrix();
    batch->Update(&m);
  }
}

D3DXMATRIX ZVI_StaticObject::RotationMatrix() const {
  const D3DXVECTOR3& c0 = quad.corners[0].value;
  const D3DXVECTOR3& c3 = quad.corners[3].value;
  const float cx = (c0.x + c3.x) / 2.0f, cy = (c0.y + c3.y) / 2.0f;
  D3DXMATRIX to, turn, back, m;
  D3DXMatrixTranslation(&to, -cx, -cy, 0.0f);
  const D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f);
  D3DXMatrixRotationAxis(&turn, &axis, angle * 2.0f * 3.1415927f / 360.0f);
  D3DXMatrixTranslation(&back, cx, cy, 0.0f);
  D3DXMatrixMultiply(&m, &to, &turn);
  D3DXMatrixMultiply(&m, &m, &back);
  return m;
}

bool ZVI_StaticObject::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  rotationSpeed.Read(ar);
  ar.ReadInt(&clockwise.value);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ReadSingleParticleRecord(ar, *this);
}

// ---- objects on a path

void ZVI_ParticlePathCtrl::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticleSystemCtrl::Prepare(runtimeObject);
  path.Resample();
  ResetTravel();
}

void ZVI_ParticlePathCtrl::ResetTravel() {
  path.travel_distance = 0.0f;
  path.current_index = 0;
  path.direction_flag = 1;
  path.travel_direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

bool ZVI_ParticlePathCtrl::ReadPathRecord(DS_IOF_Archive& ar, int32_t) {
  ReadSmartPoints(ar, path.points);
  return ReadNestedRecord(ar);
}

ZVI_SigleObjectPath::ZVI_SigleObjectPath() { speed.SetScaleOffset(0.1f, 0.0f, 1u); }

ZVI_SigleObjectPath::ZVI_SigleObjectPath(const ZVI_SigleObjectPath& other)
    : ZVI_ParticlePathCtrl(other), speed(other.speed), orientation(other.orientation) {
  CopyClock(speed, other.speed);
}

void ZVI_SigleObjectPath::Prepare(ZVI_ParticleSystemMech* runtimeObject) {
  ZVI_ParticlePathCtrl::Prepare(runtimeObject);
  if (!runtimeObject) return;
  runtimeObject->SizeBatches(1);
  runtimeObject->PrepareBatch(0, 1, ImageOrNone(params), params);
}

void ZVI_SigleObjectPath::PlaceQuad(const D3DXVECTOR3& p, const D3DXVECTOR3& d, float w, float h,
                                    DX_V::PCT* quad) const {
  D3DXVECTOR3 a1(1.0f, 0.0f, 0.0f), a2(0.0f, 1.0f, 0.0f);
  switch (orientation.value) {
    case 1:
      a1 = d;
      a2 = D3DXVECTOR3(d.y, -d.x, 0.0f);
      break;
    case 2:
      if (d.x < 0.0f) a1 = D3DXVECTOR3(-1.0f, 0.0f, 0.0f);
      break;
    case 3:
      if (d.y > 0.0f) a2 = D3DXVECTOR3(0.0f, -1.0f, 0.0f);
      break;
    default:
      break;
  }
  const D3DXVECTOR3 U = a1 * (w / 2.0f), V = a2 * (h / 2.0f);
  const D3DXVECTOR3 c[4] = {p - U + V, p - U - V, p + U + V, p + U - V};
  for (int i = 0; i < 4; ++i) quad[i].x = c[i].x, quad[i].y = c[i].y, quad[i].z = c[i].z;
}

void ZVI_SigleObjectPath::UpdateParticles(float t) {
  systemSpeed.Advance(t);
  params.AdvanceTime(t);
  ZVI_ParticleSystemMech::Batch* batch = runtime ? runtime->BatchAt(0) : nullptr;
  if (!batch || !batch->vertexBuffer || batch->vertexCount < 4) return;
  DX_V::PCT* v = batch->LockVertices();
  if (!v) return;
  path.travel_distance += speed.derived;
  if (!std::isfinite(path.travel_distance)) path.travel_distance = 0.0f;
  D3DXVECTOR3 p(0.0f, 0.0f, 0.0f);
  path.TravelPoint(&p);
  const ImageFrameSet& image = ImageOrNone(params);
  const float s = static_cast<float>(params.particleSize.value) / 100.0f;
  PlaceQuad(p, path.travel_direction, static_cast<float>(image.imageWidth) * s,
            static_cast<float>(image.imageHeight) * s, v);
  runtime->SetQuadColor(1.0f, v);
  batch->Unlock();
  runtime->WriteTexCoords(0, image, params);
}

bool ZVI_SigleObjectPath::ReadRecord(DS_IOF_Archive& ar, int32_t) {
  speed.Read(ar);
  ar.ReadInt(&orientation.value);
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  return ReadPathRecord(ar, version);
}
