// A project holding the flat and 3-D text records (a 3-D text of each
// version and one whose mesh block is refused): read through the project
// reader, built and played a few frames headlessly; with FUZZ_SEED_DIR set
// it is also written as the fuzzers' seeds, with a project of one 3-D text
// for the mesh block alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/text_objects_writer.h"

namespace {

std::vector<pw::ByteBuilder> Records() {
  std::vector<pw::ByteBuilder> records = pw::TextObjectSampleRecords();
  pw::SolidTextRecord refused;
  refused.mesh = pw::GlyphQuadMesh({{0, 0, 1, 1}});
  refused.mesh.options |= 1;  // 32-bit indices with 16-bit index bytes
  refused.textQuad = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0};
  refused.glyphQuads = {refused.textQuad};
  WriteSolidText(records.emplace_back(), refused);
  return records;
}

pw::SlideShowRecord Show(std::vector<pw::ByteBuilder> records) {
  pw::SlideRecord slide;
  slide.name = u"text objects";
  slide.renderContext.Header(u"DS_2D_Light", 1);
  for (pw::ByteBuilder& record : records) slide.drawn.push_back(std::move(record));
  pw::ByteBuilder record;
  pw::WriteSlide(record, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(record));
  return show;
}

class TextObjectSeed : public render_test::RenderTest {};

TEST_F(TextObjectSeed, EveryRecordReadsAndPlays) {
  RegisterEverything();
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(Show(Records()), manager);
  {
    std::unique_ptr<DS_SlideShow_Light> show(
        ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
    ASSERT_NE(show, nullptr);
    ASSERT_EQ(show->slides.size(), 1u);
    show->slides[0]->BuildRuntime();
    EXPECT_EQ(show->slides[0]->drawnObjects.size(), Records().size());
    for (float t = 0.0f; t < 1.0f; t += 0.07f)
      for (auto& object : show->slides[0]->drawnObjects) object->UpdateTime(t);
  }
  DestroyCurrentDocResManager();

  if (const char* dir = std::getenv("FUZZ_SEED_DIR")) {
    EXPECT_TRUE(project.SaveTo(std::string(dir) + "/project_reader/text_objects.qmf"));
    std::vector<pw::ByteBuilder> one;
    WriteSolidText(one.emplace_back(), pw::SolidTextRecord{.mesh = pw::GlyphQuadMesh({{0, 0, 1, 1}, {1, 0, 2, 1}})});
    EXPECT_TRUE(pw::BuildProject(Show(std::move(one)), manager).SaveTo(std::string(dir) + "/project_reader/text_mesh.qmf"));
    pw::ByteBuilder showBytes;
    pw::WriteSlideShow(showBytes, Show(Records()));
    pw::ByteBuilder steps;
    for (int i = 0; i < 32; ++i) steps.U8(static_cast<uint8_t>(127 + (i % 5) * 3));
    const size_t header = 40;  // the class name "DS_SlideShow_Light"
    steps.Raw(showBytes.bytes().data() + header, showBytes.size() - header);
    EXPECT_TRUE(steps.SaveTo(std::string(dir) + "/slide_show_steps/text_objects"));
  }
}

}  // namespace
