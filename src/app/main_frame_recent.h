#pragma once

class QAction;
class QMenu;
class QWidget;

namespace vantoria {

class CDocManager;

// Lists the recent files in a File menu each time it opens: "&1 name" ... before `exitAction`,
// followed by a separator. Choosing one opens it; a file that has gone is dropped from the list
// with a message over `dialogParent`.
void AttachRecentFileList(QMenu* fileMenu, QAction* exitAction, CDocManager& documents,
                          QWidget* dialogParent);

}  // namespace vantoria
