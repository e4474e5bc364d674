#pragma once
// The stored forms of strings: wide strings carry three marker bytes, then a
// length in code units (one byte; FF escapes to two bytes; FFFF to four),
// then the UTF-16 units. Narrow strings have the same length without markers.
#include <cstdint>
#include <string>

#include "core/zvi_string.h"

class ResourceBuffer;

// Reads the 1-, 2- or 4-byte length form.
uint32_t DecodeLength(ResourceBuffer& in);
// Both keep the text up to its first zero unit; the rest is consumed.
void DecodeWideString(ResourceBuffer& in, zvi_string* out);
void DecodeNarrowString(ResourceBuffer& in, std::string* out);

// Decodes a wide string at the start of a memory block of the given size and
// returns the bytes consumed (4, 6 or 10 plus 2 per unit, capped by size).
size_t DecodeWideString(const uint8_t* data, size_t size, zvi_string* out);
