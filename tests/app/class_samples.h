#pragma once
// Whole records written by the project writer, at least one per class it can
// write, grouped by the reader family that reads them. The writers' record
// structs share names across headers, so each group lives in its own file.
#include <vector>

#include "tools/writer/byte_builder.h"

namespace class_samples {

enum class Family {
  kSceneObjects,  // DS_ABObj_Constructor
  kNodeItems,     // ZVI_IOF_Item
  kRenderers,     // DS_2D_Light
  kTextures,      // ZVI_TextureSRC
  kSlides,        // DS_SlideContainer
  kGeometries,    // ZVI_VGeom2D
  kChrono,        // ZVI_ChronoCtrl
  kGraphs,        // ZVI_VGraph
  kFigures,       // ZVI_VFigure
  kGradients,     // ZVI_VGradient
  kTimelines,     // ZVI_Timing
};

struct Sample {
  Family family;
  pw::ByteBuilder bytes;
};

// Lines, sprites, texts, generators, classic particle systems, sounds.
void AppendSceneSamples(std::vector<Sample>& out);
// Screen effects and slide renderers.
void AppendScreenSamples(std::vector<Sample>& out);
// Nodes, physics, node effects, emitter geometry, trees and node systems.
void AppendNodeSamples(std::vector<Sample>& out);

}  // namespace class_samples
