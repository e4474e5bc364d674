#pragma once
// Decodes a picture (PNG, JPEG, BMP, TGA, GIF first frame) into RGBA rows,
// for the platform's own use (window icons). False when it does not decode.
#include <cstddef>
#include <cstdint>
#include <vector>

bool Platform_DecodeImageRGBA(const uint8_t* bytes, size_t count, std::vector<uint8_t>* rgba, int* width, int* height);
