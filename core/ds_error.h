#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "core/zvi_string.h"

// The reader's own failures; thrown by value, caught at the top of opening.
struct DS_Error {
  zvi_string message;
  explicit DS_Error(zvi_string m) : message(std::move(m)) {}
};

// Thrown as a plain unsigned integer, not as a DS_Error, when a file or the
// embedded project cannot be opened.
constexpr uint32_t kCannotOpenFileCode = 0x8200000Bu;
