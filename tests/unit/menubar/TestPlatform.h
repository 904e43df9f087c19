#pragma once
// An application object for self-update tests: null ports, a main loop that
// runs posted work at once on the posting thread, alerts and URL openings that
// are remembered, and a login service that notes its calls in a file.
#include <atomic>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TestExecutors.h"
#include "app/Globals.h"
#include "menubar/L10n.h"
#include "menubar/StatusBarController.h"
#include "platform/Platform.h"
#include "platform/headless/NullPorts.h"

namespace tarsel::testing {

class InlineMainLoop : public MainLoop {
  public:
    void post(std::function<void()> task) override { task(); }
    void postAfter(std::chrono::duration<double>, std::function<void()>) override {}
    void run() override {}
    bool isMainThread() const override { return true; }
};

struct Seen {
    std::mutex mutex;
    std::vector<AlertSpec> alerts;
    std::vector<std::string> openedURLs;
    std::vector<std::string> requests;
    int alertAnswer = 1001;             // "나중에"
    std::shared_future<void> httpGate;  // when set, requests wait for it
};

class SeenAlerts : public Alerts {
  public:
    explicit SeenAlerts(std::shared_ptr<Seen> seen) : seen_(std::move(seen)) {}
    int runModal(const AlertSpec& alert) override {
        std::lock_guard lock(seen_->mutex);
        seen_->alerts.push_back(alert);
        return seen_->alertAnswer;
    }

  private:
    std::shared_ptr<Seen> seen_;
};

class SeenWorkspace : public Workspace {
  public:
    explicit SeenWorkspace(std::shared_ptr<Seen> seen) : seen_(std::move(seen)) {}
    std::string frontmostApplicationId() override { return ""; }
    void openTool(const std::vector<std::string>&) override {}
    bool openURL(const std::string& url) override {
        std::lock_guard lock(seen_->mutex);
        seen_->openedURLs.push_back(url);
        return true;
    }
    bool isApplicationInstalled(const std::string&) override { return false; }
    void launchApplication(const std::string&) override {}

  private:
    std::shared_ptr<Seen> seen_;
};

// Remembers every address asked for and never answers with a body.
class RefusingHttp : public Http {
  public:
    explicit RefusingHttp(std::shared_ptr<Seen> seen) : seen_(std::move(seen)) {}
    HttpResponse get(const std::string& url, double) override { return note(url); }
    HttpResponse download(const std::string& url, const std::string&, double,
                          const std::atomic<bool>&) override {
        return note(url);
    }

  private:
    HttpResponse note(const std::string& url) {
        if (seen_->httpGate.valid()) seen_->httpGate.wait();
        std::lock_guard lock(seen_->mutex);
        seen_->requests.push_back(url);
        return {false, 0, "", "refused"};
    }
    std::shared_ptr<Seen> seen_;
};

// Appends "unload"/"load" to `eventsPath`, so tests see the order of events
// across processes.
class NotingLogin : public LoginService {
  public:
    explicit NotingLogin(std::string eventsPath) : events_(std::move(eventsPath)) {}
    std::string registrationPath() override { return ""; }
    bool install(const std::string&, const std::string&, std::string*) override { return true; }
    std::vector<std::string> unloadCommand() override { return {}; }
    std::vector<std::string> loadCommand() override { return {}; }
    void unload() override { note("unload"); }
    void load() override { note("load"); }

  private:
    void note(const std::string& what) { std::ofstream(events_, std::ios::app) << what << "\n"; }
    std::string events_;
};

// `http` replaces the refusing stand-in (a real client for the HTTPS tests).
inline std::shared_ptr<Seen> installTestPlatform(const HostConstants& host,
                                                 const std::string& eventsPath = "/dev/null",
                                                 std::unique_ptr<Http> http = nullptr) {
    auto seen = std::make_shared<Seen>();
    auto p = std::make_unique<Platform>();
    p->backendName = "test";
    p->host = host;
    fillNullPorts(*p);
    p->mainLoop = std::make_unique<InlineMainLoop>();
    p->alerts = std::make_unique<SeenAlerts>(seen);
    p->workspace = std::make_unique<SeenWorkspace>(seen);
    p->http = http ? std::move(http) : std::make_unique<RefusingHttp>(seen);
    p->login = std::make_unique<NotingLogin>(eventsPath);
    setPlatform(std::move(p));
    auto& g = globals();
    if (!g.ipQueue)
        g.ipQueue = std::make_unique<SerialQueue>("com.remote.ipQueue", executors().global);
    return seen;
}

inline std::unique_ptr<StatusBarController> testController(const std::string& websiteHost) {
    auto controller =
        std::make_unique<StatusBarController>("1.0.16", websiteHost, L10n::english(websiteHost));
    controller->useExecutors(executors());
    return controller;
}

}  // namespace tarsel::testing
