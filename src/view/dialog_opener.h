#pragma once

#include <QSize>
#include <functional>
#include <optional>

class QWidget;

namespace vantoria {

// Opens the modal parameter dialog of a view command (brightness/contrast, transparency,
// hue/saturation/lightness, threshold, size, rotate, mosaic). The dialog posts its own
// preview, final and restore messages; the caller passes nothing and reads nothing back.
// `owner` is the window the dialog is centred on and blocks; `imageSize` is the size of the
// picture the command is for (none without one), all the size dialog needs to know of it.
void OpenParameterDialog(int id, QWidget* owner, std::optional<QSize> imageSize);

}  // namespace vantoria
