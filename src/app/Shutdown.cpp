#include "app/Shutdown.h"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "app/Globals.h"
#include "menubar/StatusBarController.h"
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Log.h"

namespace tarsel {
namespace {

// Asio catches the signal and hands it to this thread, where printing and
// waiting for a child process are safe.
class SignalWatcher {
  public:
    static SignalWatcher& instance() {
        static SignalWatcher* watcher = new SignalWatcher();  // lives until the exit
        return *watcher;
    }

    void start() {
        if (started_.exchange(true)) return;
        signals_.add(SIGINT);
        signals_.add(SIGTERM);
        signals_.async_wait([](const asio::error_code& ec, int) {
            if (!ec) cleanupAndExit();
        });
        std::thread([this] { io_.run(); }).detach();
    }

  private:
    asio::io_context io_;
    asio::signal_set signals_{io_};
    std::atomic<bool> started_{false};
};

std::atomic<bool>& shutdownStarted() {
    static std::atomic<bool> started{false};
    return started;
}

[[noreturn]] void waitForTheExit() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void stopServices() {
    auto& g = globals();
    if (auto listener = std::exchange(g.activeListener, nullptr)) listener->cancel();
    g.pathMonitor.reset();     // the watch's end cancels it
    g.bonjourService.reset();  // the handle's end withdraws the advertisement
}

}  // namespace

void setupSignalHandler() {
    SignalWatcher::instance().start();
}

void cleanupAndExit() {
    // The service manager answers our own unload with SIGTERM; that request,
    // and any other that comes while this runs, is ignored.
    if (shutdownStarted().exchange(true)) waitForTheExit();
    logBlankLine();
    logLine("🛑 서버 종료 중...");
    stopServices();
    if (!StatusBarController::shared().isUpdateRestart) {
        app().login->unload();
        logLine("✅ LaunchAgent 내림 (KeepAlive 자동재시작 차단)");
    }
    logLine("✅ 정리 완료");
    Logger::instance().flush();
    std::_Exit(0);  // no static destructor may race a worker thread
}

}  // namespace tarsel
