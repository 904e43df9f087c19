#include "app/Shutdown.h"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "app/Globals.h"
#include "menubar/StatusBarController.h"
#include "net/UdpServer.h"
#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

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
        // A failed log write (standard output a pipe whose reader has gone)
        // is just a failed write; a hang-up ends the agent in order.
        std::signal(SIGPIPE, SIG_IGN);
        signals_.add(SIGINT);
        signals_.add(SIGTERM);
        signals_.add(SIGHUP);
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

// Start-up assigns the listener, the path watch and the advertisement on the
// main thread; the shutdown reads them only once start-up is done with them.
class StartUpGate {
  public:
    static StartUpGate& instance() {
        static StartUpGate* gate = new StartUpGate();  // lives until the exit
        return *gate;
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    // False when start-up is stuck past the limit (a hung tool, say).
    bool waitOpen(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        return opened_.wait_for(lock, limit, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Filled by start-up, run by the orderly end; never destroyed.
class FinalWork {
  public:
    static FinalWork& instance() {
        static FinalWork* work = new FinalWork();
        return *work;
    }
    void add(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    void run() {
        std::lock_guard lock(mutex_);
        for (auto& task : tasks_) task();
    }

  private:
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
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

void finishBeforeExit(std::function<void()> task) {
    FinalWork::instance().add(std::move(task));
}

void startUpComplete() {
    StartUpGate::instance().open();
}

void cleanupAndExit() {
    // The service manager answers our own unload with SIGTERM; that request,
    // and any other that comes while this runs, is ignored.
    if (shutdownStarted().exchange(true)) waitForTheExit();
    // Past the limit the services are left to the process's end: the kernel
    // closes the socket and the advertisement ends with our bus connection.
    const bool settled = StartUpGate::instance().waitOpen(std::chrono::seconds(10));
    logBlankLine();
    logLine(tr("🛑 server stopping..."));
    if (settled) stopServices();
    if (settled) FinalWork::instance().run();
    if (!StatusBarController::shared().isUpdateRestart && platform().login->runByServiceManager()) {
        platform().login->unload();
        logLine(tr(platform().host.words.loginUnloaded.c_str()));
    }
    logLine(tr("✅ clean-up done"));
    Logger::instance().flush();
    std::_Exit(0);  // no static destructor may race a worker thread
}

}  // namespace tarsel
