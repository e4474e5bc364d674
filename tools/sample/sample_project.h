#pragma once
// The embedded sample project, described in code: its slides (pictures,
// times, cameras, objects) and its music. The builder turns the description
// into project bytes; the end-to-end tests read the same description to know
// what each frame should show.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tools/writer/byte_builder.h"
#include "tools/writer/docres_writer.h"

namespace sample {

struct Rgb {
  float r = 0.0f, g = 0.0f, b = 0.0f;  // 0..255
};

// A picture of our own: a smooth function of the pixel position, so that any
// point of it can be predicted by the tests.
struct Picture {
  std::u16string name;  // the link name in the project, e.g. u"dawn.png"
  uint32_t width = 0;
  uint32_t height = 0;
  Rgb (*colour)(float x, float y, float width, float height) = nullptr;

  Rgb At(float x, float y) const { return colour(x, y, static_cast<float>(width), static_cast<float>(height)); }
};

struct CameraPoint {
  float x = 0.0f, y = 0.0f;
  float duration = 5.0f;  // seconds to the next point
  uint32_t zoom = 100;    // percent
};

// Camera of a slide: 0 still, 1 wander between random points, 2 path.
struct Camera {
  uint32_t mode = 0;
  uint32_t zoom = 120;   // percent, for the wander
  uint32_t speed = 50;   // 50 is normal speed
  uint32_t viewWidth = 0, viewHeight = 0;  // visible size on a path
  std::vector<CameraPoint> points;
};

// One slide. `objects` writes the slide's drawn objects (whole model
// records); later additions to the sample go there.
struct Slide {
  std::u16string name;
  Picture picture;
  float fadeIn = 1.0f, show = 10.0f, fadeOut = 1.0f;
  Camera camera;
  std::vector<std::function<void(pw::ByteBuilder&)>> objects;
  // When set, writes the slide's render context (a slide renderer's record)
  // in place of the plain one.
  std::function<void(pw::ByteBuilder&, const Slide&)> renderContext;

  float Duration() const { return fadeIn + show + fadeOut; }
};

struct Music {
  std::u16string path;   // stored path of the track
  float seconds = 8.0f;  // length of the loop
  uint32_t sampleRate = 22050;
  uint32_t volume = 100;
};

struct Description {
  std::vector<Slide> slides;
  Music music;
  // Further stored pictures (PNG bytes) by link name, id 0: sprite images.
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> images;
  // Further files the project stores (objects' pictures and effects), module
  // pictures it stores copies of, and frame delays by link.
  std::vector<pw::LinkFiles> storedFiles;
  std::vector<pw::LinkFiles> storedModuleImages;
  std::vector<pw::LinkDelays> storedDelays;
  // Stored frames of pictures by link (what frame sets of particle nodes read).
  std::vector<pw::LinkRawFrames> storedRawFrames;
};

// The slides shown by the slide renderers (glass ball, lake), appended.
void AddRendererSlides(Description& d);

// The sample as it is embedded in the player.
const Description& TheSample();

// The whole project file image.
std::vector<uint8_t> BuildProject(const Description& description);

// A picture encoded as PNG (RGB, 8 bits per channel).
std::vector<uint8_t> EncodePicture(const Picture& picture);
// A w x h picture with alpha encoded as PNG; rgba holds 4 bytes a pixel.
std::vector<uint8_t> EncodeRgbaPicture(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);

// The music loop: synthesised samples (interleaved stereo, 16 bits) and
// their FLAC encoding.
std::vector<int16_t> SynthesiseMusic(const Music& music);
std::vector<uint8_t> EncodeFlac(const std::vector<int16_t>& stereo, uint32_t sampleRate);

// The slide's render-context record ("DS_2D_Light", version 3, with its
// background link and "DSM_Camera" record).
void WriteSlideLight(pw::ByteBuilder& b, const std::u16string& backgroundName, uint64_t backgroundId,
                     const Camera& camera);

}  // namespace sample
