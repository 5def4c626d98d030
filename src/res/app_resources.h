#pragma once

// The pictures compiled into the program: the application icon and the toolbar icons.

#include <QIcon>

namespace vantoria::res {

// Registers the compiled-in resources. The GUI library is static, so its resource data is only
// linked in when something calls this; every user of the pictures below does, so it is safe to
// call any number of times.
void InitResources();

QIcon AppIcon();
// The 16 x 16 toolbar picture of a command; a null icon for commands without one.
QIcon CommandIcon(int id);

}  // namespace vantoria::res
