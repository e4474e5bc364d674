#include "platform/audio/ogg_check.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
      t[i] = r;
    }
    return t;
  }();
  return table;
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// The body of the n-th packet (0-based) of the first logical stream, joined
// across pages; false when the pages end before it does.
bool CollectPackets(const uint8_t* data, size_t size, int count, std::vector<std::vector<uint8_t>>* packets) {
  std::vector<uint8_t> current;
  size_t pos = 0;
  while (pos < size) {
    if (size - pos < 27 || std::memcmp(data + pos, "OggS", 4) != 0 || data[pos + 4] != 0) return false;
    const uint8_t segments = data[pos + 26];
    if (size - pos < 27u + segments) return false;
    const uint8_t* table = data + pos + 27;
    size_t body = 0;
    for (int i = 0; i < segments; ++i) body += table[i];
    const size_t header = 27u + segments;
    if (size - pos < header + body) return false;
    // The checksum covers the page with its own field zeroed.
    uint32_t crc = 0;
    const auto& t = CrcTable();
    for (size_t i = 0; i < header + body; ++i) {
      const uint8_t b = (i >= 22 && i < 26) ? 0 : data[pos + i];
      crc = (crc << 8) ^ t[((crc >> 24) ^ b) & 0xFF];
    }
    if (crc != Le32(data + pos + 22)) return false;
    if (static_cast<int>(packets->size()) < count) {
      const uint8_t* p = data + pos + header;
      for (int i = 0; i < segments; ++i) {
        current.insert(current.end(), p, p + table[i]);
        p += table[i];
        if (table[i] < 255) {
          packets->push_back(std::move(current));
          current.clear();
          if (static_cast<int>(packets->size()) == count) break;
        }
      }
    }
    pos += header + body;
  }
  return static_cast<int>(packets->size()) >= count;
}

bool IdentificationSound(const std::vector<uint8_t>& p) {
  if (p.size() < 30 || p[0] != 1 || std::memcmp(p.data() + 1, "vorbis", 6) != 0) return false;
  const uint8_t channels = p[11];
  const uint32_t rate = Le32(p.data() + 12);
  return channels > 0 && rate > 0;
}

bool CommentSound(const std::vector<uint8_t>& p) {
  if (p.size() < 7 || p[0] != 3 || std::memcmp(p.data() + 1, "vorbis", 6) != 0) return false;
  size_t pos = 7;
  auto take = [&](uint32_t* v) {
    if (p.size() - pos < 4) return false;
    *v = Le32(p.data() + pos);
    pos += 4;
    return true;
  };
  uint32_t vendor = 0, count = 0;
  if (!take(&vendor) || vendor > p.size() - pos) return false;
  pos += vendor;
  if (!take(&count) || count > (p.size() - pos) / 4) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t len = 0;
    if (!take(&len) || len > p.size() - pos) return false;
    pos += len;
  }
  return pos < p.size();  // the framing byte follows
}

}  // namespace

bool OggVorbisLooksSound(const uint8_t* data, size_t size) {
  if (!data) return false;
  std::vector<std::vector<uint8_t>> packets;
  if (!CollectPackets(data, size, 2, &packets)) return false;
  return IdentificationSound(packets[0]) && CommentSound(packets[1]);
}
