// Damaged projects: every prefix of a valid project, random byte flips of it
// and the files kept from fuzzing end in a document or in the reader's own
// error, never in a crash, a hang or an unbounded allocation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/crt.h"
#include "core/ds_error.h"
#include "fuzz/fuzz_physics.h"
#include "player/app/register_all.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/slide_show.h"
#include "tools/writer/imitters_writer.h"
#include "tools/writer/project_writer.h"

namespace {

namespace fs = std::filesystem;

enum class Outcome { Project, Error, Other };

Outcome ReadFromMemory(const std::vector<uint8_t>& bytes) {
  Outcome outcome = Outcome::Other;
  try {
    std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(bytes.data(), static_cast<uint32_t>(bytes.size())));
    outcome = show ? Outcome::Project : Outcome::Other;
  } catch (const DS_Error& e) {
    outcome = e.message.empty() ? Outcome::Other : Outcome::Error;
  } catch (...) {
    outcome = Outcome::Other;
  }
  DestroyCurrentDocResManager();
  return outcome;
}

class ProjectDamage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterEverything();
    fuzz::RegisterFuzzPhysics();  // the node-tree seeds use the fuzz targets' physics
  }
};

TEST_F(ProjectDamage, EveryPrefixOfAProjectIsRefusedWithTheWrongFormatError) {
  const std::vector<uint8_t> whole = pw::BuildSampleOfEveryRecord().bytes();
  ASSERT_EQ(ReadFromMemory(whole), Outcome::Project);
  for (size_t n = 0; n < whole.size(); ++n) {
    std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(ReadFromMemory(prefix), Outcome::Error) << "prefix of " << n << " bytes";
  }
}

TEST_F(ProjectDamage, FileAndMemoryReadTheSameDocument) {
  const pw::ByteBuilder sample = pw::BuildSampleOfEveryRecord();
  fs::path path = fs::temp_directory_path() / ("project_same_" + std::to_string(::getpid()) + ".qmf");
  ASSERT_TRUE(sample.SaveTo(path.string()));
  auto fromFile = LoadProjectFile(path.u16string());
  std::unique_ptr<DS_SlideShow_Light> fromMemory(
      ReadProjectMemory(sample.bytes().data(), static_cast<uint32_t>(sample.size())));
  fs::remove(path);
  DestroyCurrentDocResManager();
  for (const DS_SlideShow_Light* show : {fromFile.get(), fromMemory.get()}) {
    ASSERT_EQ(show->slides.size(), 2u);
    EXPECT_EQ(show->slides[0]->name.value, u"first");
    EXPECT_EQ(show->slides[1]->name.value, u"second");
    for (const auto& slide : show->slides) EXPECT_EQ(slide->updatedModels.size(), 2u);
    EXPECT_EQ(show->slides[0]->drawnModels.size(), 2u);
    EXPECT_EQ(show->slides[1]->drawnModels.size(), 2u + pw::ClassicSampleRecords().size());
    ASSERT_EQ(show->playlist.size(), 2u);
    EXPECT_EQ(show->playlist[0]->volume.value, 80u);
    EXPECT_EQ(show->playlist[1]->volume.value, 100u);  // version 1 keeps the default
    EXPECT_EQ(show->playlist[1]->file.size, 6u);
  }
}

