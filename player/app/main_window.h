#pragma once
// Program entry, the one top-level window and its window procedure.
#include "platform/win32/windows.h"

// Fits the window's size to the work area keeping its ratio: first to the
// width, then to the height.
void FitWindowToWorkArea(int* width, int* height, int cx, int cy);

int WinMain(HINSTANCE instance);
BOOL CreateMainWindow(HINSTANCE instance, LPCWSTR path);
BOOL RunStartUp(HINSTANCE instance, HWND window, LPCWSTR path);
LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The main window, once created (RunStartUp sets it).
HWND MainWindow();
void SetMainWindow(HWND window);
