#include "app/Globals.h"

#include "net/UdpServer.h"

namespace tarsel {

Globals& globals() {
    static Globals* values = new Globals();  // never destroyed: workers may outlive main
    return *values;
}

}  // namespace tarsel
