// Writes the embedded sample project: sample_builder <output file>
#include <cstdio>
#include <exception>

#include "tools/sample/sample_project.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sample_builder <output file>\n");
    return 2;
  }
  try {
    std::vector<uint8_t> bytes = sample::BuildProject(sample::TheSample());
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
      std::fprintf(stderr, "sample_builder: cannot write %s\n", argv[1]);
      return 1;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
      std::fprintf(stderr, "sample_builder: cannot write %s\n", argv[1]);
      std::remove(argv[1]);
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sample_builder: %s\n", e.what());
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
