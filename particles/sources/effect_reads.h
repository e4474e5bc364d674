#pragma once
// Typed reads of the particle effect records: counted parameter blocks made
// with their defaults when the effect holds none, then filled from the file.
#include <cstdint>

#include "core/colour_params.h"
#include "core/media_param.h"
#include "core/safe_ptr.h"
#include "core/scaled_param.h"
#include "core/smart_values.h"
#include "particles/sources/block_readers.h"

class DS_IOF_Archive;
class ZVI_PtclSys_MotionLaw;

// A 4-byte unsigned value, notified only when it changed; a missing block
// is made with scale 1 and offset 0.
void ReadScaledFloat(DS_IOF_Archive& ar, DS_SafePtr<UINTSclaleTo<float>>& param);
// The same for an angle in whole degrees.
void ReadSmartAngle(DS_IOF_Archive& ar, DS_SafePtr<ZVI_SmartAngle>& param);
// One byte stored without notification; a missing block holds 0.
void ReadByteParam(DS_IOF_Archive& ar, DS_SafePtr<MediaParamT<unsigned char>>& param);
// Version (ignored), mode (raw), the colour list (count, colours), version
// (ignored), the gradient keys (count, then position and colour each); both
// lists are replaced. A missing block is made with its defaults.
void ReadColorSource(DS_IOF_Archive& ar, DS_SafePtr<ColorSourceParams>& block);
// Version (ignored), mode (raw), then frequency, amplitude and third value,
// each notified when changed. A missing block is made with its defaults.
void ReadTimeFuncParams(DS_IOF_Archive& ar, DS_SafePtr<TimeFuncParams>& block);
// A whole motion-law record; another registered class of the family is read
// in full and gives null.
DS_SafePtr<ZVI_PtclSys_MotionLaw> ReadMotionLaw(DS_IOF_Archive& ar);
