#pragma once

// Process-wide switches for tests only; the program never calls them.

#include <functional>
#include <optional>

#include "app/lock_indicators.h"

namespace vantoria {

// Replaces the keyboard as what the lock indicators read, for indicators made afterwards; an
// empty function restores the keyboard.
using LockKeyReader = std::function<std::optional<LockKeyState>()>;
void SetLockKeyReader(LockKeyReader reader);

}  // namespace vantoria
