#pragma once
// The sample's node-tree slide: a root point at the middle of a dusky
// picture holds a picture node whose point group places glowing dots in a
// row across the picture.
#include <cstdint>

#include "tools/sample/sample_project.h"

namespace sample {

struct NodeGlowSlide {
  const char16_t* name = u"Lanterns";
  uint32_t width = 920, height = 430;      // the picture, shown whole in the 460 x 215 window
  float rootX = 460.0f, rootY = 215.0f;    // root point: the picture centre
  uint32_t columns = 3;                    // dots in one row across a band
  uint32_t bandWidth = 600, bandHeight = 60;
  uint32_t dotSize = 48;                   // picture pixels
  uint32_t glowColour = 0x0000C8FFu;       // 0x00BBGGRR: warm amber
  // Centre of dot i (0 .. columns - 1) in picture pixels.
  float DotX(uint32_t i) const {
    return rootX - bandWidth * 0.5f + (2.0f * i + 1.0f) * bandWidth * 0.5f / static_cast<float>(columns);
  }
  float DotY() const { return rootY; }
};

const NodeGlowSlide& LanternSlide();

// On the same slide, a collapsed group travelling a straight curve holds a
// node system whose line node draws one cyan ribbon from its root.
struct NodeRibbon {
  float curveStart[2] = {100.0f, 340.0f};  // the group's offset and root point
  float curveEnd[2] = {500.0f, 340.0f};
  uint32_t pathPosition = 50;  // percent of the curve: (300, 340)
  uint32_t length = 100, width = 20;
  uint32_t tint = 0x00FFFF00u;  // 0x00BBGGRR: cyan
  // The ribbon's start in picture pixels.
  float StartX() const { return curveStart[0] + (curveEnd[0] - curveStart[0]) * pathPosition / 100.0f; }
  float Y() const { return curveStart[1]; }
};
const NodeRibbon& LanternRibbon();

// A comet on the lantern system's root: a trace node whose particle runs
// right along a straight track at constant speed, a white dot on it, and an
// orange band left behind by its trail.
struct NodeComet {
  float startX = 120.0f, endX = 800.0f, y = 90.0f;  // picture pixels
  uint32_t speed = 200;                             // picture pixels a second
  uint32_t trailLife = 10;                          // tenths of a second
  uint32_t bandWidth = 24;                          // picture pixels
  uint32_t headSize = 32;
  uint32_t colour = 0x002080FFu;  // 0x00BBGGRR: orange
};
const NodeComet& LanternComet();

// A second node system: an exploding picture node on its own root shows a
// 32 x 32 picture of four coloured quarters whole, then bursts into
// fragments at `burstAt` seconds.
struct NodeExplosion {
  float x = 620.0f, y = 350.0f;  // the root: the picture's centre
  uint32_t size = 80;            // picture pixels
  uint32_t wholeFor = 150;       // hundredths of a second before the burst
  float burstAt = 1.5f;
  // Quarter colours: top left, top right, bottom left, bottom right.
  Rgb quarters[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
};
const NodeExplosion& LanternExplosion();

// The slide's picture colour at a picture pixel.
Rgb LanternColour(float x, float y, float w, float h);

// Appends the node-tree slide and its dot picture.
void AddNodeSlides(Description& d);

}  // namespace sample
