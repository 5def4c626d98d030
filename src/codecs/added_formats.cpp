#include "codecs/added_formats.h"

#include <array>
#include <string_view>

namespace vantoria {

bool IsAddedFormat(const QByteArray& format) {
  constexpr std::array<std::string_view, 4> kAdded = {"avif", "heic", "heif", "jxl"};
  for (const std::string_view added : kAdded) {
    if (format == QByteArray::fromRawData(added.data(), static_cast<qsizetype>(added.size()))) {
      return true;
    }
  }
  return false;
}

}  // namespace vantoria
