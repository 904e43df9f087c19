#pragma once
// The application object: the chosen backend's ports and host facts. One per
// process (the `app` value of start-up); tests build their own with fakes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Host.h"
#include "platform/Http.h"
#include "platform/InputEvents.h"
#include "platform/InputPause.h"
#include "platform/LoginService.h"
#include "platform/MainLoop.h"
#include "platform/PairingView.h"
#include "platform/PathMonitor.h"
#include "platform/Scripts.h"
#include "platform/ServiceAdvertiser.h"
#include "platform/StatusItem.h"
#include "platform/Workspace.h"

namespace tarsel {

struct Executors;

struct Platform {
    std::string backendName;  // "x11", "headless", "record"
    HostConstants host;
    std::unique_ptr<MainLoop> mainLoop;
    std::unique_ptr<InputEvents> input;
    std::shared_ptr<InputPause> inputPause;  // none where the desktop cannot stop input
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<Scripts> scripts;
    std::unique_ptr<ServiceAdvertiser> advertiser;
    std::unique_ptr<PathMonitor> pathMonitor;
    std::unique_ptr<LoginService> login;
    std::unique_ptr<Accessibility> accessibility;
    std::unique_ptr<StatusItem> statusItem;
    std::unique_ptr<Alerts> alerts;
    std::unique_ptr<PairingView> pairingView;  // none without a display
    std::unique_ptr<Http> http;
    // Ends what the backend holds open with the desktop; at the orderly end.
    std::function<void()> release;
};

// The process's application object. Start-up installs it before anything else
// runs; tests install one of their own.
Platform& platform();
void setPlatform(std::unique_ptr<Platform> platform);

// Builds the backend named by TARSEL_BACKEND (auto, x11, headless, record).
std::unique_ptr<Platform> createPlatform(int& argc, char** argv, Executors& executors);
// In a Wayland session without its compositor: the agent starts itself again,
// with `arguments` (without argv[0]), once the compositor is back. Once.
void restartWhenTheDisplayReturns(std::vector<std::string> arguments, Executors& executors);

}  // namespace tarsel
