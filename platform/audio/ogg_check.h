#pragma once
// Checks an Ogg Vorbis stream before the decoder sees it: every page whole
// and with a matching checksum, and the identification and comment headers
// consistent with their own lengths. The decoder trusts those lengths, so
// damaged or hostile headers must stop here.
#include <cstddef>
#include <cstdint>

bool OggVorbisLooksSound(const uint8_t* data, size_t size);
