#pragma once
// The window that has the input focus, as the sound device's cooperative
// level asks for it.
#include "platform/win32/win_types.h"

// Null when none of our windows has the focus.
HWND GetForegroundWindow();
