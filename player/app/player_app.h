#pragma once
// The player's one application object: framework set-up, the document and
// its music playlist.
#include <cstddef>

#include "platform/win32/windows.h"

class DS_SlideShow_Light;

struct PlayerApp {
  DS_SlideShow_Light* document = nullptr;
  int embeddedProjectId = 0;
  int viewMode = 1;
  int masterVolume = 0;
  float trackVolume = 1.0f;
  size_t playlistCursor = 0;
  HWND window = nullptr;

  bool Setup(HWND window, bool windowed);
  void LoadEmbeddedProject(int id);
  void StartDocument();
  void OnMediaEvent(long code);
  void FrameMove(double time);
  void OnDeviceReset();

  // Replaces the document, deleting the previous one.
  void SetDocument(DS_SlideShow_Light* document);
  void StartMusicTrack();
  void ApplyMusicVolume();
};

PlayerApp& TheApp();

// Clickable areas test client points through the current render context's
// inverse view and spare matrix; StartUp installs this for its thread.
void InstallHitTestSource();

// The start-up sequence that RunStartUp guards.
bool StartUp(LPCWSTR path);

// Offer the client point to the current slide's drawn objects, last to first.
int CursorWalk(int x, int y);
void ClickWalk(int x, int y);

// One event from the music graph: its code, or -1 when none could be taken.
long FetchMediaEvent();

