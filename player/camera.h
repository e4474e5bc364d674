#pragma once
// The slide camera: still, wandering between random points of the picture
// with a fixed zoom, or travelling back and forth along authored points. Each
// frame it writes its pan and zoom into the current render context; when the
// view changes it tells the context how much of the picture is visible.
#include <cstdint>
#include <vector>

#include "core/io_item.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_points.h"
#include "platform/d3dx9/d3dx9_math.h"
#include "player/file_links.h"
#include "player/quad_corners.h"

class DS_IOF_Archive;
struct TextureInfo;

// The camera's path: counted points, shared by copies of the camera.
class CameraPath : public MediaParam {
 public:
  using Points = std::vector<DS_SafePtr<DX_CamPathPnt>>;

  // A new point at the given point's position (sharing its attachment),
  // 5 s and 100 %; then the path notifies. Returns the new point.
  DX_CamPathPnt* AddPoint(const DX_SmartPnt& point, MediaControl* source = nullptr);
  // Removes the point (when held) and notifies.
  void RemovePoint(const DX_CamPathPnt* point, MediaControl* source = nullptr);

  Points points;
};

class DSM_Camera : public DS_IOF_Item {
 public:
  enum Mode : int32_t { kStill = 0, kWander = 1, kPath = 2 };

  DSM_Camera();
  DSM_Camera(const DSM_Camera&) = delete;
  DSM_Camera& operator=(const DSM_Camera&) = delete;

  // Slide-local time t; writes the render context's camera state.
  void Update(float t);
  // Records the picture size, derives the visible size and sets the view.
  void ApplyView(const QuadCorners& corners, const TextureInfo& picture, int fitMode, bool locked);
  void SetDefaultViewSize(uint32_t width, uint32_t height);
  // Restarts the motion from the picture centre (or the first path point).
  // Returns whether the camera was enabled before.
  bool Restart(int32_t enable, const QuadCorners& corners, const TextureInfo& picture);
  void NextSegment(float time);

  // The camera's record fields (after its class name and version).
  void ReadRecord(DS_IOF_Archive& ar, int32_t version);
  void CopyFrom(const DSM_Camera& other);

  // Easing fraction of the current segment at camera time; 0 for a segment
  // of no length, which holds the start position.
  float EaseAt(float time) const;
  // Zoom factor used for wandering; a factor that is not positive counts as 1.
  float WanderZoom() const;

  MediaParamT<int> mode{0};
  UINTSclaleTo<float> zoom;
  MediaSpeedParam speed;
  float step = 0.0f;
  float clock = 0.0f;
  float previousTime = 0.0f;
  int32_t enabled = 0;
  DS_ImageFileLink imageLink{6, u"common_res.dll"};
  MediaParamT<unsigned int> viewWidth{0u};
  MediaParamT<unsigned int> viewHeight{0u};
  CameraPath path;
  D3DXVECTOR3 startPosition{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 targetPosition{0.0f, 0.0f, 0.0f};
  float zoomStart = 1.0f;
  float zoomTarget = 1.0f;
  float segmentStart = 0.0f;
  float segmentEnd = 0.0f;
  uint32_t pictureWidth = 0;
  uint32_t pictureHeight = 0;
  // Index of the next path point; points.size() means past the end.
  uint32_t currentPoint = 0;
  bool forward = true;
};
