#pragma once
// The top of a project file: header, the slide-show record with its playlist
// and the resource-manager record. The slide records and the manager's
// payload come from the writers of those classes, as finished bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/byte_builder.h"

namespace pw {

inline constexpr char16_t kProjectHeaderText[] = u"QMF v 5.0.0";

// One playlist entry (DS_AudioFile), current version 3.
struct AudioFileRecord {
  int32_t version = 3;
  zvi_string text;
  zvi_string path;
  std::vector<uint8_t> data;
  uint32_t volume = 100;  // version 2 on
  float value1 = 0.0f;    // version 3 on
  float value2 = 0.0f;
};

// The slide show (DS_SlideShow_Light), current version 2.
struct SlideShowRecord {
  int32_t version = 2;
  std::vector<ByteBuilder> slides;  // each a whole slide record, header included
  std::vector<AudioFileRecord> playlist;
  int32_t integerParam = 1;  // version 2 on
};

void WriteProjectHeader(ByteBuilder& b, std::u16string_view header = kProjectHeaderText, uint32_t value = 1);
void WriteAudioFile(ByteBuilder& b, const AudioFileRecord& entry);
void WriteSlideShow(ByteBuilder& b, const SlideShowRecord& show);

// Header, slide show and manager record (its header included; see
// docres_writer.h) in one file image.
ByteBuilder BuildProject(const SlideShowRecord& show, const ByteBuilder& docResManager);

// A project that uses every record the writers know: two slides with render
// contexts, cameras, sound objects and every kind of timeline, a playlist
// and a resource manager with every section. For damage tests and fuzz seeds.
ByteBuilder BuildSampleOfEveryRecord();

}  // namespace pw
