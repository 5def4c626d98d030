#pragma once

// The reader a decode input asks for first, by its leading byte. A fixed table, so a seed
// keeps its meaning whichever plugins are installed; a name Qt does not know (and the empty
// entry) leaves the choice to the content, as for a file without an extension.

#include <QByteArray>
#include <array>
#include <cstdint>

namespace vantoria::fuzz {

inline constexpr std::array<const char*, 20> kFormats = {
    "",    "bmp", "cur", "gif",  "icns", "ico",  "jpeg", "mng",  "pbm", "pgm",
    "png", "ppm", "svg", "svgz", "tga",  "tiff", "wbmp", "webp", "xbm", "xpm"};

inline QByteArray FormatForSelector(std::uint8_t selector) {
  return QByteArray(kFormats[selector % kFormats.size()]);
}

}  // namespace vantoria::fuzz
