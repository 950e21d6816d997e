// The program's own icon: a small car on a black line.
#pragma once

#include <QIcon>

namespace ormakin {

// Drawn at 16, 32 and 48 pixels, for the title bar and the task bar.
QIcon AppIcon();

}  // namespace ormakin
