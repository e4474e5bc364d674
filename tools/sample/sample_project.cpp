// The sample project's description and its assembly with the project writer.
#include "tools/sample/sample_project.h"

#include "tools/sample/sample_scene.h"
#include "tools/sample/sample_generators.h"
#include "tools/sample/sample_classic.h"
#include "tools/sample/sample_objects.h"
#include "tools/sample/sample_night_forest.h"
#include "tools/sample/sample_trees.h"
#include "tools/sample/sample_trace_systems.h"
#include "tools/sample/sample_sky.h"
#include "tools/sample/sample_nodes.h"
#include "tools/writer/docres_writer.h"
#include "tools/writer/project_writer.h"
#include "tools/writer/slides_writer.h"

namespace sample {

Rgb DawnColour(float x, float y, float w, float h);
Rgb ForestColour(float x, float y, float w, float h);
Rgb VoyageColour(float x, float y, float w, float h);
Rgb NightColour(float x, float y, float w, float h);
void AddEffectsSlide(Description& d);
void AddWaterFireSlides(Description& d);
void AddTextsSlide(Description& d);

namespace {

// Four slides whose pictures meet the 460 x 215 window in every way: the
// window's own aspect, square, wider and taller; a camera that stands, one
// that wanders and one that travels a path. The show loops after the last.
Description Describe() {
  Description d;

  Slide dawn;
  dawn.name = u"Dawn";
  dawn.picture = {u"dawn.png", 920, 430, DawnColour};
  dawn.fadeIn = 0.5f;
  dawn.show = 2.5f;
  dawn.fadeOut = 0.5f;
  d.slides.push_back(dawn);

  Slide forest;
  forest.name = u"Forest";
  // Wide, so a 16:9 screen and the window both show it without side bars.
  forest.picture = {u"forest.png", 1280, 640, ForestColour};
  forest.fadeIn = 0.5f;
  forest.show = 2.5f;
  forest.fadeOut = 0.5f;
  forest.camera.mode = 1;
  forest.camera.zoom = 140;
  d.slides.push_back(forest);

  Slide voyage;
  voyage.name = u"Voyage";
  voyage.picture = {u"voyage.png", 1200, 400, VoyageColour};
  voyage.fadeIn = 0.5f;
  voyage.show = 4.0f;
  voyage.fadeOut = 0.5f;
  voyage.camera.mode = 2;
  voyage.camera.viewWidth = 600;
  voyage.camera.viewHeight = 200;
  // The path keeps the spark swirl (about x 600) in every view.
  voyage.camera.points = {{450.0f, 200.0f, 2.0f, 100}, {750.0f, 170.0f, 2.0f, 150}, {600.0f, 230.0f, 2.0f, 120}};
  d.slides.push_back(voyage);

  Slide night;
  night.name = u"Night";
  night.picture = {u"night.png", 300, 450, NightColour};
  night.fadeIn = 0.5f;
  night.show = 2.5f;
  night.fadeOut = 0.5f;
  d.slides.push_back(night);
  AddRendererSlides(d);
  AddWaterFireSlides(d);
  AddSceneSlides(d);
  AddTreeSlide(d);
  AddNodeSlides(d);
  AddObjectsSlide(d);
  AddEffectsSlide(d);

  AddClassicSystems(d);
  AddNightAndForestSystems(d);
  AddTraceSystems(d);

  d.music.path = u"brisvane_sample_tune.flac";
  d.music.seconds = 8.0f;
  d.music.sampleRate = 22050;
  d.music.volume = 80;
  AddGenerators(d);
  AddSkySlides(d);
  AddTextsSlide(d);
  return d;
}

}  // namespace

const Description& TheSample() {
  static const Description description = Describe();
  return description;
}

void WriteSlideLight(pw::ByteBuilder& b, const std::u16string& backgroundName, uint64_t backgroundId,
                     const Camera& camera) {
  b.Header(u"DS_2D_Light", 3);
  b.FileLink(backgroundName, backgroundId);
  b.Header(u"DSM_Camera", 3);
  b.U32(camera.mode).U32(camera.viewWidth).U32(camera.viewHeight);
  b.I32(static_cast<int32_t>(camera.points.size()));
  for (const CameraPoint& p : camera.points) b.U32(1).F32(p.x).F32(p.y).F32(0.0f).F32(p.duration).U32(p.zoom);
  b.U32(camera.zoom).U32(camera.speed);
  b.FileLink(u"common_res.dll", 6);
}

std::vector<uint8_t> BuildProject(const Description& description) {
  pw::SlideShowRecord show;
  pw::DocResRecord resources;
  for (const Slide& s : description.slides) {
    pw::SlideRecord slide;
    slide.fadeIn = s.fadeIn;
    slide.showTime = s.show;
    slide.fadeOut = s.fadeOut;
    slide.name = s.name;
    if (s.renderContext) {
      s.renderContext(slide.renderContext, s);
    } else {
      WriteSlideLight(slide.renderContext, s.picture.name, 0, s.camera);
    }
    for (const auto& writeObject : s.objects) {
      pw::ByteBuilder object;
      writeObject(object);
      slide.drawn.push_back(std::move(object));
    }
    pw::ByteBuilder record;
    pw::WriteSlide(record, slide);
    show.slides.push_back(std::move(record));

    pw::EmbeddedFileSpec file;
    file.path = s.picture.name;
    file.bytes = EncodePicture(s.picture);
    resources.imageFiles.push_back({s.picture.name, 0, {std::move(file)}});
  }
  for (const auto& [name, png] : description.images) {
    pw::EmbeddedFileSpec file;
    file.path = name;
    file.bytes = png;
    resources.imageFiles.push_back({name, 0, {std::move(file)}});
  }
  for (const pw::LinkFiles& files : description.storedFiles) resources.imageFiles.push_back(files);
  for (const pw::LinkFiles& files : description.storedModuleImages) resources.moduleImages.push_back(files);
  for (const pw::LinkDelays& delays : description.storedDelays) resources.delays.push_back(delays);
  for (const pw::LinkRawFrames& frames : description.storedRawFrames) resources.rawFrames.push_back(frames);
  if (!description.music.path.empty()) {
    pw::AudioFileRecord entry;
    entry.path = description.music.path;
    entry.data = EncodeFlac(SynthesiseMusic(description.music), description.music.sampleRate);
    entry.volume = description.music.volume;
    show.playlist.push_back(std::move(entry));
  }
  pw::ByteBuilder manager;
  pw::WriteDocResManager(manager, resources);
  return pw::BuildProject(show, manager).bytes();
}

}  // namespace sample
