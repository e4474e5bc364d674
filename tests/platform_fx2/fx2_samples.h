#pragma once
// Compiled effects made by the test writer: the valid binaries the container
// tests damage and the fuzz target starts from.
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/fx2_writer.h"

namespace fx2_samples {

// Named effects, each exercising a part of the container.
std::vector<std::pair<std::string, pw::Fx2Effect>> All();

// The "preshader" sample's preshader: c0 = Scale * 2, c1 = Scale + 1.
pw::Fx2Preshader ScalePreshader();

}  // namespace fx2_samples
