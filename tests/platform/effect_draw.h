#pragma once
// Drawing with an effect as the engine does: Begin, every pass, End.
#include <gtest/gtest.h>

#include "platform/d3dx9/d3dx9_effect.h"

template <class Draw>
void DrawEachPass(ID3DXEffect* fx, Draw draw) {
  UINT passes = 0;
  ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
  for (UINT p = 0; p < passes; ++p) {
    ASSERT_EQ(fx->BeginPass(p), D3D_OK);
    draw();
    ASSERT_EQ(fx->EndPass(), D3D_OK);
  }
  ASSERT_EQ(fx->End(), D3D_OK);
}

// A primitive-up triangle strip of two triangles in the given format.
inline void DrawStrip(IDirect3DDevice9* dev, ID3DXEffect* fx, DWORD fvf, const void* vertices, UINT stride) {
  dev->SetFVF(fvf);
  DrawEachPass(fx, [&] { EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, vertices, stride), D3D_OK); });
}
