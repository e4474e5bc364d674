#include "player/camera.h"

#include <algorithm>
#include <cmath>

#include "core/archive.h"
#include "core/crt.h"
#include "core/thread_slots.h"
#include "player/render_context.h"
#include "player/texture_cache.h"

DX_CamPathPnt* CameraPath::AddPoint(const DX_SmartPnt& point, MediaControl* source) {
  DS_SafePtr<DX_CamPathPnt> added(new DX_CamPathPnt(point));
  points.push_back(added);
  Notify(source);
  return added.get();
}

void CameraPath::RemovePoint(const DX_CamPathPnt* point, MediaControl* source) {
  auto it = std::find_if(points.begin(), points.end(),
                         [point](const DS_SafePtr<DX_CamPathPnt>& p) { return p.get() == point; });
  if (it == points.end()) return;
  points.erase(it);
  Notify(source);
}

DSM_Camera::DSM_Camera() {
  zoom.SetScaleOffset(0.01f, 0.0f, 120u);
  speed.SetScaleOffset(0.02f, 0.0f, 50u);
}

float DSM_Camera::WanderZoom() const {
  float c = zoom.derived;
  return (c > 0.0f && std::isfinite(c)) ? c : 1.0f;
}

float DSM_Camera::EaseAt(float time) const {
  float length = segmentEnd - segmentStart;
  if (!(length > 0.0f)) return 0.0f;
  float e = (1.0f - std::cos(3.1415927f * (time - segmentStart) / length)) * 0.5f;
  return std::isfinite(e) ? e : 0.0f;
}

void DSM_Camera::Update(float t) {
  if (t < previousTime) previousTime = t;
  float dt = t - previousTime;
  previousTime = t;
  step = speed.derived * std::fmin(dt, 0.2f);
  clock += step;

  float z = 1.0f, x = 0.0f, y = 0.0f;
  const bool moving = mode.value != kStill && enabled == 1;
  if (moving) {
    if (clock >= segmentEnd) NextSegment(clock);
    float e = EaseAt(clock);
    x = startPosition.x + (targetPosition.x - startPosition.x) * e;
    y = startPosition.y + (targetPosition.y - startPosition.y) * e;
    if (mode.value == kPath && path.points.size() > 1) z = zoomStart + (zoomTarget - zoomStart) * e;
  }

  RenderContext* rc = CurrentRenderContext();
  if (!rc) return;
  rc->cameraMoving = moving;
  if (!moving) return;
  float hw = rc->visibleSize.x * 0.5f, hh = rc->visibleSize.y * 0.5f;
  D3DXMATRIX pan, toOrigin, scale, back;
  D3DXMatrixTranslation(&pan, hw - x, hh - y, 0.0f);
  D3DXMatrixTranslation(&toOrigin, -hw, -hh, 0.0f);
  D3DXMatrixScaling(&scale, z, z, 1.0f);
  D3DXMatrixTranslation(&back, hw, hh, 0.0f);
  rc->camera = pan * toOrigin * scale * back;
  rc->cameraOffset.x = static_cast<float>(pictureWidth) * 0.5f - x;
  rc->cameraOffset.y = static_cast<float>(pictureHeight) * 0.5f - y;
}

void DSM_Camera::NextSegment(float time) {
  const uint32_t W = pictureWidth, H = pictureHeight;
  if (mode.value == kWander) {
    startPosition = targetPosition;
    zoomStart = zoomTarget;
    segmentStart = time;
    if (crt_rand() % 2 == 0) {
      segmentEnd = segmentStart + 0.5f;
      return;
    }
    const float c = WanderZoom();
    float r = crt_rand01();
    targetPosition.x = ((2.0f * r - 1.0f) * (1.0f - c) / c + 1.0f) * static_cast<float>(W) * 0.5f;
    r = crt_rand01();
    targetPosition.y = ((2.0f * r - 1.0f) * (1.0f - c) / c + 1.0f) * static_cast<float>(H) * 0.5f;
    r = crt_rand01();
    segmentEnd = 2.0f * r + 5.0f + segmentStart;
    return;
  }
  startPosition = targetPosition;
  zoomStart = zoomTarget;
  segmentStart = time;
  const auto& pts = path.points;
  if (mode.value != kPath || pts.size() < 2 || currentPoint >= pts.size()) return;
  float d = 0.0f;
  if (forward) {
    d = pts[currentPoint]->duration.value;
    ++currentPoint;
  } else {
    if (currentPoint == 0) currentPoint = 1;  // only when the path changed under us
    --currentPoint;
    d = pts[currentPoint]->duration.value;
  }
  segmentEnd = time + d;
  if (currentPoint >= pts.size()) {
    forward = false;
    currentPoint = static_cast<uint32_t>(pts.size() - 2);
    segmentEnd = time + pts[currentPoint]->duration.value;
  }
  if (currentPoint == 0) forward = true;
  const DX_CamPathPnt& p = *pts[currentPoint];
  targetPosition = p.value;
  zoomTarget = static_cast<float>(p.zoom.value) * 0.01f;
}

