#include <gtest/gtest.h>

#include "platform/d3dx9/d3dx9_mesh.h"
#include "tests/platform/d3d9_fixture.h"

namespace {

// Two pre-transformed triangles: the left half of the target is subset 0,
// the right half subset 1.
struct V {
  float x, y, z, rhw;
  D3DCOLOR c;
};

class MeshDraw : public D3D9Test {
 protected:
  void MakeMesh() {
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_SYSTEMMEM, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, dev_, &mesh_), S_OK);
    V* v = nullptr;
    mesh_->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    const V verts[6] = {{0, 0, 0, 1, 0xFFFF0000}, {32, 0, 0, 1, 0xFFFF0000}, {0, 64, 0, 1, 0xFFFF0000},
                        {32, 0, 0, 1, 0xFF00FF00}, {64, 0, 0, 1, 0xFF00FF00}, {64, 64, 0, 1, 0xFF00FF00}};
    for (int i = 0; i < 6; ++i) v[i] = verts[i];
    mesh_->UnlockVertexBuffer();
    uint16_t* idx = nullptr;
    mesh_->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    for (uint16_t i = 0; i < 6; ++i) idx[i] = i;
    mesh_->UnlockIndexBuffer();
    DWORD* attr = nullptr;
    mesh_->LockAttributeBuffer(0, &attr);
    attr[0] = 0, attr[1] = 1;
    mesh_->UnlockAttributeBuffer();
  }
  void TearDown() override {
    if (mesh_) mesh_->Release();
    D3D9Test::TearDown();
  }
  ID3DXMesh* mesh_ = nullptr;
};

TEST_F(MeshDraw, SubsetsDrawOnlyTheirFacesAndFollowAttributeChanges) {
  MakeMesh();
  Begin();
  ASSERT_EQ(mesh_->DrawSubset(0), D3D_OK);
  End();
  EXPECT_TRUE(Near(Pixel(4, 40), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(60, 40), 0xFF000000));

  // Moving the right face into subset 0 draws it with subset 0 from then on.
  DWORD* attr = nullptr;
  mesh_->LockAttributeBuffer(0, &attr);
  attr[1] = 0;
  mesh_->UnlockAttributeBuffer();
  Begin();
  ASSERT_EQ(mesh_->DrawSubset(0), D3D_OK);
  ASSERT_EQ(mesh_->DrawSubset(7), D3D_OK);  // no faces: nothing drawn
  End();
  EXPECT_TRUE(Near(Pixel(4, 40), 0xFFFF0000));
  EXPECT_TRUE(Near(Pixel(60, 40), 0xFF00FF00));
}

}  // namespace
