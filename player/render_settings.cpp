// Window points to picture pixels: the inverse of the fitted picture and of
// the camera's zoom and pan.
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "player/render_context.h"

namespace {

// The camera block of the mapping: view scale, view offset, divisor and
// extra offsets; a still camera gives 1, 1, 0, 0, 1, 0, 0.
struct CameraBlock {
  float sx = 1.0f, sy = 1.0f;
  float ox = 0.0f, oy = 0.0f;
  float w = 1.0f;
  float ex = 0.0f, ey = 0.0f;
};

CameraBlock CurrentCameraBlock() {
  CameraBlock b;
  const RenderContext* rc = CurrentRenderContext();
  if (!rc || !rc->cameraMoving) return b;
  // The moving camera scales and pans the picture: p' = p x zoom + pan.
  const D3DXMATRIX& m = rc->camera;
  if (m._11 == 0.0f || m._22 == 0.0f) return b;
  b.sx = 1.0f / m._11;
  b.sy = 1.0f / m._22;
  b.ox = m._41 / m._11;
  b.oy = m._42 / m._22;
  return b;
}

}  // namespace

D3DXVECTOR3* RenderSettings::WindowToPicture(D3DXVECTOR3* out, float x, float y, float z) const {
  const float L = corners.c[0].x, T = corners.c[1].y, B = corners.c[2].y, R = corners.c[3].x;
  const float W = static_cast<float>(pictureWidth), H = static_cast<float>(pictureHeight);
  const CameraBlock c = CurrentCameraBlock();
  out->x = W * (x - L) / (R - L) * (c.sx / c.w) - (c.ox / c.w + c.ex);
  out->y = H * (y - T) / (B - T) * (c.sy / c.w) - (c.oy / c.w + c.ey);
  out->z = z;
  return out;
}
