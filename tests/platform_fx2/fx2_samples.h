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

}  // namespace fx2_samples
