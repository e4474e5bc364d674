#pragma once
// Opening a project: the header, a 32-bit value, the slide show and the
// document's resource manager, which is published in the calling thread's
// CurrentDocResManager slot once the whole slide show has been read.
// Failures are exceptions: the unsigned code kCannotOpenFileCode when the
// file cannot be opened, DS_Error with the messages below otherwise.
#include <cstdint>
#include <memory>

#include "core/zvi_string.h"

class DS_SlideShow_Light;
class ResourceBuffer;

inline constexpr char16_t kProjectHeader[] = u"QMF v 5.0.0";
inline constexpr char16_t kFormatNotSupported[] = u"Cannot open file: Format is not supported.";
inline constexpr char16_t kOutdatedFormat[] =
    u"Cannot open file: Outdated file format.\nPlease resave the project file with Quillmere 3.4.21";

// Reads the project file at path.
std::unique_ptr<DS_SlideShow_Light> LoadProjectFile(const zvi_string& path);
// Reads a project held in memory (the buffer's memory block); the header is
// not tested.
std::unique_ptr<DS_SlideShow_Light> ReadProjectFromMemory(ResourceBuffer& buffer);

// The same, for callers that keep the document by raw pointer (they own it).
DS_SlideShow_Light* ReadProjectFile(const char16_t* path);
DS_SlideShow_Light* ReadProjectMemory(const uint8_t* data, uint32_t size);

// Destroys the manager published in this thread's slot (the slot is cleared
// first, so it never names a destroyed manager).
void DestroyCurrentDocResManager();

// ".qmx" in any letter case, as the last extension of the path.
bool IsRefusedProjectExtension(const zvi_string& path);
