// The controller against fake ports: the update check's effects on the fields,
// its alerts and log lines, and the menu it shows.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <thread>

#include "LogCapture.h"
#include "TestExecutors.h"
#include "app/Globals.h"
#include "menubar/StatusBarController.h"
#include "platform/Platform.h"
#include "platform/headless/NullPorts.h"

namespace tarsel {
namespace {

// Posted work waits until the test drains it on its own (main) thread.
class QueuedMainLoop : public MainLoop {
  public:
    void post(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        cv_.notify_all();
    }
    void postAfter(std::chrono::duration<double>, std::function<void()>) override {}
    void run() override {}
    bool isMainThread() const override { return true; }
    // Runs one posted task, waiting for it; false if none came.
    bool runOne() {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, std::chrono::seconds(20), [this] { return !tasks_.empty(); }))
            return false;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
};

struct Fakes {
    QueuedMainLoop* loop = nullptr;
    HttpResponse answer;
    std::vector<std::string> requested;
    std::vector<AlertSpec> alerts;
    int alertAnswer = 1001;
    std::vector<std::string> opened;
    std::vector<std::vector<MenuItem>> menus;
};

class FakeHttp : public Http {
  public:
    explicit FakeHttp(Fakes& f) : f_(f) {}
    HttpResponse get(const std::string& url, double) override {
        f_.requested.push_back(url);
        HttpResponse r = f_.answer;
        f_.loop->post([] {});  // tells the test the transfer is over
        return r;
    }
    HttpResponse download(const std::string&, const std::string&, double,
                          const std::atomic<bool>&) override {
        return {};
    }

  private:
    Fakes& f_;
};

class FakeAlerts : public Alerts {
  public:
    explicit FakeAlerts(Fakes& f) : f_(f) {}
    int runModal(const AlertSpec& a) override {
        f_.alerts.push_back(a);
        return f_.alertAnswer;
    }
    Fakes& f_;
};

class FakeWorkspace : public Workspace {
  public:
    explicit FakeWorkspace(Fakes& f) : f_(f) {}
    std::string frontmostApplicationId() override { return ""; }
    void openTool(const std::vector<std::string>&) override {}
    bool openURL(const std::string& url) override {
        f_.opened.push_back(url);
        return true;
    }
    bool isApplicationInstalled(const std::string&) override { return false; }
    void launchApplication(const std::string&) override {}
    Fakes& f_;
};

class FakeStatusItem : public StatusItem {
  public:
    explicit FakeStatusItem(Fakes& f) : f_(f) {}
    bool install() override { return true; }
    void show(const std::vector<MenuItem>& menu) override { f_.menus.push_back(menu); }
    Fakes& f_;
};

class ControllerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto p = std::make_unique<Platform>();
        p->host.websiteHost = "tarsel.example";
        fillNullPorts(*p);
        auto loop = std::make_unique<QueuedMainLoop>();
        fakes.loop = loop.get();
        p->mainLoop = std::move(loop);
        p->http = std::make_unique<FakeHttp>(fakes);
        p->alerts = std::make_unique<FakeAlerts>(fakes);
        p->workspace = std::make_unique<FakeWorkspace>(fakes);
        p->statusItem = std::make_unique<FakeStatusItem>(fakes);
        setPlatform(std::move(p));
        auto& g = globals();
        if (!g.ipQueue)
            g.ipQueue =
                std::make_unique<SerialQueue>("com.remote.ipQueue", testing::executors().global);
        g.serverPIN = "246810";
        controller = std::make_unique<StatusBarController>("1.0.16", "tarsel.example",
                                                           L10n::english("tarsel.example"));
        controller->useExecutors(testing::executors());
    }

    // Runs one check to its end: the transfer, then (if any) the main-loop work.
    void check(bool userInitiated, const std::string& body, bool applies = true) {
        fakes.answer = {true, 200, body, ""};
        controller->checkForUpdates(userInitiated);
        ASSERT_TRUE(fakes.loop->runOne());
        if (applies) {
            ASSERT_TRUE(fakes.loop->runOne());
        }
    }

    // The transfer thread logs a failure after its marker: wait for the line.
    std::string waitForLogLine(const std::string& prefix) {
        for (int i = 0; i < 4000; ++i) {
            auto lines = log.lines();
            if (!lines.empty() && lines.back().rfind(prefix, 0) == 0) return lines.back();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return "<no line starting with " + prefix + ">";
    }

    std::string lastUpdateLine() {
        const auto& menu = fakes.menus.back();
        return menu[menu.size() - 5].title;
    }

    Fakes fakes;
    std::unique_ptr<StatusBarController> controller;
    testing::LogCapture log;
};

