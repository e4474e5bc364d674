#pragma once
// Geometric values: angles, directions, emission sectors, quads and clickable
// rectangles, each an observable parameter that keeps its derived geometry
// current.
#include <cstdint>

#include "core/math_routines.h"
#include "core/media_param.h"
#include "platform/d3dx9/d3dx9_math.h"

class DS_IOF_Archive;

// Whole degrees; turns clockwise on screen (rotation about z by -angle).
class ZVI_SmartAngle : public MediaParamT<unsigned int> {
 public:
  ZVI_SmartAngle();
  // Takes the source's degrees only.
  explicit ZVI_SmartAngle(const MediaParamT<unsigned int>& other);
  ZVI_SmartAngle(const ZVI_SmartAngle& other);
  ZVI_SmartAngle& operator=(const ZVI_SmartAngle& other);

  void Recompute();

  float radians = 0.0f;
  D3DXMATRIX rotation;
  D3DXMATRIX inverseRotation;
  D3DXVECTOR4 direction;
  SmartCalbackCtrl<ZVI_SmartAngle> recompute{&ZVI_SmartAngle::Recompute, this};
};

// Whole degrees; turns the other way from ZVI_SmartAngle (about z by +angle).
class MediaDirection : public MediaParamT<unsigned int> {
 public:
  MediaDirection();
  explicit MediaDirection(const MediaParamT<unsigned int>& other);
  MediaDirection(const MediaDirection& other);
  MediaDirection& operator=(const MediaDirection& other);

  // Also called by owners after storing the degrees without notification.
  void Recompute();

  D3DXVECTOR4 direction;
  D3DXVECTOR4 normal;
  D3DXMATRIX rotation;
  SmartCalbackCtrl<MediaDirection> recompute{&MediaDirection::Recompute, this};
};

// A direction with a spread in degrees from which random directions are drawn.
class MediaSector : public MediaDirection {
 public:
  MediaSector() = default;
  MediaSector(const MediaSector& other) = default;
  MediaSector& operator=(const MediaSector& other) = default;

  // (1, 0, 0) turned by 360 - (direction + offset) degrees, the offset drawn
  // uniformly in [-spread, +spread] with one crt_rand(). The result turns
  // clockwise where the sector's own direction vector turns counter-clockwise.
  D3DXVECTOR3 RandomDirection() const;

  MediaParamT<unsigned int> spread{0u};
};

// Four corners; corners 0 and 3 are opposite corners of the rectangle.
class MediaQuad : public MediaParam {
 public:
  // Copies keep the corner values, each with its own empty control list.
  MediaQuad() = default;
  MediaQuad(const MediaQuad& other) = default;
  MediaQuad& operator=(const MediaQuad& other) = default;

  // Corners (c.x -+ w/2, c.y -+ h/2, c.z) in the order (-,-), (-,+), (+,-),
  // (+,+); nobody is notified.
  void SetCentredRect(float width, float height, const D3DXVECTOR3& centre);
  void SetCentredRect(const D3DXVECTOR3& centre, float width, float height) {
    SetCentredRect(width, height, centre);
  }

  MediaParamTB<D3DXVECTOR3> corners[4];
};

// Twelve floats (x, y, z of corners 0..3), stored without notification.
void ReadMediaQuad(DS_IOF_Archive& ar, MediaQuad& quad);
void WriteMediaQuad(DS_IOF_Archive& ar, const MediaQuad& quad);

// Where the current render context's two window-to-scene matrices (its inverse
// view and its spare matrix) come from. The render context installs it for
// its thread; while none is installed both are the identity.
using HitTestMatricesSource = void (*)(D3DXMATRIX* inverseView, D3DXMATRIX* spare);
void SetHitTestMatricesSource(HitTestMatricesSource source);
// Both matrices as the installed source gives them (identity without one).
void GetHitTestMatrices(D3DXMATRIX* inverseView, D3DXMATRIX* spare);

// A clickable area in scene units.
class MediaRectangle : public MediaParam {
 public:
  MediaRectangle() = default;
  MediaRectangle(const MediaRectangle& other) = default;
  MediaRectangle& operator=(const MediaRectangle& other) = default;

  // The client point (x, y, 0, 1) taken to the scene through the current
  // render context's matrices, tested against the edges (bounds inclusive).
  bool HitTest(float x, float y) const;
  bool HitTest(float x, float y, const D3DXMATRIX& inverseView, const D3DXMATRIX& spare) const;

  MediaParamT<int> left{0};
  MediaParamT<int> right{0};
  MediaParamT<int> top{0};
  MediaParamT<int> bottom{0};
  MediaParamTB<int> extra1{0};
  MediaParamTB<int> extra2{0};
};

// Six raw 4-byte words (left, right, top, bottom, the two further integers),
// stored without notification.
void ReadMediaRectangle(DS_IOF_Archive& ar, MediaRectangle& rect);
void WriteMediaRectangle(DS_IOF_Archive& ar, const MediaRectangle& rect);
