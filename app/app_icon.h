#pragma once

#include <QIcon>

// The program's icon for its window, in the sizes a title bar and a task bar use (16 to 48
// pixels); the larger images live in the installed icon theme.
QIcon AppIcon();
