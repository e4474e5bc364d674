#pragma once
// The plain vector, matrix and colour records the device API passes around.
// Matrices are row-major with row vectors: v' = v x M, translation in _41.._43.
#include <cstdint>

struct D3DVECTOR {
  float x, y, z;
};

struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };
};
