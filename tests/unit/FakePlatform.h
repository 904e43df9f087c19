#pragma once
// The one fake application object of the unit tests: input, clipboard,
// workspace and scripts write every effect into one journal; the main loop runs
// work at once; the other ports are the null ones; the host is this Linux host.
#include <chrono>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ManualTimers.h"
#include "app/Globals.h"
#include "input/InputQueues.h"
#include "platform/Platform.h"
#include "platform/headless/NullPorts.h"
#include "platform/linux/LinuxHost.h"
#include "runtime/Clock.h"

namespace tarsel::testing {

// Every effect in order, with the manual clock's time it happened at. Tests
// run queued work on their own thread, so nothing here is shared.
class Journal {
  public:
    explicit Journal(const Clock& clock) : clock_(clock) {}
    void add(std::string entry) {
        entries_.push_back(std::move(entry));
        times_.push_back(clock_.monotonic());
    }
    const std::vector<std::string>& all() const { return entries_; }
    // Seconds since the first entry, one per entry, to the microsecond.
    std::vector<double> times() const {
        std::vector<double> out;
        for (double t : times_) out.push_back(std::round((t - times_.front()) * 1e6) / 1e6);
        return out;
    }
    void clear() { entries_.clear(), times_.clear(); }

  private:
    const Clock& clock_;
    std::vector<std::string> entries_;
    std::vector<double> times_;
};

inline std::string fmt(double v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

class FakeInput : public InputEvents {
  public:
    explicit FakeInput(Journal& j) : journal_(j) {}
    void postKey(uint16_t code, bool down, uint64_t flags) override {
        journal_.add(std::string(down ? "down " : "up ") + std::to_string(code) + " " +
                     std::to_string(flags));
    }
    void postMouse(int type, Point p, int button, int64_t clickState, bool clear) override {
        at_ = p;
        journal_.add("mouse " + std::to_string(type) + " " + fmt(p.x) + "," + fmt(p.y) + " b" +
                     std::to_string(button) + " c" + std::to_string(clickState) +
                     (clear ? " clear" : ""));
    }
    void postScroll(int32_t pixels) override { journal_.add("scroll " + std::to_string(pixels)); }
    Point pointerLocation() override { return at_; }
    void placePointer(Point p) { at_ = p; }

  private:
    Journal& journal_;
    Point at_{500, 400};
};

class FakeClipboard : public Clipboard {
  public:
    explicit FakeClipboard(Journal& j) : journal_(j) {}
    void setText(const std::string& t) override {
        text_ = t;
        journal_.add("clipboard " + t);
    }
    std::string text() override { return text_; }

  private:
    Journal& journal_;
    std::string text_;
};

class FakeWorkspace : public Workspace {
  public:
    explicit FakeWorkspace(Journal& j) : journal_(j) {}
    std::string frontmostApplicationId() override { return front; }
    void openTool(const std::vector<std::string>& args) override {
        std::string e = "open";
        for (auto& a : args) e += " " + a;
        journal_.add(e);
    }
    bool openURL(const std::string& url) override {
        journal_.add("url " + url);
        return true;
    }
    bool isApplicationInstalled(const std::string& id) override { return installed.count(id) > 0; }
    void launchApplication(const std::string& name) override { journal_.add("launch " + name); }
    std::string front;
    std::set<std::string> installed{"com.google.Chrome"};

  private:
    Journal& journal_;
};

class FakeScripts : public Scripts {
  public:
    explicit FakeScripts(Journal& j) : journal_(j) {}
    void run(const std::string& source) override { journal_.add("script " + source); }

  private:
    Journal& journal_;
};

// Runs main-thread work at once on the calling thread; later work on the
// test's manual timers.
class InlineMainLoop : public MainLoop {
  public:
    InlineMainLoop(asio::io_context& context, Timers& timers)
        : context_(context), timers_(timers) {}
    void post(std::function<void()> task) override { task(); }
    void postAfter(std::chrono::duration<double> d, std::function<void()> task) override {
        timers_.after(context_.get_executor(), d, std::move(task));
    }
    void run() override {}
    bool isMainThread() const override { return true; }

  private:
    asio::io_context& context_;
    Timers& timers_;
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

    explicit FakePlatform(const std::string& homeDir = "/nonexistent-home") {
        auto p = std::make_unique<Platform>();
        p->backendName = "fake";
        p->host = linuxHostConstants();
        p->host.homeDir = homeDir;
        fillNullPorts(*p);
        p->mainLoop = std::make_unique<InlineMainLoop>(context, timers);
        input = install(p->input, std::make_unique<FakeInput>(journal));
        workspace = install(p->workspace, std::make_unique<FakeWorkspace>(journal));
        p->clipboard = std::make_unique<FakeClipboard>(journal);
        p->scripts = std::make_unique<FakeScripts>(journal);
        setPlatform(std::move(p));
        globals().clock = &clock;
    }
    ~FakePlatform() { globals().clock = &Clock::system(); }

  private:
    template <class Port, class Fake>
    static Fake* install(std::unique_ptr<Port>& slot, std::unique_ptr<Fake> fake) {
        Fake* raw = fake.get();
        slot = std::move(fake);
        return raw;
    }
};

}  // namespace tarsel::testing
