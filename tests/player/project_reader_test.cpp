// Opening projects: extension and header checks, the slide-show and playlist
// records, publication of the resource manager, and damaged data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/audio_file.h"
#include "player/doc_res_manager.h"
#include "player/project_reader.h"
#include "player/slide_show.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"

namespace {

namespace fs = std::filesystem;

pw::ByteBuilder EmptyManager() {
  pw::ByteBuilder b;
  pw::WriteDocResManager(b, pw::DocResRecord{});
  return b;
}

pw::ByteBuilder EmptyProject() { return pw::BuildProject(pw::SlideShowRecord{}, EmptyManager()); }

// The messages a failed opening carries; "code" for the unopenable file.
std::u16string OpenError(const fs::path& path) {
  try {
    LoadProjectFile(path.u16string());
  } catch (const DS_Error& e) {
    return e.message;
  } catch (uint32_t code) {
    return code == kCannotOpenFileCode ? u"code" : u"other code";
  }
  return u"";
}

class ProjectReader : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterSlideReaders(); }
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("project_reader_test_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    DestroyCurrentDocResManager();
    fs::remove_all(dir_);
  }
  fs::path Save(const std::string& name, const pw::ByteBuilder& b) {
    fs::path p = dir_ / name;
    EXPECT_TRUE(b.SaveTo(p.string()));
    return p;
  }
  fs::path dir_;
};

TEST_F(ProjectReader, ExtensionAndHeaderDecideWhetherAFileIsRead) {
  pw::ByteBuilder wordForm;
  wordForm.WideString(pw::kProjectHeaderText, pw::LengthForm::Word).U32(1);
  pw::WriteSlideShow(wordForm, pw::SlideShowRecord{});
  wordForm.Append(EmptyManager());
  auto withHeader = [](std::u16string_view header) {
    pw::ByteBuilder b;
    pw::WriteProjectHeader(b, header);
    pw::WriteSlideShow(b, pw::SlideShowRecord{});
    b.Append(EmptyManager());
    return b;
  };
  const std::u16string outdated = kOutdatedFormat;
  struct Case {
    std::string file;
    pw::ByteBuilder bytes;
    bool create;
    std::u16string error;
  } cases[] = {
      {"a.qmf", EmptyProject(), true, u""},
      {"noext", EmptyProject(), true, u""},
      {"b.QMX", EmptyProject(), true, kFormatNotSupported},
      {"c.qMx", EmptyProject(), true, kFormatNotSupported},
      {"d.qmx.bak", EmptyProject(), true, u""},
      {"e.qmx", EmptyProject(), false, u"code"},
      {"missing.qmf", EmptyProject(), false, u"code"},
      {"word.qmf", wordForm, true, u""},
      {"long.qmf", withHeader(u"QMF v 5.0.00"), true, outdated},
      {"short.qmf", withHeader(u"QMF v 5.0."), true, outdated},
      {"old.qmf", withHeader(u"QMF v 4.0.0"), true, outdated},
      {"empty.qmf", pw::ByteBuilder{}, true, outdated},
  };
  for (const Case& c : cases) {
    fs::path p = dir_ / c.file;
    if (c.create) {
      ASSERT_TRUE(c.bytes.SaveTo(p.string()));
    }
    EXPECT_EQ(OpenError(p), c.error) << c.file;
  }
}

TEST_F(ProjectReader, MemoryProjectHeaderIsNotTested) {
  pw::ByteBuilder b;
  pw::WriteProjectHeader(b, u"anything", 77);
  pw::WriteSlideShow(b, pw::SlideShowRecord{});
  b.Append(EmptyManager());
  std::unique_ptr<DS_SlideShow_Light> show(ReadProjectMemory(b.bytes().data(), static_cast<uint32_t>(b.size())));
  ASSERT_NE(show, nullptr);
  EXPECT_NE(CurrentDocResManager(), nullptr);
}

