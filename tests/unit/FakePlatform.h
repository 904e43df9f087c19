#pragma once
// The one fake application object of the unit tests: input, clipboard,
// workspace and scripts write every effect into one journal; the main loop runs
// work at once; the other ports are the null ones; the host is this Linux host.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ManualTimers.h"
#include "app/Globals.h"
#include "input/InputQueues.h"
#include "net/ReceiveLoop.h"
#include "platform/Platform.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/LinuxHost.h"
#include "runtime/Clock.h"

namespace tarsel::testing {

// Every effect in order, with the manual clock's time it happened at. Tests
// run queued work on their own thread, so nothing here is shared.
struct Journal {
    void add(std::string entry) {
        entries.push_back(std::move(entry)), at.push_back(clock.monotonic());
    }
    const std::vector<std::string>& all() const { return entries; }
    // Seconds since the first entry, one per entry, to the microsecond.
    std::vector<double> times() const {
        std::vector<double> out;
        for (double t : at) out.push_back(std::round((t - at.front()) * 1e6) / 1e6);
        return out;
    }
    void clear() { entries.clear(), at.clear(); }
    const Clock& clock;
    std::vector<std::string> entries{};
    std::vector<double> at{};
};

inline std::string fmt(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// "+cmd+shift" for the Command and Shift flags; unnamed bits as a number.
inline std::string flagNames(uint64_t flags) {
    std::string out;
    for (auto [bit, name] : {std::pair{0x100000u, "+cmd"},
                             {0x20000u, "+shift"},
                             {0x40000u, "+ctrl"},
                             {0x80000u, "+opt"},
                             {0x1000000u, "+super"}})
        if (flags & bit) out += name, flags &= ~uint64_t{bit};
    return flags ? out + "+" + std::to_string(flags) : out;
}

// A port whose effects go into the journal.
template <class Port>
struct Journaled : Port {
    explicit Journaled(Journal& j) : journal(j) {}
    Journal& journal;
};

struct FakeInput : Journaled<InputEvents> {
    using Journaled::Journaled;
    void postKey(uint16_t code, bool down, uint64_t flags) override {
        journal.add(std::string(down ? "down " : "up ") + std::to_string(code) + flagNames(flags));
    }
    void postMouse(int type, Point p, int button, int64_t clickState, bool clear) override {
        at = p;
        journal.add("mouse " + std::to_string(type) + " " + fmt(p.x) + "," + fmt(p.y) + " b" +
                    std::to_string(button) + " c" + std::to_string(clickState) +
                    (clear ? " clear" : ""));
    }
    void postScroll(int32_t pixels) override { journal.add("scroll " + std::to_string(pixels)); }
    void postSmoothScroll(double x, double y) override {
        journal.add("smooth scroll " + fmt(x) + "," + fmt(y));
    }
    void holdModifiers(uint64_t flags) override { journal.add("hold" + flagNames(flags)); }
    Point pointerLocation() override { return at; }
    Point at{500, 400};
};

struct FakeClipboard : Journaled<Clipboard> {
    using Journaled::Journaled;
    void setText(const std::string& t) override { journal.add("clipboard " + (text_ = t)); }
    bool setTextAndPrimary(const std::string& t) override {
        if (!primary) return Clipboard::setTextAndPrimary(t);
        journal.add("primary " + (text_ = t));
        return true;
    }
    std::string text() override { return text_; }
    bool seesReads() const override { return reads; }
    void onNextRead(std::function<void()> done) override { onRead = std::move(done); }
    std::string text_;
    bool reads = false;    // like the Wayland clipboards when set
    bool primary = false;  // like the X11 clipboard when set
    std::function<void()> onRead;
};

struct FakeWorkspace : Journaled<Workspace> {
    using Journaled::Journaled;
    std::string frontmostApplicationId() override { return front; }
    EditingKeys frontmostEditingKeys() override { return keys; }
    void openTool(const std::vector<std::string>& args) override {
        std::string e = "open";
        for (auto& a : args) e += " " + a;
        journal.add(e);
    }
    bool openURL(const std::string& url) override { return journal.add("url " + url), true; }
    bool isApplicationInstalled(const std::string& id) override { return installed.count(id) > 0; }
    void launchApplication(const std::string& name) override { journal.add("launch " + name); }
    std::string front;
    EditingKeys keys = EditingKeys::standard;
    std::set<std::string> installed{"com.google.Chrome"};
};

struct FakeScripts : Journaled<Scripts> {
    using Journaled::Journaled;
    void run(const std::string& source) override { journal.add("script " + source); }
};

// Runs main-thread work at once on the calling thread; later work on the
// test's manual timers.
struct InlineMainLoop : MainLoop {
    InlineMainLoop(asio::io_context& context, Timers& timers) : context(context), timers(timers) {}
    void post(std::function<void()> task) override { task(); }
    void postAfter(std::chrono::duration<double> d, std::function<void()> task) override {
        timers.after(context.get_executor(), d, std::move(task));
    }
    void run() override {}
    bool isMainThread() const override { return true; }
    asio::io_context& context;
    Timers& timers;
};

// A connection that keeps what it sent and runs commands at once, or keeps
// them for the test to run.
struct FakeConnection : ConnectionIO {
    Result<> send(std::string_view text) override { return sent.emplace_back(text), Result<>{}; }
    void cancel() override {}
    void cancelAfter(double) override {}
    void submitCommand(std::function<void()> task) override {
        runCommands ? task() : commands.push_back(std::move(task));
    }
    std::vector<std::string> sent;
    bool runCommands = true;
    std::vector<std::function<void()>> commands;
};

// Queued work (the input queues, once installed) runs on `context`, on the
// test's thread, when the test drains it.
struct FakePlatform {
    ManualClock clock;
    asio::io_context context;
    ManualTimers timers{clock};
    Journal journal{clock};
    FakeInput* input = nullptr;
    FakeWorkspace* workspace = nullptr;
    FakeClipboard* clipboard = nullptr;

    explicit FakePlatform(const std::string& homeDir = "/nonexistent-home") {
        auto p = std::make_unique<Platform>();
        p->backendName = "fake";
        p->host = linuxHostConstants();
        p->host.homeDir = homeDir;
        fillNullPorts(*p);
        p->mainLoop = std::make_unique<InlineMainLoop>(context, timers);
        p->input.reset(input = new FakeInput(journal));
        p->workspace.reset(workspace = new FakeWorkspace(journal));
        p->clipboard.reset(clipboard = new FakeClipboard(journal));
        p->scripts = std::make_unique<FakeScripts>(journal);
        setPlatform(std::move(p));
        globals().clock = &clock;
    }
    ~FakePlatform() { globals().clock = &Clock::system(); }
};

// One fake platform for a whole binary, with the input queues installed: the
// queues and their timers outlive a single test.
inline FakePlatform& fakes() {
    static auto* platform = [] {
        auto* p = new FakePlatform();
        KeyMapProcessor::installQueues(p->context.get_executor(), p->timers, p->clock);
        return p;
    }();
    return *platform;
}

// Runs everything the input queues were given, holds and pauses included.
inline void settle() {
    fakes().timers.drain(fakes().context);
}

}  // namespace tarsel::testing
