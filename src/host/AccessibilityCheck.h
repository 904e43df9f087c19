#pragma once

namespace tarsel {

void checkAccessibilityPermission();
void openAccessibilitySettings();
void forceResetAccessibilityPermission();

}  // namespace tarsel
