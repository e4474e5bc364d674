// Writes the embedded sample project: sample_builder <output file> [slide]
// With a slide name, the project holds that slide alone (for timing it).
// sample_builder <output file> --repeat N holds the sample's slides N times
// over (for long-show memory runs).
// sample_builder --slides lists the slides: name, seconds shown in all.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tools/sample/sample_project.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--slides") {
    for (const sample::Slide& s : sample::TheSample().slides)
      std::printf("%s %.2f\n", std::string(s.name.begin(), s.name.end()).c_str(), s.Duration());
    return 0;
  }
  // An output file named like an option is a mistyped option (--help), not a
  // file to write.
  if (argc < 2 || argc > 4 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: sample_builder <output file> [slide | --repeat N]\n"
                         "       sample_builder --slides\n");
    return 2;
  }
  try {
    sample::Description d = sample::TheSample();
    if (argc == 4 && std::string(argv[2]) == "--repeat") {
      const int n = std::atoi(argv[3]);
      if (n < 1 || n > 100) {
        std::fprintf(stderr, "sample_builder: --repeat takes 1 to 100\n");
        return 2;
      }
      const std::vector<sample::Slide> once = d.slides;
      for (int i = 1; i < n; ++i) d.slides.insert(d.slides.end(), once.begin(), once.end());
    } else if (argc == 4) {
      std::fprintf(stderr, "usage: sample_builder <output file> [slide | --repeat N]\n");
      return 2;
    } else if (argc == 3) {
      const std::string want = argv[2];
      std::vector<sample::Slide> kept;
      for (const sample::Slide& s : d.slides)
        if (std::string(s.name.begin(), s.name.end()) == want) kept.push_back(s);
      if (kept.empty()) {
        std::fprintf(stderr, "sample_builder: no slide %s\n", argv[2]);
        return 2;
      }
      d.slides = kept;
    }
    std::vector<uint8_t> bytes = sample::BuildProject(d);
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
