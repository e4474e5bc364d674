// The sample's tree-structured system: on a dusky green picture a stem at
// the centre releases particles in every direction, and a leaf rides on each
// of them as a soft yellow dot.
#include "tools/sample/sample_trees.h"

#include "tools/writer/geometry_emitters_writer.h"
#include "tools/writer/render_writer.h"
#include "tools/writer/tree_writer.h"

namespace sample {

const TreeGrove& Grove() {
  static const TreeGrove grove{};
  return grove;
}

// Grove: dark green, lighter towards the bottom.
Rgb GroveColour(float x, float y, float w, float h) {
  const float v = y / h;
  return {20.0f + 10.0f * x / w, 50.0f + 50.0f * v, 35.0f};
}

void AddTreeSlide(Description& d) {
  Slide grove;
  grove.name = u"Grove";
  grove.picture = {u"grove.png", 920, 430, GroveColour};
  grove.fadeIn = 0.5f;
  grove.show = 3.0f;
  grove.fadeOut = 0.5f;
  grove.objects.push_back([](pw::ByteBuilder& b) {
    const TreeGrove& g = Grove();
    pw::GeometryRecord onParent;
    onParent.sizeValue = 100;
    pw::TreeLeafRecord leaf;
    pw::ByteBuilder source;
    pw::TextureSourceRecord image;
    image.block.links = {{u"common_res.dll", 6001}};
    image.block.currentName = u"common_res.dll";
    image.block.currentId = 6001;
    pw::WriteTextureSource(source, image);
    pw::WriteAlerterTextureSource(leaf.texture, source, 100, 0);
    leaf.quadSize = g.leafSize;
    leaf.colours.colours = {0x0040F0FFu};  // warm yellow
    leaf.blendMode = 1;                    // added over the picture
    pw::WriteGeomPoint(leaf.node.geometry, onParent);
    leaf.node.name = u"Leaves";

    pw::EmitterRecord emitter;
    emitter.lifetime = g.life;
    emitter.count = 12;
    emitter.duration = 1.0f;
    emitter.speed = static_cast<uint32_t>(g.speed);
    emitter.geometry.sizeValue = 100;
    pw::ForcesRecord still;
    still.drag = 0;
    pw::ByteBuilder dot;  // the emitter's figure: a point-sized rectangle
    pw::WriteVFigureRect(dot, 1, 1);
    pw::TreeNodeRecord stem;
    stem.name = u"Stem";
    pw::WriteEmitSector(stem.geometry, 2, 0, 180, still, emitter, dot);
    pw::WriteTreeLeaf(stem.children.emplace_back(), leaf);

    pw::TreeRootRecord root;
    root.x = g.x;
    root.y = g.y;
    pw::WriteTreeStem(root.children.emplace_back(), stem);
    root.object.name = u"Grove tree";
    pw::WriteTreeRoot(b, root);
  });
  d.slides.push_back(grove);
}

}  // namespace sample
