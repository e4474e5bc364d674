#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/d3dx9/d3dx9_mesh.h"

namespace {

// Counts far beyond 32 bits, written as numbers of any size, are refused like
// any other count the data cannot hold.
TEST(XMeshCounts, HugeCountsAreRefused) {
  const std::string tri = "3; 0;0;0;, 1;0;0;, 0;1;0;; ";
  const std::string cases[] = {
      "xof 0303txt 0032 Mesh { 1e300; }",
      "xof 0303txt 0032 Mesh { 4294967296; 0;0;0;; }",
      "xof 0303txt 0032 Mesh { " + tri + "3.3e105; }",
      "xof 0303txt 0032 Mesh { " + tri + "1; 1e40;0,1,2;; }",
      "xof 0303txt 0032 Mesh { " + tri + "1; 3;0,1,2;; MeshNormals { 1e99; } }",
      "xof 0303txt 0032 Mesh { " + tri + "1; 3;0,1,2;; MeshTextureCoords { 1e30; } }",
      // Material lists: more materials than the list holds objects for.
      "xof 0303txt 0032 Mesh { " + tri + "1; 3;0,1,2;; MeshMaterialList { 4000000000; 1; 0;; } }",
      "xof 0303txt 0032 Mesh { " + tri +
          "1; 3;0,1,2;; MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
  };
  for (const std::string& c : cases) {
    ID3DXMesh* mesh = nullptr;
    DWORD materials = 0;
    EXPECT_FALSE(SUCCEEDED(D3DXLoadMeshFromXInMemory(c.data(), static_cast<DWORD>(c.size()), D3DXMESH_SYSTEMMEM,
                                                     nullptr, nullptr, nullptr, nullptr, &materials, &mesh)))
        << c;
    EXPECT_EQ(mesh, nullptr) << c;
    if (mesh) mesh->Release();
  }
}

TEST(XMeshCounts, MaterialListWithAsManyMaterialsAsItHoldsLoads) {
  const std::string c =
      "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; "
      "Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } } }";
  ID3DXMesh* mesh = nullptr;
  DWORD materials = 0;
  ASSERT_TRUE(SUCCEEDED(D3DXLoadMeshFromXInMemory(c.data(), static_cast<DWORD>(c.size()), D3DXMESH_SYSTEMMEM, nullptr,
                                                  nullptr, nullptr, nullptr, &materials, &mesh)));
  EXPECT_EQ(materials, 1u);
  mesh->Release();
}

}  // namespace
