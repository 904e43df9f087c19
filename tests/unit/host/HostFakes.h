#pragma once
#include "Require.h"
// Fake ports for the host tests, and small helpers for files and tools.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/Platform.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/LinuxHost.h"

namespace tarsel::testing {

class FakeMainLoop : public MainLoop {
  public:
    void post(std::function<void()> task) override { posted.push_back(std::move(task)); }
    void postAfter(std::chrono::duration<double> delay, std::function<void()> task) override {
        delayed.push_back({delay.count(), std::move(task)});
    }
    void run() override {}
    bool isMainThread() const override { return true; }

    // Runs what was posted so far, as the event loop would.
    void drain() {
        auto tasks = std::move(posted);
        posted.clear();
        for (auto& t : tasks) t();
    }

    std::vector<std::function<void()>> posted;
    struct Delayed {
        double seconds;
        std::function<void()> task;
    };
    std::vector<Delayed> delayed;
};

class FakeAccessibility : public Accessibility {
  public:
    bool isTrusted() override { return trusted; }
    void openSettings() override { ++settingsOpened; }
    bool trusted = false;
    int settingsOpened = 0;
};

class FakeAlerts : public Alerts {
  public:
    int runModal(const AlertSpec& alert) override {
        shown.push_back(alert);
        return answer;
    }
    int answer = kAlertDismissed;
    std::vector<AlertSpec> shown;
};

// Fake ports on top of the null ones; the test keeps raw pointers to inspect them.
struct FakePlatform {
    FakeMainLoop* mainLoop;
    FakeAccessibility* accessibility;
    FakeAlerts* alerts;

    explicit FakePlatform(const std::string& homeDir = "/nonexistent-home") {
        auto p = std::make_unique<Platform>();
        p->backendName = "test";
        p->host = linuxHostConstants();
        p->host.homeDir = homeDir;
        p->host.tccutilPath.clear();
        fillNullPorts(*p);
        auto loop = std::make_unique<FakeMainLoop>();
        auto access = std::make_unique<FakeAccessibility>();
        auto alertPort = std::make_unique<FakeAlerts>();
        mainLoop = loop.get();
        accessibility = access.get();
        alerts = alertPort.get();
        p->mainLoop = std::move(loop);
        p->accessibility = std::move(access);
        p->alerts = std::move(alertPort);
        setPlatform(std::move(p));
    }
};

// A fresh directory under the system's temporary folder, removed afterwards.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A shell script standing in for a command-line tool.
inline std::string writeTool(const std::string& path, const std::string& body) {
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n')
            lines.push_back(std::exchange(line, {}));
        else
            line.push_back(c);
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace tarsel::testing
