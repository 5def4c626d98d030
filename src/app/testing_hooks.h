#pragma once

// Process-wide switches for tests only; the program never calls them.

#include <QString>
#include <functional>
#include <optional>

#include "app/lock_indicators.h"
#include "core/pixel_image.h"
#include "document/image_codecs.h"

namespace vantoria {

// Replaces the keyboard as what the lock indicators read, for indicators made afterwards; an
// empty function restores the keyboard.
using LockKeyReader = std::function<std::optional<LockKeyState>()>;
void SetLockKeyReader(LockKeyReader reader);

// Replaces what writes the file of a save running on a worker (EncodeImageFile, called there)
// for saves started afterwards; an empty function restores it.
using SaveEncoder =
    std::function<bool(const PixelImage&, const QString&, const ImageEncoder&, QString*)>;
void SetSaveEncoder(SaveEncoder encoder);

}  // namespace vantoria
