#pragma once

// The program's vocabulary, keyed by command id: each command's menu text, status-bar prompt
// and tooltip, and the few window and status-bar strings.

#include <QKeySequence>
#include <QString>
#include <vector>

namespace vantoria::res {

// Menu caption of a command without its shortcut column, e.g. "打开(&O)...". Commands without a
// menu item (the quarter turns, New) get their tooltip, so a toolbar or shortcut still has text.
QString MenuCaption(int id);
// The shortcut shown in the menu's shortcut column ("\tCtrl+O"); empty when there is none.
QKeySequence MenuShortcut(int id);
// The status-bar prompt, empty when the command has none.
QString StatusPrompt(int id);
// The tooltip, empty when the command has none.
QString ToolTip(int id);
// Every command id that has an entry, in table order.
std::vector<int> CommandIds();

QString AppTitle();        // "Vantoria": main window and message-box caption
QString DocumentName();    // "Vanto": base name of new documents
QString IdleStatusText();  // "就绪"
QString CapsIndicatorText();
QString NumIndicatorText();
QString ScrollIndicatorText();

}  // namespace vantoria::res
