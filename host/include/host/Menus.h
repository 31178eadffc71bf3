#pragma once

#include "host/HostExport.h"

#include <QString>

class QAction;
class QMenu;

namespace host {

// The host menu's find-by-caption: the first direct item of menu (invisible ones too,
// submenus by their title) whose caption equals caption once every "&" is removed from
// both, without regard to letter case. nullptr when there is none.
HOST_EXPORT QAction* FindMenuItem(const QMenu* menu, const QString& caption);

} // namespace host
