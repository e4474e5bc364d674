#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9_mesh.h"

namespace {

// A unit cube centred at (1, 2, 3) by its frame: 8 corners, 6 quads, one
// normal per face, texture coordinates, two materials.
const char kCubeText[] = R"(xof 0303txt 0032
// comment
template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Material Red { 1.0;0.0;0.0;1.0;; 8.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; TextureFilename { "red.png"; } }
Frame Root {
  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }
  Mesh Cube {
    8;
    -0.5;-0.5;-0.5;, 0.5;-0.5;-0.5;, 0.5;0.5;-0.5;, -0.5;0.5;-0.5;,
    -0.5;-0.5;0.5;, 0.5;-0.5;0.5;, 0.5;0.5;0.5;, -0.5;0.5;0.5;;
    6;
    4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;2,3,7,6;, 4;1,2,6,5;, 4;0,4,7,3;;
    MeshNormals {
      6; 0;0;-1;, 0;0;1;, 0;-1;0;, 0;1;0;, 1;0;0;, -1;0;0;;
      6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
    }
    MeshTextureCoords { 8; 0;0;, 1;0;, 1;1;, 0;1;, 0;0;, 1;0;, 1;1;, 0;1;; }
    MeshMaterialList { 2; 6; 0,0,1,1,1,1;; { Red } Material { 0;0;1;1;; 4; 0;0;0;; 0;0;0;; } }
  }
}
)";

struct Loaded {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  DWORD materialCount = 0;
  HRESULT hr = E_FAIL;
  ~Loaded() {
    if (mesh) mesh->Release();
    if (materials) materials->Release();
    if (adjacency) adjacency->Release();
  }
};

void Load(const std::vector<uint8_t>& bytes, Loaded* out) {
  out->hr = D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_SYSTEMMEM, nullptr,
                                      &out->adjacency, &out->materials, nullptr, &out->materialCount, &out->mesh);
}

std::vector<uint8_t> Bytes(const char* text) { return std::vector<uint8_t>(text, text + std::strlen(text)); }

// The same cube as binary tokens.
struct BinaryWriter {
  std::vector<uint8_t> out;
  BinaryWriter() {
    const char head[] = "xof 0303bin 0032";
    out.assign(head, head + 16);
  }
  void U16(uint16_t v) { out.push_back(v & 0xFF), out.push_back(v >> 8); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
  }
  void Name(const std::string& n) {
    U16(1);
    U32(static_cast<uint32_t>(n.size()));
    out.insert(out.end(), n.begin(), n.end());
  }
  void Open() { U16(10); }
  void Close() { U16(11); }
  void Ints(const std::vector<uint32_t>& v) {
    U16(6);
    U32(static_cast<uint32_t>(v.size()));
    for (uint32_t x : v) U32(x);
  }
  void Floats(const std::vector<float>& v) {
    U16(7);
    U32(static_cast<uint32_t>(v.size()));
    for (float f : v) {
      uint32_t b;
      std::memcpy(&b, &f, 4);
      U32(b);
    }
  }
};

std::vector<uint8_t> BinaryPlane() {
  // A textured 2 x 2 plane at z = 0 made of two triangles.
  BinaryWriter w;
  w.Name("Mesh");
  w.Name("Plane");
  w.Open();
  w.Ints({4});
  w.Floats({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0});
  w.Ints({2, 3, 0, 1, 2, 3, 0, 2, 3});
  w.Name("MeshTextureCoords");
  w.Open();
  w.Ints({4});
  w.Floats({0, 1, 1, 1, 1, 0, 0, 0});
  w.Close();
  w.Close();
  return w.out;
}

