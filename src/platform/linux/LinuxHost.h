#pragma once
#include "platform/Host.h"

namespace tarsel {

HostConstants linuxHostConstants();

}  // namespace tarsel
