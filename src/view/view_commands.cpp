#include <algorithm>
#include <array>

#include "framework/user_prompts.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_messages.h"
#include "operations/operation_poster.h"
#include "res/command_ids.h"
#include "view/dialog_opener.h"
#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria {
namespace {

using namespace cmd;
using ops::OperationMessage;

struct PostedCommand {
  int id;
  OperationMessage message;
};

// Fixed operations carry no parameters beyond their variant.
constexpr ops::WParam kNoVariant = 0;
constexpr ops::LParam kNoParameter = 0;
// The quarter turns open a new step at once, like an OK.
constexpr ops::WParam kRotateNow = ops::PackWParam(ops::kOriginFinal, true);

constexpr std::array<PostedCommand, 16> kPostedCommands = {{
    {ID_ADJUST_INVERT, {ops::WM_OP_INVERT, kNoVariant, kNoParameter}},
    {ID_GRAY_MAXIMUM, {ops::WM_OP_GRAYSCALE, ops::kGrayMaximum, kNoParameter}},
    {ID_GRAY_AVERAGE, {ops::WM_OP_GRAYSCALE, ops::kGrayAverage, kNoParameter}},
    {ID_GRAY_WEIGHTED, {ops::WM_OP_GRAYSCALE, ops::kGrayWeighted, kNoParameter}},
    {ID_ADJUST_REDEYE, {ops::WM_OP_REDEYE, kNoVariant, kNoParameter}},
    {ID_IMAGE_CROP, {ops::WM_OP_CROP, kNoVariant, kNoParameter}},
    {ID_MIRROR_HORIZONTAL, {ops::WM_OP_MIRROR, ops::kMirrorHorizontal, kNoParameter}},
    {ID_MIRROR_VERTICAL, {ops::WM_OP_MIRROR, ops::kMirrorVertical, kNoParameter}},
    {ID_SHARPEN_LAPLACIAN, {ops::WM_OP_SHARPEN, kNoVariant, kNoParameter}},
    {ID_SOFTEN_SIMPLE, {ops::WM_OP_SOFTEN, ops::kSoftenBox, kNoParameter}},
    {ID_SOFTEN_GAUSSIAN, {ops::WM_OP_SOFTEN, ops::kSoftenGaussian, kNoParameter}},
    {ID_SOFTEN_MEDIAN, {ops::WM_OP_SOFTEN, ops::kSoftenMedian, kNoParameter}},
    {ID_FILTER_EMBOSS, {ops::WM_OP_EMBOSS, kNoVariant, kNoParameter}},
    {ID_FILTER_SKETCH, {ops::WM_OP_SKETCH, kNoVariant, kNoParameter}},
    {ID_ROTATE_RIGHT_90, {ops::WM_OP_ROTATE, kRotateNow, ops::PackAngle(ops::kRotateRightAngle)}},
    {ID_ROTATE_LEFT_90, {ops::WM_OP_ROTATE, kRotateNow, ops::PackAngle(ops::kRotateLeftAngle)}},
}};

constexpr std::array<int, 7> kDialogCommands = {
    ID_ADJUST_BRIGHTNESS_CONTRAST,
    ID_ADJUST_TRANSPARENCY,
    ID_ADJUST_HSL,
    ID_ADJUST_THRESHOLD,
    ID_IMAGE_SIZE,
    ID_IMAGE_ROTATE,
    ID_FILTER_MOSAIC,
};

const PostedCommand* FindPosted(int id) {
  const auto* found = std::find_if(kPostedCommands.begin(), kPostedCommands.end(),
                                   [id](const PostedCommand& command) { return command.id == id; });
  return found == kPostedCommands.end() ? nullptr : found;
}

}  // namespace

bool CVantoriaView::IsDialogCommand(int id) {
  return std::find(kDialogCommands.begin(), kDialogCommands.end(), id) != kDialogCommands.end();
}

bool CVantoriaView::IsViewCommand(int id) {
  return id == ID_EDIT_SELECT_ALL || id == ID_EDIT_UNDO || id == ID_EDIT_REDO ||
         IsDialogCommand(id) || IsZoomCommand(id) || FindPosted(id) != nullptr;
}

void CVantoriaView::OnCommand(int id) {
  // No handler reads the image or the selection: the application's handler asks for the
  // selection when it runs the posted operation.
  if (const PostedCommand* posted = FindPosted(id)) {
    PostOperationMessage(posted->message);
  } else if (IsDialogCommand(id)) {
    const CVantoriaDoc* document = GetDocument();
    const bool hasImage = document && document->GetImage();
    OpenParameterDialog(id, window(), hasImage ? std::optional(ImageSize()) : std::nullopt);
  } else if (id == ID_EDIT_SELECT_ALL) {
    OnEditSelectAll();
  } else if (IsZoomCommand(id)) {
    OnZoomCommand(id);
  } else if (CVantoriaDoc* document = GetDocument()) {
    // With nothing to undo or redo the command does nothing; a step that cannot be taken is
    // one whose picture has another size and no memory left for it.
    bool stepTaken = true;
    if (id == ID_EDIT_UNDO && document->CanUndo()) {
      stepTaken = document->Undo();
    } else if (id == ID_EDIT_REDO && document->CanRedo()) {
      stepTaken = document->Redo();
    }
    if (!stepTaken) {
      prompts::ShowWarning(window(), texts::OutOfMemory());
    }
  }
}

void CVantoriaView::OnZoomCommand(int id) {
  switch (id) {
    case ID_VIEW_ZOOM_IN:
      ZoomIn();
      break;
    case ID_VIEW_ZOOM_OUT:
      ZoomOut();
      break;
    case ID_VIEW_ZOOM_ACTUAL:
      ZoomActual();
      break;
    case ID_VIEW_ZOOM_FIT:
      ZoomFit();
      break;
    case ID_EDIT_SELECT_NONE:
      OnEditSelectNone();
      break;
    case ID_EDIT_COPY:
      OnEditCopy();
      break;
    default:
      break;
  }
}

}  // namespace vantoria