TEST(XMesh, TextCubeLoadsWithSplitNormalsMaterialsAndFrameTransform) {
  Loaded l;
  Load(Bytes(kCubeText), &l);
  ASSERT_EQ(l.hr, S_OK);
  EXPECT_EQ(l.mesh->GetNumFaces(), 12u);      // six quads, two triangles each
  EXPECT_EQ(l.mesh->GetNumVertices(), 24u);   // each corner once per face normal
  EXPECT_EQ(l.mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  ASSERT_EQ(l.materialCount, 2u);
  auto* mats = static_cast<D3DXMATERIAL*>(l.materials->GetBufferPointer());
  EXPECT_FLOAT_EQ(mats[0].MatD3D.Diffuse.r, 1.0f);
  ASSERT_NE(mats[0].pTextureFilename, nullptr);
  EXPECT_STREQ(mats[0].pTextureFilename, "red.png");
  EXPECT_FLOAT_EQ(mats[1].MatD3D.Diffuse.b, 1.0f);
  EXPECT_EQ(mats[1].pTextureFilename, nullptr);

  DWORD* attr = nullptr;
  l.mesh->LockAttributeBuffer(0, &attr);
  EXPECT_EQ(attr[0], 0u);
  EXPECT_EQ(attr[11], 1u);
  l.mesh->UnlockAttributeBuffer();

  void* v = nullptr;
  l.mesh->LockVertexBuffer(0, &v);
  D3DXVECTOR3 center;
  float radius = 0;
  ASSERT_EQ(D3DXComputeBoundingSphere(static_cast<D3DXVECTOR3*>(v), 24, 32, &center, &radius), S_OK);
  l.mesh->UnlockVertexBuffer();
  EXPECT_NEAR(center.x, 1.0f, 1e-5);
  EXPECT_NEAR(center.y, 2.0f, 1e-5);
  EXPECT_NEAR(center.z, 3.0f, 1e-5);
  EXPECT_NEAR(radius, std::sqrt(0.75f), 1e-5);
}

TEST(XMesh, CloneComputeNormalsAndOptimizeKeepAUsableMesh) {
  Loaded l;
  Load(Bytes(kCubeText), &l);
  ASSERT_EQ(l.hr, S_OK);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(l.mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, nullptr, &clone), S_OK);
  ASSERT_EQ(D3DXComputeNormals(clone, nullptr), S_OK);
  ASSERT_EQ(clone->OptimizeInplace(D3DXMESHOPT_COMPACT | D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE,
                                   static_cast<DWORD*>(l.adjacency->GetBufferPointer()), nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(clone->GetNumFaces(), 12u);
  EXPECT_EQ(clone->GetNumVertices(), 24u);
  float* v = nullptr;
  clone->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  for (DWORD i = 0; i < clone->GetNumVertices(); ++i) {
    const float* n = v + i * 8 + 3;
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4);
  }
  clone->UnlockVertexBuffer();
  uint16_t* idx = nullptr;
  clone->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
  for (int i = 0; i < 36; ++i) EXPECT_LT(idx[i], 24);
  clone->UnlockIndexBuffer();
  DWORD ranges = 0;
  clone->GetAttributeTable(nullptr, &ranges);
  EXPECT_EQ(ranges, 2u);
  clone->Release();
}

TEST(XMesh, BinaryPlaneLoads) {
  Loaded l;
  Load(BinaryPlane(), &l);
  ASSERT_EQ(l.hr, S_OK);
  EXPECT_EQ(l.mesh->GetNumFaces(), 2u);
  EXPECT_EQ(l.mesh->GetNumVertices(), 4u);
  EXPECT_EQ(l.mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1));
  EXPECT_EQ(l.materialCount, 1u);
  float* v = nullptr;
  l.mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  EXPECT_FLOAT_EQ(v[3], 0.0f);  // u of the first corner
  EXPECT_FLOAT_EQ(v[4], 1.0f);  // v of the first corner
  l.mesh->UnlockVertexBuffer();
}

TEST(XMesh, DamagedDataFailsCleanly) {
  std::vector<std::vector<uint8_t>> bad = {
      {},
      Bytes("xof 0303txt 0032"),
      Bytes("xof 0303tzip0032 garbage"),
      Bytes("not an x file at all"),
      Bytes("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;; }"),           // fewer vertices than counted
      Bytes("xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,9;; }"),  // index out of range
      Bytes("xof 0303txt 0032 Mesh { 1000000000; 0; }"),
      Bytes("xof 0303txt 0032 Frame { Frame { Frame { "),
  };
  std::vector<uint8_t> cube = Bytes(kCubeText);
  for (size_t cut = 16; cut < cube.size(); cut += 37) bad.emplace_back(cube.begin(), cube.begin() + cut);
  std::vector<uint8_t> plane = BinaryPlane();
  for (size_t cut = 16; cut < plane.size(); cut += 5) bad.emplace_back(plane.begin(), plane.begin() + cut);
  for (const auto& b : bad) {
    Loaded l;
    Load(b, &l);
    EXPECT_TRUE(FAILED(l.hr)) << b.size();
    EXPECT_EQ(l.mesh, nullptr);
  }
  std::string deep = "xof 0303txt 0032 ";
  for (int i = 0; i < 10000; ++i) deep += "Frame {";
  Loaded l;
  Load(Bytes(deep.c_str()), &l);
  EXPECT_TRUE(FAILED(l.hr));
}

TEST(XMesh, CreateMeshRefusesWhatSixteenBitIndicesCannotHold) {
  ID3DXMesh* m = nullptr;
  EXPECT_TRUE(FAILED(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, nullptr, &m)));
  ASSERT_EQ(D3DXCreateMeshFVF(1, 70000, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DFVF_XYZ, nullptr, &m), S_OK);
  EXPECT_EQ(m->GetNumBytesPerVertex(), 12u);
  m->Release();
}

}  // namespace
