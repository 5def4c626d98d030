#pragma once

// Process-wide switches for tests only; the program never calls them.

#include <functional>

class QWidget;

namespace vantoria {

// Replaces what OpenParameterDialog does; an empty function restores the default, which runs
// the command's dialog modally. Tests record the calls through it.
using ParameterDialogOpener = std::function<void(int id, QWidget* owner)>;
void SetParameterDialogOpener(ParameterDialogOpener opener);

}  // namespace vantoria
