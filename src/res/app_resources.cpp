#include "res/app_resources.h"

#include <mutex>

#include "res/command_ids.h"

// Q_INIT_RESOURCE must be expanded outside any namespace.
static void RegisterVantoriaResources() {
  Q_INIT_RESOURCE(vantoria);
}

namespace vantoria::res {
namespace {

struct CommandPicture {
  int id;
  const char* path;
};

constexpr CommandPicture kPictures[] = {
    {cmd::ID_FILE_OPEN, ":/icons/open.png"},
    {cmd::ID_FILE_SAVE, ":/icons/save.png"},
    {cmd::ID_FILE_SAVE_AS, ":/icons/save_as.png"},
    {cmd::ID_MIRROR_HORIZONTAL, ":/icons/mirror_horizontal.png"},
    {cmd::ID_MIRROR_VERTICAL, ":/icons/mirror_vertical.png"},
    {cmd::ID_ROTATE_RIGHT_90, ":/icons/rotate_right.png"},
    {cmd::ID_ROTATE_LEFT_90, ":/icons/rotate_left.png"},
    {cmd::ID_EDIT_UNDO, ":/icons/undo.png"},
    {cmd::ID_EDIT_REDO, ":/icons/redo.png"},
    {cmd::ID_EDIT_SELECT_ALL, ":/icons/select_all.png"},
    {cmd::ID_VIEW_ZOOM_IN, ":/icons/zoom_in.png"},
    {cmd::ID_VIEW_ZOOM_OUT, ":/icons/zoom_out.png"},
    {cmd::ID_VIEW_ZOOM_ACTUAL, ":/icons/zoom_actual.png"},
    {cmd::ID_VIEW_ZOOM_FIT, ":/icons/zoom_fit.png"},
};

}  // namespace

void InitResources() {
  static std::once_flag once;
  std::call_once(once, RegisterVantoriaResources);
}

QIcon AppIcon() {
  InitResources();
  QIcon icon;
  for (int size : {16, 32, 48, 256}) {
    icon.addFile(QStringLiteral(":/icons/vantoria-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

QIcon CommandIcon(int id) {
  InitResources();
  for (const CommandPicture& picture : kPictures) {
    if (picture.id == id) {
      return QIcon(QString::fromLatin1(picture.path));
    }
  }
  return QIcon();
}

}  // namespace vantoria::res
