#pragma once

// What each of the image window's commands does, written out from the program's documented
// command list (never read back from the program): the message a posting command sends, or
// none for the commands that open a parameter dialog.

#include <optional>

#include "operations/operation_messages.h"

namespace vantoria::test {

struct ViewCommand {
  int id;
  std::optional<ops::OperationMessage> posts;  // none: opens its dialog and posts nothing
};

// clang-format off
inline constexpr ViewCommand kViewCommands[] = {
    {32778, {{1128, 0, 0}}}, {32781, {{1129, 0, 0}}}, {32782, {{1129, 1, 0}}},
    {32783, {{1129, 2, 0}}}, {32780, {{1131, 0, 0}}}, {32772, {{1133, 0, 0}}},
    {32784, {{1135, 0, 0}}}, {32785, {{1135, 64, 0}}}, {32789, {{1136, 0, 0}}},
    {32790, {{1137, 0, 0}}}, {32791, {{1137, 1, 0}}}, {32792, {{1137, 2, 0}}},
    {32786, {{1138, 0, 0}}}, {32788, {{1140, 0, 0}}}, {32795, {{1134, 1, 90}}},
    {32796, {{1134, 1, 270}}},
    {32775, {}}, {32776, {}}, {32801, {}}, {32779, {}}, {32800, {}}, {32773, {}}, {32787, {}},
};
// clang-format on

}  // namespace vantoria::test