TEST_F(ProjectReader, SlideShowVersionAndPlaylistEntryVersions) {
  pw::SlideShowRecord v1;
  v1.version = 1;
  pw::AudioFileRecord e1, e2, e3;
  e1.version = 1;
  e1.text = u"first";
  e1.path = u"C:\\music\\a.flac";
  e1.data = {1, 2, 3};
  e1.volume = 40;  // not stored in version 1
  e2.version = 2;
  e2.volume = 40;
  e2.value1 = 9.0f;  // not stored in version 2
  e3.version = 3;
  e3.volume = 100;
  e3.value1 = 0.25f;
  e3.value2 = -1.5f;
  v1.playlist = {e1, e2, e3};
  pw::SlideShowRecord v2;
  v2.integerParam = 5;
  pw::AudioFileRecord e4;
  e4.volume = 0;
  v2.playlist = {e4};

  pw::ByteBuilder first = pw::BuildProject(v1, EmptyManager());
  auto show = LoadProjectFile(Save("v1.qmf", first).u16string());
  EXPECT_EQ(show->integerParam.value, 1);
  ASSERT_EQ(show->playlist.size(), 3u);
  const DS_AudioFile& a = *show->playlist[0];
  EXPECT_EQ(a.text, u"first");
  EXPECT_EQ(a.file.path, u"C:\\music\\a.flac");
  ASSERT_EQ(a.file.size, 3u);
  EXPECT_EQ(a.file.data[2], 3);
  EXPECT_EQ(a.volume.value, 100u);
  EXPECT_FLOAT_EQ(a.Volume(), 1.0f);
  const DS_AudioFile& b = *show->playlist[1];
  EXPECT_EQ(b.volume.value, 40u);
  EXPECT_FLOAT_EQ(b.Volume(), 0.4f);
  EXPECT_EQ(b.value1.value, DS_AudioFile().value1.value);
  const DS_AudioFile& c = *show->playlist[2];
  EXPECT_EQ(c.value1.value, 0.25f);
  EXPECT_EQ(c.value2.value, -1.5f);

  pw::ByteBuilder second = pw::BuildProject(v2, EmptyManager());
  auto show2 = LoadProjectFile(Save("v2.qmf", second).u16string());
  EXPECT_EQ(show2->integerParam.value, 5);
  ASSERT_EQ(show2->playlist.size(), 1u);
  EXPECT_FLOAT_EQ(show2->playlist[0]->Volume(), 0.0f);
}

// Stands in for the slide reader: notes which manager the slot names while
// the slides are read, and reads nothing.
struct SlotProbe : IOF_Virtual_ReaderII<DS_SlideContainer> {
  mutable std::vector<const DS_DocResManager*> seen;
  std::unique_ptr<DS_SlideContainer> Create(DS_IOF_Archive&, int32_t) const override {
    seen.push_back(CurrentDocResManager());
    return std::make_unique<DS_SlideContainer>();
  }
  std::unique_ptr<DS_SlideContainer> CreateDefault() const override { return nullptr; }
};

TEST_F(ProjectReader, ManagerIsReplacedOnlyAfterTheSlidesAreRead) {
  pw::DocResRecord withFrames;
  withFrames.rawFrames.push_back({u"C:\\p\\frames", 7, {{1, {4, 5}, 0.04f}}});
  pw::ByteBuilder firstManager;
  pw::WriteDocResManager(firstManager, withFrames);
  pw::SlideShowRecord oneSlide;
  pw::ByteBuilder slide;
  slide.Header(u"DS_SlideContainer", 6);
  oneSlide.slides.push_back(slide);

  const IOF_Virtual_ReaderII<DS_SlideContainer>* real = FindReader<DS_SlideContainer>(u"DS_SlideContainer");
  SlotProbe probe;
  RegisterReaderObject<DS_SlideContainer>(u"DS_SlideContainer", &probe);
  EXPECT_EQ(CurrentDocResManager(), nullptr);
  auto first = LoadProjectFile(Save("first.qmf", pw::BuildProject(oneSlide, firstManager)).u16string());
  DS_DocResManager* published = CurrentDocResManager();
  ASSERT_NE(published, nullptr);
  EXPECT_EQ(published->RawFrames().size(), 1u);
  auto second = LoadProjectFile(Save("second.qmf", pw::BuildProject(oneSlide, EmptyManager())).u16string());
  RegisterReaderObject<DS_SlideContainer>(u"DS_SlideContainer", real);

  ASSERT_EQ(probe.seen.size(), 2u);
  EXPECT_EQ(probe.seen[0], nullptr);    // first load: no manager yet
  EXPECT_EQ(probe.seen[1], published);  // second load: still the first one's
  ASSERT_NE(CurrentDocResManager(), nullptr);
  EXPECT_TRUE(CurrentDocResManager()->RawFrames().empty());
}

TEST_F(ProjectReader, FailedManagerReadLeavesNoManagerPublished) {
  pw::ByteBuilder cut = EmptyProject();
  cut.bytes().resize(cut.size() - 2);  // inside the manager's last count
  fs::path good = Save("good.qmf", EmptyProject());
  fs::path bad = Save("bad.qmf", cut);
  auto first = LoadProjectFile(good.u16string());
  ASSERT_NE(CurrentDocResManager(), nullptr);
  EXPECT_EQ(OpenError(bad), u"Cannot open file: Wrong file format.");
  EXPECT_EQ(CurrentDocResManager(), nullptr);
}

TEST_F(ProjectReader, UnknownSlideClassMakesTheFileInvalid) {
  pw::SlideShowRecord show;
  pw::ByteBuilder slide;
  slide.Header(u"DS_SlideContainerX", 6).U32(0).U32(0).U32(0);
  show.slides.push_back(slide);
  fs::path p = Save("unknown.qmf", pw::BuildProject(show, EmptyManager()));
  EXPECT_EQ(OpenError(p), u"Cannot open file: Wrong file format.");
}

TEST_F(ProjectReader, BytesAfterTheManagerAreNotRead) {
  pw::ByteBuilder b = EmptyProject();
  b.U32(0xFFFFFFFF).WideString(u"trailing");
  EXPECT_EQ(OpenError(Save("t.qmf", b)), u"");
}

}  // namespace