TEST_F(ProjectDamage, PrefixesOfAProjectFileGiveTheirErrors) {
  const std::vector<uint8_t> whole = pw::BuildSampleOfEveryRecord().bytes();
  fs::path path = fs::temp_directory_path() / ("project_damage_" + std::to_string(::getpid()) + ".qmf");
  // Every length around the end of the header, then samples across the rest.
  std::vector<size_t> lengths;
  for (size_t n = 0; n < 32; ++n) lengths.push_back(n);
  for (size_t n = 32; n < whole.size(); n += whole.size() / 50) lengths.push_back(n);
  lengths.push_back(whole.size() - 1);
  for (size_t n : lengths) {
    pw::ByteBuilder b;
    b.Raw(whole.data(), n);
    ASSERT_TRUE(b.SaveTo(path.string()));
    std::u16string message;
    try {
      LoadProjectFile(path.u16string());
    } catch (const DS_Error& e) {
      message = e.message;
    }
    // Up to the end of the header the file reads as outdated.
    const std::u16string expected = n < 26 ? std::u16string(kOutdatedFormat) : u"Cannot open file: Wrong file format.";
    EXPECT_EQ(message, expected) << n;
  }
  fs::remove(path);
  DestroyCurrentDocResManager();
}

TEST_F(ProjectDamage, RandomByteFlipsGiveAProjectOrTheError) {
  const std::vector<uint8_t> whole = pw::BuildSampleOfEveryRecord().bytes();
  crt_srand(20261210);
  int projects = 0, errors = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = whole;
    int flips = 1 + crt_rand() % 3;
    for (int k = 0; k < flips; ++k) {
      size_t at = static_cast<size_t>(crt_rand()) * 32768u + static_cast<size_t>(crt_rand());
      damaged[at % damaged.size()] = static_cast<uint8_t>(crt_rand());
    }
    Outcome o = ReadFromMemory(damaged);
    ASSERT_NE(o, Outcome::Other) << "round " << round;
    (o == Outcome::Project ? projects : errors)++;
  }
  // Both outcomes occur: flips inside strings and values still read.
  EXPECT_GT(projects, 0);
  EXPECT_GT(errors, 0);
}

TEST_F(ProjectDamage, HostileCountsAndLengthsAreRefused) {
  auto project = [](auto&& fill) {
    pw::ByteBuilder b;
    pw::WriteProjectHeader(b);
    fill(b);
    return b.bytes();
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"slide count", project([](pw::ByteBuilder& b) { b.Header(u"DS_SlideShow_Light", 2).U32(0xFFFFFFFF); })},
      {"playlist count",
       project([](pw::ByteBuilder& b) { b.Header(u"DS_SlideShow_Light", 2).U32(0).U32(0x7FFFFFFF).I32(1); })},
      {"class name length",
       project([](pw::ByteBuilder& b) {
         b.U8(0xFF).U8(0xFE).U8(0xFF).Length(0xFFFFFFF0, pw::LengthForm::Dword).Raw("DS_", 3);
       })},
      {"track bytes", project([](pw::ByteBuilder& b) {
         b.Header(u"DS_SlideShow_Light", 2).U32(0).U32(1).Header(u"DS_AudioFile", 3).WideString(u"").U32(0xFFFFFF00);
       })},
      {"manager section", project([](pw::ByteBuilder& b) {
         pw::WriteSlideShow(b, pw::SlideShowRecord{});
         b.Header(u"DS_DocResManager", 4).I32(-1).I32(-1);
       })},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadFromMemory(c.bytes), Outcome::Error) << c.what;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The fuzzer's seeds are projects; inputs it once failed on (kept under
// tests/data/project_reader) must end in a project or the error.
TEST_F(ProjectDamage, FuzzSeedsReadAndKeptInputsAreReadSafely) {
  const fs::path seeds = fs::path(TEST_DATA_DIR) / "fuzz" / "project_reader";
  int count = 0;
  for (const auto& entry : fs::directory_iterator(seeds)) {
    EXPECT_EQ(ReadFromMemory(FileBytes(entry.path())), Outcome::Project) << entry.path();
    ++count;
  }
  EXPECT_GT(count, 0);
  const fs::path kept = fs::path(TEST_DATA_DIR) / "project_reader";
  if (!fs::exists(kept)) return;
  for (const auto& entry : fs::directory_iterator(kept))
    EXPECT_NE(ReadFromMemory(FileBytes(entry.path())), Outcome::Other) << entry.path();
}

}  // namespace