TEST_F(ControllerTest, UserInitiatedCheckWithNewerVersionOffersTheDownloadPage) {
    fakes.alertAnswer = 1000;
    check(true, R"({"mac":{"latest":"1.0.17","dmg_url":"https://tarsel.example/t.dmg"}})");
    EXPECT_EQ(fakes.requested, std::vector<std::string>{"https://tarsel.example/version.json"});
    EXPECT_EQ(controller->latestVersion, "1.0.17");
    EXPECT_EQ(controller->dmgDirectURL, "https://tarsel.example/t.dmg");
    EXPECT_TRUE(controller->lastCheckedAt);
    ASSERT_EQ(fakes.alerts.size(), 1u);
    EXPECT_EQ(fakes.alerts[0].message, "새 버전 1.0.17 사용 가능");
    EXPECT_EQ(fakes.alerts[0].informative,
              "현재 버전: 1.0.16\n새 버전 다운로드 페이지를 여시겠습니까?");
    EXPECT_EQ(fakes.alerts[0].buttons,
              (std::vector<std::string>{"다운로드 페이지 열기", "나중에"}));
    EXPECT_EQ(fakes.opened, std::vector<std::string>{"https://tarsel.example/downloads.html"});
    EXPECT_EQ(lastUpdateLine(), "🔴  Install New Version (v1.0.17)");
    EXPECT_EQ(log.lines().back(), "✅ 업데이트 체크 완료: 현재 1.0.16, 최신 1.0.17");
}

TEST_F(ControllerTest, UserInitiatedCheckWithSameVersionSaysUpToDate) {
    check(true, R"({"mac":{"latest":"1.0.16","url":"https://tarsel.example/d"}})");
    ASSERT_EQ(fakes.alerts.size(), 1u);
    EXPECT_EQ(fakes.alerts[0].message, "최신 버전입니다");
    EXPECT_EQ(fakes.alerts[0].informative, "현재 버전 1.0.16 이 최신입니다.");
    EXPECT_EQ(fakes.alerts[0].buttons, std::vector<std::string>{"확인"});
    EXPECT_TRUE(fakes.opened.empty());
    EXPECT_EQ(controller->downloadURL, "https://tarsel.example/d");
    EXPECT_EQ(lastUpdateLine(), "✓  Up to date");
}

TEST_F(ControllerTest, BackgroundCheckNeverAlertsAndLaterChecksReplaceEveryField) {
    check(false, R"({"mac":{"latest":"1.0.17","url":"https://a.example/","dmg_url":"x",
                           "sha256":"ab"}})");
    check(false, R"({"mac":{"latest":"1.0.18"}})");
    EXPECT_TRUE(fakes.alerts.empty());
    EXPECT_EQ(controller->latestVersion, "1.0.18");
    EXPECT_EQ(controller->downloadURL, "https://tarsel.example/downloads.html");
    EXPECT_FALSE(controller->dmgDirectURL);
    EXPECT_FALSE(controller->expectedSHA256);
}

TEST_F(ControllerTest, FailedChecksChangeNothingAndShowNoAlert) {
    check(false, R"({"mac":{"latest":"1.0.17"}})");
    auto before = controller->lastCheckedAt;
    size_t menusBefore = fakes.menus.size();

    check(true, R"({"mac":{"latest":1.0}})", false);
    EXPECT_EQ(waitForLogLine("⚠️"), "⚠️ version.json 파싱 실패");
    fakes.answer = {false, 0, "", "Could not resolve host: tarsel.example"};
    controller->checkForUpdates(true);
    ASSERT_TRUE(fakes.loop->runOne());
    EXPECT_EQ(waitForLogLine("⚠️ 업데이트"),
              "⚠️ 업데이트 체크 실패: Could not resolve host: tarsel.example");

    EXPECT_EQ(controller->latestVersion, "1.0.17");
    EXPECT_EQ(controller->lastCheckedAt, before);
    EXPECT_TRUE(fakes.alerts.empty());
    EXPECT_EQ(fakes.menus.size(), menusBefore);
}

TEST_F(ControllerTest, SetUpdateStateRebuildsOnTheMainLoopAndDownloadPageFallsBack) {
    controller->setUpdateState(UpdateState::verifying);
    EXPECT_EQ(controller->updateState, UpdateState::idle);  // not yet: it hops
    ASSERT_TRUE(fakes.loop->runOne());
    EXPECT_EQ(controller->updateState, UpdateState::verifying);
    EXPECT_EQ(lastUpdateLine(), "🔍  Verifying…");

    controller->downloadURL = "not a url";
    controller->openDownloadPage();
    controller->downloadURL = "https://mirror.example/get";
    controller->openDownloadPage();
    EXPECT_EQ(fakes.opened, (std::vector<std::string>{"https://tarsel.example/downloads.html",
                                                      "https://mirror.example/get"}));
}

}  // namespace
}  // namespace tarsel
