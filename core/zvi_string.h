#pragma once
// The engine's wide string: UTF-16 code units, as stored in project files.
#include <string>

using zvi_string = std::u16string;
