// A project holding a 3-D-in-2-D array: read through the project reader,
// built and played; its leaves fall down the picture.
#include <gtest/gtest.h>

#include "core/crt.h"
#include "player/project_reader.h"
#include "player/slide_container.h"
#include "player/slide_show.h"
#include "scene/objects_3d.h"
#include "scene_fixtures.h"
#include "tests/player/render_fixtures.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/objects_3d_writer.h"
#include "tools/writer/project_writer.h"

namespace {

class Objects3DSeed : public render_test::RenderTest {};

TEST_F(Objects3DSeed, ArrayReadsFromAProjectAndItsLeavesFall) {
  RegisterEverything();
  pw::SlideRecord slide;
  slide.renderContext.Header(u"DS_2D_Light", 1);
  pw::Array3DIn2DRecord array = pw::Sample3DIn2DArray();
  array.sway = 0;  // straight down
  pw::Write3DIn2DArray(slide.drawn.emplace_back(), array);
  pw::ByteBuilder slideBytes;
  pw::WriteSlide(slideBytes, slide);
  pw::SlideShowRecord show;
  show.slides.push_back(std::move(slideBytes));
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, pw::DocResRecord{});
  pw::ByteBuilder project = pw::BuildProject(show, manager);
  {
    std::unique_ptr<DS_SlideShow_Light> played(
        ReadProjectMemory(project.bytes().data(), static_cast<uint32_t>(project.size())));
    ASSERT_NE(played, nullptr);
    ASSERT_EQ(played->slides.size(), 1u);
    crt_srand(1);  // leaves far enough from the bottom not to wrap round
    played->slides[0]->BuildRuntime();
    ASSERT_EQ(played->slides[0]->drawnObjects.size(), 1u);
    auto* runtime = dynamic_cast<DS_3D_in_2D_array*>(played->slides[0]->drawnObjects[0].get());
    ASSERT_NE(runtime, nullptr);
    ASSERT_EQ(runtime->mesh.children.size(), array.count);
    EXPECT_TRUE(runtime->mesh.HasMesh());
    std::vector<float> before;
    for (DS_Frame* f : runtime->mesh.children) before.push_back(static_cast<DS_SreamAnim*>(f->controller)->drift._42);
    for (float t = 0.0f; t < 0.5f; t += 0.05f) runtime->UpdateTime(t);
    size_t i = 0;
    for (DS_Frame* f : runtime->mesh.children) {
      const auto* leaf = static_cast<DS_SreamAnim*>(f->controller);
      EXPECT_GT(leaf->drift._42, before[i++]) << "direction 270 falls down the picture";
    }
  }
  DestroyCurrentDocResManager();
}

}  // namespace
