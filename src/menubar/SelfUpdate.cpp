#include "menubar/SelfUpdate.h"

namespace tarsel {

void performSelfUpdate(StatusBarController&) {}

}  // namespace tarsel
