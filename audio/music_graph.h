#pragma once
// The shared DirectShow graph of the music playlist: made by the player shell
// at start-up, used by the music output. Each pointer is null when it was not
// obtained.
#include "platform/audio/dshow.h"

extern IGraphBuilder* g_MusicGraph;
extern IMediaControl* g_MusicControl;
extern IMediaSeeking* g_MusicSeeking;
extern IMediaEventEx* g_MusicEvents;
extern IBasicAudio* g_MusicAudio;

// Releases the five interfaces (last first) and clears them.
void ReleaseMusicGraph();

// put_Volume of the music graph for a master volume 0..100 and a track volume
// factor: trunc(0.4 x 100 x (trunc(master x track) - 100)), in single precision.
LONG MusicGraphVolume(int32_t master, float track);
