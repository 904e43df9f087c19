// The agent's entry: the application object, start-up, then the event loop.
#include <string>
#include <vector>

#include "app/Startup.h"
#include "platform/Platform.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    tarsel::setApp(tarsel::createPlatform(argc, argv));
    tarsel::startUp(arguments);
    tarsel::app().mainLoop->run();
    return 0;
}
