#pragma once
// Four corners of a view or picture area in triangle-strip order:
// bottom-left, top-left, bottom-right, top-right (y grows downwards).

struct QuadCorner {
  float x = 0.0f;
  float y = 0.0f;
  float z = 1.0f;
  float u = 0.0f;
  float v = 0.0f;
};

struct QuadCorners {
  QuadCorner c[4];

  QuadCorners() { Reset(); }

  // Positions 0, z 1, uv (0,1) (0,0) (1,1) (1,0).
  void Reset() {
    static const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
      c[i].x = 0.0f;
      c[i].y = 0.0f;
      c[i].z = 1.0f;
      c[i].u = uv[i][0];
      c[i].v = uv[i][1];
    }
  }

  // The rectangle (0, 0)-(w, h) in strip order; z and uv keep their values.
  void SetRect(float w, float h) {
    c[0].x = 0.0f; c[0].y = h;
    c[1].x = 0.0f; c[1].y = 0.0f;
    c[2].x = w;    c[2].y = h;
    c[3].x = w;    c[3].y = 0.0f;
  }
};
