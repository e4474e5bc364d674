// Reading a project file that carries 100 MB of embedded pictures: time per
// read and the growth of the peak resident memory over one read, against the
// file's size. (The picture bytes are not decodable: no device is created.)
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/crt.h"
#include "player/app/register_all.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/slide_show.h"
#include "tools/writer/project_writer.h"

namespace {

constexpr uint32_t kPictureBytes = 4u << 20;  // 25 pictures of 4 MB
constexpr uint32_t kPictures = 25;

// Writes the project piece by piece, so the bench itself never holds it.
std::filesystem::path MakeProject() {
  auto path = std::filesystem::temp_directory_path() / "bench_project_reader.qmf";
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return {};
  auto put = [f](const pw::ByteBuilder& b) { std::fwrite(b.bytes().data(), 1, b.size(), f); };
  pw::ByteBuilder head;
  pw::WriteProjectHeader(head);
  pw::WriteSlideShow(head, pw::SlideShowRecord{});
  head.Header(u"DS_DocResManager", 4).I32(static_cast<int32_t>(kPictures));
  put(head);
  std::vector<uint8_t> picture(kPictureBytes);
  crt_srand(7);
  for (uint32_t i = 0; i < kPictures; ++i) {
    for (auto& byte : picture) byte = static_cast<uint8_t>(crt_rand());
    pw::ByteBuilder entry;
    std::u16string name = u"C:\\pictures\\p" + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u".jpg";
    entry.FileLink(name, 1000 + i).I32(1).EmbeddedFile(0, u"", name, picture);
    put(entry);
  }
  pw::ByteBuilder tail;
  tail.I32(0).I32(0).I32(0).I32(0);  // delays, module images, GUID images, raw frames
  put(tail);
  std::fclose(f);
  return path;
}

uint64_t StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0) return std::stoull(line.substr(n));
  return 0;
}

// The growth of the resident set's peak over one read, measured in a child
// process so that nothing from earlier reads counts.
double PeakGrowthBytesOfOneRead(const std::filesystem::path& path) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    uint64_t before = StatusKb("VmRSS:");
    uint64_t growth = 0;
    {
      auto show = LoadProjectFile(path.u16string());
      growth = (StatusKb("VmHWM:") - before) * 1024;
    }
    DestroyCurrentDocResManager();
    ssize_t ignored = write(fds[1], &growth, sizeof growth);
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  uint64_t growth = 0;
  bool ok = read(fds[0], &growth, sizeof growth) == sizeof growth;
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return ok ? static_cast<double>(growth) : -1;
}

void BM_ReadProjectWith100MBOfPictures(benchmark::State& state) {
  static const std::filesystem::path path = MakeProject();
  RegisterEverything();
  const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
  static const double growth = PeakGrowthBytesOfOneRead(path);
  for (auto _ : state) {
    DestroyCurrentDocResManager();
    auto show = LoadProjectFile(path.u16string());
    benchmark::DoNotOptimize(show.get());
  }
  DestroyCurrentDocResManager();
  state.counters["file_MB"] = fileBytes / 1048576.0;
  state.counters["peak_growth_MB"] = growth / 1048576.0;
  state.counters["peak_over_file"] = growth / fileBytes;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes));
}
BENCHMARK(BM_ReadProjectWith100MBOfPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
