#pragma once
// The tray icon: the desktop theme's "input-keyboard", else a monochrome
// keyboard drawn here, marked as a mask (template) image.
#include <QIcon>

namespace tarsel {

QIcon keyboardIcon();

}  // namespace tarsel
