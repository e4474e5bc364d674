// The node-tree slide: root point -> picture node (glow on) fed by a grid of
// fixed spots on a band about the root; the dot is a small stored picture.
#include "tools/sample/sample_nodes.h"

#include <cmath>
#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include "tools/writer/geometry_writer.h"
#include "tools/writer/nodes_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/sources_writer.h"

namespace sample {

const NodeGlowSlide& LanternSlide() {
  static const NodeGlowSlide slide{};
  return slide;
}

// Deep blue dusk, a little lighter towards the bottom.
Rgb LanternColour(float x, float y, float w, float h) {
  const float u = x / w, v = y / h;
  return {20.0f + 20.0f * u, 24.0f + 16.0f * v, 60.0f + 40.0f * v};
}

namespace {

constexpr char16_t kDotName[] = u"lantern_dot.png";

// A 16 x 16 white disc, opaque to 5 px from the centre, soft to 8 px.
std::vector<uint8_t> DotPicture() {
  constexpr int n = 16;
  std::vector<uint8_t> rgba(n * n * 4);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const float dx = x + 0.5f - n * 0.5f, dy = y + 0.5f - n * 0.5f;
      const float r = std::sqrt(dx * dx + dy * dy);
      const float a = r <= 5.0f ? 1.0f : (r >= 8.0f ? 0.0f : (8.0f - r) / 3.0f);
      uint8_t* p = &rgba[(y * n + x) * 4];
      p[0] = p[1] = p[2] = 255;
      p[3] = static_cast<uint8_t>(std::lround(255.0f * a));
    }
  std::vector<uint8_t> png;
  stbi_write_png_to_func(
      [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        const auto* bytes = static_cast<const uint8_t*>(data);
        out->insert(out->end(), bytes, bytes + size);
      },
      &png, n, n, 4, rgba.data(), n * 4);
  return png;
}

void WriteLanterns(pw::ByteBuilder& b) {
  const NodeGlowSlide& s = LanternSlide();
  pw::TextureSourceRecord dot;
  dot.block.links = {{kDotName, 0}};
  dot.block.currentName = kDotName;
  pw::ByteBuilder source;
  pw::WriteTextureSource(source, dot);

  // The spots lie on a band centred on the root (the picture node places its
  // particles relative to their parent).
  pw::ByteBuilder band;
  pw::WriteVGeom2DRect(band, s.bandWidth, s.bandHeight);
  pw::SpotsRecord spots;
  spots.rows = 1;
  spots.columns = s.columns;
  spots.lifetime = 20;  // two seconds a cycle

  pw::PictureRecord picture;
  pw::WriteAlerterTextureSource(picture.texture, source, 100, 0);
  picture.particleSize = s.dotSize;
  picture.glow.enabled = 1;
  picture.glow.colour = s.glowColour;
  picture.glow.quality = 75;  // a quarter-size target: a wide, soft halo
  picture.glow.blurPasses = 2;
  pw::WriteFixedSpots(picture.physics, 2, spots, band);
  picture.base.name = u"Lanterns";

  pw::NodeBaseRecord root;
  root.name = u"Root";
  root.children.emplace_back();
  pw::WritePictureNode(root.children.back(), picture);
  pw::RootRecord at;
  at.position = {s.rootX, s.rootY, 0.0f};
  pw::ByteBuilder rootPoint;
  pw::WriteRootPnt(rootPoint, 3, at);
  pw::NodeSystemRecord system;
  pw::WriteRootNode(system.root, rootPoint, root);
  system.object.name = u"Lanterns";
  pw::WriteNodeSystemBuilder(b, system);
}

}  // namespace

void AddNodeSlides(Description& d) {
  const NodeGlowSlide& s = LanternSlide();
  Slide slide;
  slide.name = s.name;
  slide.picture = {u"lanterns.png", s.width, s.height, LanternColour};
  slide.fadeIn = 0.5f;
  slide.show = 2.0f;
  slide.fadeOut = 0.5f;
  slide.objects.push_back(WriteLanterns);
  d.slides.push_back(slide);
  d.storedRawFrames.push_back({kDotName, 0, {{1, DotPicture(), 0.0f}}});
}

}  // namespace sample
