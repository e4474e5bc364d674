#pragma once
// The music output of the playlist: FLAC streamed through a looping sound
// buffer by a worker thread, Ogg Vorbis decoded whole into a one-shot buffer,
// everything else through the shared filter graph. One output per process.
//
// A decoded track that reaches its end stops and reports EC_COMPLETE through
// the shared graph's event queue, like the graph's own tracks, so the
// playlist moves on.
#include <vector>

#include "core/safe_ptr.h"
#include "core/zvi_string.h"
#include "platform/audio/dshow.h"

bool StartFlacStream(const zvi_string& path);
void StopFlacStream();
bool PlayOggFile(const zvi_string& path);
bool RenderSourceFilterOutput(IBaseFilter* source);
// Stops whatever sounds: the graph, the decoded-track worker (joined first)
// and buffer, and the sound device.
void StopMusicOutput();

// The rendering steps of RenderSourceFilterOutput on any graph (the MP3
// objects' own graphs use it too).
bool RenderSourceOnGraph(IBaseFilter* source, IGraphBuilder* graph, IMediaControl* control, IMediaSeeking* seeking);

// Starts a playlist entry's file by its lower-cased extension, as the shell's
// track start does: ".flac" streams, ".ogg" plays decoded, anything else goes
// through the shared graph (falling back to RenderFile). False when nothing
// could be started (the track stays silent and reports no completion).
bool StartMusicFile(const zvi_string& path);
// The playlist walk of the shell: starts the entry at *cursor, or, when it
// cannot start (no file to play, or nothing sounds), the next ones, trying
// each entry at most once. *cursor ends just after the started entry (it may
// equal the playlist's size). Returns that entry, or null when none started.
class DS_AudioFile;
DS_AudioFile* StartPlaylistEntry(const std::vector<DS_SafePtr<DS_AudioFile>>& playlist, size_t* cursor);

// The lower-cased extension (with its dot) of the file part of a path.
zvi_string LowerCaseFileExtension(const zvi_string& path);

// Sizes the FLAC route works with, for a sample rate and channel count.
struct FlacStreamLayout {
  uint32_t bufferBytes;
  uint32_t halfBytes;
  uint32_t chunkFrames;
};
FlacStreamLayout FlacLayout(uint32_t rate, uint32_t channels);

// Test hooks: whether a worker thread is running or joinable, and the current
// music buffer (not referenced; null when none).
bool MusicWorkerActive();
// Events the worker has handled since the process started.
uint32_t MusicWorkerSteps();
struct IDirectSoundBuffer;
IDirectSoundBuffer* MusicBufferForTest();
