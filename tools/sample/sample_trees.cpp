// The sample's tree-structured system: on a dusky green picture a stem at
// the centre releases particles in every direction, and a leaf rides on each
// of them as a soft yellow dot; a row of pulsing dots and a fan of sparks
// share the root.
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

namespace {

// A leaf of soft dots (the pack's picture 6001) of one colour.
pw::TreeLeafRecord Dots(uint32_t size, uint32_t colour, uint32_t blendMode) {
  pw::TreeLeafRecord leaf;
  pw::ByteBuilder source;
  pw::TextureSourceRecord image;
  image.block.links = {{u"common_res.dll", 6001}};
  image.block.currentName = u"common_res.dll";
  image.block.currentId = 6001;
  pw::WriteTextureSource(source, image);
  pw::WriteAlerterTextureSource(leaf.texture, source, 100, 0);
  leaf.quadSize = size;
  leaf.colours.colours = {colour};
  leaf.blendMode = blendMode;
  return leaf;
}

}  // namespace

void AddTreeSlide(Description& d) {
  Slide grove;
  grove.name = u"Grove";
  grove.picture = {u"grove.png", 920, 430, GroveColour};
  grove.fadeIn = 0.5f;
  grove.show = 2.5f;
  grove.fadeOut = 0.5f;
  grove.objects.push_back([](pw::ByteBuilder& b) {
    const TreeGrove& g = Grove();
    pw::TreeRootRecord root;
    root.x = g.x;
    root.y = g.y;
    root.object.name = u"Grove tree";
    pw::GeometryRecord onParent;
    onParent.sizeValue = 100;
    pw::ForcesRecord still;
    still.drag = 0;

    // The scattering stem and its leaves.
    pw::EmitterRecord emitter;
    emitter.lifetime = g.life;
    emitter.count = 12;
    emitter.duration = 1.0f;
    emitter.speed = static_cast<uint32_t>(g.speed);
    emitter.geometry.sizeValue = 100;
    pw::ByteBuilder dot;  // the emitter's figure: a point-sized rectangle
    pw::WriteVFigureRect(dot, 1, 1);
    pw::TreeNodeRecord stem;
    stem.name = u"Stem";
    pw::WriteEmitSector(stem.geometry, 2, 0, 360, still, emitter, dot);  // all round
    pw::TreeLeafRecord leaf = Dots(g.leafSize, 0x0040F0FFu, 1);  // warm yellow, added
    pw::WriteGeomPoint(leaf.node.geometry, onParent);
    leaf.node.name = u"Leaves";
    pw::WriteTreeLeaf(stem.children.emplace_back(), leaf);
    pw::WriteTreeStem(root.children.emplace_back(), stem);

    // The pulsing row: one row of cells over a band as wide as the row.
    pw::ByteBuilder band;
    pw::WriteVFigureRect(band, static_cast<uint32_t>(g.cellStep * static_cast<float>(g.cells)), 40);
    pw::GeometryRecord cells;
    cells.sizeValue = 100;
    cells.position = {0.0f, g.rowBelow, 0.0f};
    cells.sizeSwingMode = 1;  // harmonic, from 0 to full size
    cells.sizeSwing = 100;
    cells.sizeSwingRate = 40;
    pw::TreeLeafRecord row = Dots(g.cellSize, 0x00FFD0A0u, 0);  // pale blue
    // One whole wave along the row: the phase grows by 360 / cells degrees a cell.
    pw::WriteSourceGroup(row.node.geometry, 1, static_cast<uint32_t>(g.cells), 0, 0, 360, band, cells);
    row.node.name = u"Row";
    pw::WriteTreeLeaf(root.children.emplace_back(), row);

    // The fan of sparks.
    pw::EmitterRecord sparks;
    sparks.lifetime = g.sparkLife;
    sparks.count = 30;
    sparks.duration = 1.0f;
    sparks.speed = static_cast<uint32_t>(g.sparkSpeed);
    sparks.geometry.sizeValue = 100;
    pw::TreeNodeRecord fan;
    fan.name = u"Sparks";
    pw::WriteEmitStream(fan.geometry, {g.streamX, g.streamY, 0.0f}, {g.streamX + 40.0f, g.streamY, 0.0f}, 0, 40, 0,
                        sparks, dot);
    pw::TreeLeafRecord spark = Dots(12, 0x002080FFu, 1);  // orange, added
    pw::WriteGeomPoint(spark.node.geometry, onParent);
    pw::WriteTreeLeaf(fan.children.emplace_back(), spark);
    pw::WriteTreeStem(root.children.emplace_back(), fan);

    pw::WriteTreeRoot(b, root);
  });
  d.slides.push_back(grove);
}

}  // namespace sample