void DSM_Camera::ApplyView(const QuadCorners& corners, const TextureInfo& picture, int fitMode, bool locked) {
  pictureWidth = picture.width;
  pictureHeight = picture.height;
  uint32_t visibleWidth = picture.width, visibleHeight = picture.height;
  if (enabled != 0 && fitMode != kFitOffscreenStretch) {
    if (mode.value == kWander) {
      const float c = WanderZoom();
      visibleWidth = static_cast<uint32_t>(static_cast<float>(picture.width) / c);
      visibleHeight = static_cast<uint32_t>(static_cast<float>(picture.height) / c);
    } else if (mode.value == kPath) {
      // Older records store no view: the path then shows what a new camera
      // would, rather than an empty view that draws nothing.
      if (viewWidth.value == 0 || viewHeight.value == 0) SetDefaultViewSize(picture.width, picture.height);
      visibleWidth = viewWidth.value;
      visibleHeight = viewHeight.value;
    }
  }
  if (RenderContext* rc = CurrentRenderContext())
    rc->SetView(corners, picture.width, picture.height, visibleWidth, visibleHeight, fitMode, locked);
}

void DSM_Camera::SetDefaultViewSize(uint32_t width, uint32_t height) {
  viewWidth.SetValue(static_cast<unsigned int>(static_cast<float>(width) * 0.8f));
  viewHeight.SetValue(static_cast<unsigned int>(static_cast<float>(height) * 0.8f));
}

bool DSM_Camera::Restart(int32_t enable, const QuadCorners& corners, const TextureInfo& picture) {
  const bool wasEnabled = enabled == 1;
  enabled = enable;
  segmentStart = segmentEnd = 0.0f;
  zoomStart = zoomTarget = 1.0f;
  startPosition = targetPosition =
      D3DXVECTOR3(static_cast<float>(pictureWidth) * 0.5f, static_cast<float>(pictureHeight) * 0.5f, 0.0f);
  currentPoint = 0;
  if (mode.value == kPath && !path.points.empty()) {
    const DX_CamPathPnt& first = *path.points.front();
    startPosition = targetPosition = first.value;
    zoomStart = zoomTarget = static_cast<float>(first.zoom.value) * 0.01f;
  }
  forward = true;
  RenderContext* rc = CurrentRenderContext();
  ApplyView(corners, picture, rc ? rc->fitMode : kFitLetterbox, false);
  return wasEnabled;
}

void DSM_Camera::ReadRecord(DS_IOF_Archive& ar, int32_t version) {
  if (version >= 3) {
    uint32_t m = 0, w = 0, h = 0;
    ar.ReadUInt(&m);
    ar.ReadUInt(&w);
    ar.ReadUInt(&h);
    mode.value = static_cast<int>(m);
    viewWidth.value = w;
    viewHeight.value = h;
    // Stored signed: a negative count is no points. A point record takes at
    // least 20 bytes.
    uint32_t n = ar.ReadSignedCount(20);
    path.points.clear();
    for (uint32_t i = 0; i < n; ++i) {
      DS_SafePtr<DX_CamPathPnt> point;
      ReadCamPathPoint(ar, point);
      path.points.push_back(point);
    }
  } else {
    uint32_t flag = 0;
    ar.ReadUInt(&flag);
    mode.value = flag != 0 ? kWander : kStill;
  }
  uint32_t z = zoom.value, s = speed.value;
  ar.ReadUInt(&z);
  ar.ReadUInt(&s);
  zoom.SetValue(z);
  speed.SetValue(s);
  if (version >= 2) ReadFileLink3(ar, imageLink);
}

void DSM_Camera::CopyFrom(const DSM_Camera& other) {
  mode.SetValue(other.mode.value);
  zoom.SetScaleOffset(other.zoom.scale, other.zoom.offset, other.zoom.value);
  speed.SetScaleOffset(other.speed.scale, other.speed.offset, other.speed.value);
  viewWidth.SetValue(other.viewWidth.value);
  viewHeight.SetValue(other.viewHeight.value);
  step = other.step;
  clock = other.clock;
  previousTime = other.previousTime;
  enabled = other.enabled;
  imageLink.name = other.imageLink.name;
  imageLink.id = other.imageLink.id;
  path.points = other.path.points;
  startPosition = other.startPosition;
  targetPosition = other.targetPosition;
  zoomStart = other.zoomStart;
  zoomTarget = other.zoomTarget;
  segmentStart = other.segmentStart;
  segmentEnd = other.segmentEnd;
  pictureWidth = other.pictureWidth;
  pictureHeight = other.pictureHeight;
  currentPoint = other.currentPoint;
  forward = other.forward;
}
