#include "view/dialog_opener.h"

#include <QWidget>
#include <utility>

#include "dialogs/brightness_contrast_dlg.h"
#include "dialogs/hue_saturation_dlg.h"
#include "dialogs/mosaic_dlg.h"
#include "dialogs/rotate_dlg.h"
#include "dialogs/size_dlg.h"
#include "dialogs/threshold_dlg.h"
#include "dialogs/transparency_dlg.h"
#include "res/command_ids.h"
#include "view/testing_hooks.h"

namespace vantoria {
namespace {

ParameterDialogOpener& Opener() {
  static ParameterDialogOpener opener;
  return opener;
}

// The dialog lives for the command only; it posts its own messages, so its result is unused.
template <class Dialog, class... Arguments>
void RunModal(QWidget* owner, Arguments... arguments) {
  {
    Dialog dialog(arguments..., owner);
    dialog.DoModal();
  }
  // Hand the keyboard back to the window the dialog blocked: a window manager does this on its
  // own, but without one the focus would stay nowhere and the shortcuts would go unheard.
  if (owner) {
    owner->activateWindow();
  }
}

void OpenDefault(int id, QWidget* owner, std::optional<QSize> imageSize) {
  switch (id) {
    case cmd::ID_ADJUST_BRIGHTNESS_CONTRAST:
      RunModal<CBrightnessContrastDlg>(owner);
      break;
    case cmd::ID_ADJUST_TRANSPARENCY:
      RunModal<CTransparencyDlg>(owner);
      break;
    case cmd::ID_ADJUST_HSL:
      RunModal<CHueSaturationDlg>(owner);
      break;
    case cmd::ID_ADJUST_THRESHOLD:
      RunModal<CThresholdDlg>(owner);
      break;
    case cmd::ID_IMAGE_SIZE:
      RunModal<CSizeDlg>(owner, imageSize);
      break;
    case cmd::ID_IMAGE_ROTATE:
      RunModal<CRotateDlg>(owner);
      break;
    case cmd::ID_FILTER_MOSAIC:
      RunModal<CMosaicDlg>(owner);
      break;
    default:
      break;
  }
}

}  // namespace

void SetParameterDialogOpener(ParameterDialogOpener opener) {
  Opener() = std::move(opener);
}

void OpenParameterDialog(int id, QWidget* owner, std::optional<QSize> imageSize) {
  if (const ParameterDialogOpener& opener = Opener()) {
    opener(id, owner);
    return;
  }
  OpenDefault(id, owner, imageSize);
}

}  // namespace vantoria
