#include "platform/headless/NullPorts.h"

namespace tarsel {
namespace {

class NullInput : public InputEvents {
  public:
    void postKey(uint16_t, bool, uint64_t) override {}
    void postMouse(int, Point p, int, int64_t, bool) override { at_ = p; }
    void postScroll(int32_t) override {}
    void postSmoothScroll(double, double) override {}
    Point pointerLocation() override { return at_; }

  private:
    Point at_{500, 400};
};

class NullClipboard : public Clipboard {
  public:
    void setText(const std::string& t) override { text_ = t; }
    std::string text() override { return text_; }

  private:
    std::string text_;
};

class NullWorkspace : public Workspace {
  public:
    std::string frontmostApplicationId() override { return ""; }
    void openTool(const std::vector<std::string>&) override {}
    bool openURL(const std::string&) override { return false; }
    bool isApplicationInstalled(const std::string&) override { return false; }
    void launchApplication(const std::string&) override {}
};

class NullScripts : public Scripts {
  public:
    void run(const std::string&) override {}
};

class NullAccessibility : public Accessibility {
  public:
    bool isTrusted() override { return false; }
    void openSettings() override {}
};

class NullStatusItem : public StatusItem {
  public:
    bool install() override { return false; }
    void show(const std::vector<MenuItem>&) override {}
};

class NullLoginService : public LoginService {
  public:
    std::string registrationPath() override { return ""; }  // nothing to register
    Result<std::string> install(const std::string&, const std::string&) override {
        return failure("no service manager");
    }
    std::vector<std::string> unloadCommand() override { return {}; }
    std::vector<std::string> loadCommand() override { return {}; }
    void unload() override {}
    void load() override {}
};

class NullAlerts : public Alerts {
  public:
    int runModal(const AlertSpec&) override { return kAlertDismissed; }
};

class NullHttp : public Http {
  public:
    Result<HttpResponse> get(const std::string&, double) override {
        return failure("HTTP unavailable");
    }
    Result<HttpResponse> download(const std::string&, const std::string&, double,
                                  const std::atomic<bool>&) override {
        return failure("HTTP unavailable");
    }
};

}  // namespace

void fillNullPorts(Platform& p) {
    p.input = std::make_unique<NullInput>();
    p.clipboard = std::make_unique<NullClipboard>();
    p.workspace = std::make_unique<NullWorkspace>();
    p.scripts = std::make_unique<NullScripts>();
    p.accessibility = std::make_unique<NullAccessibility>();
    p.statusItem = std::make_unique<NullStatusItem>();
    p.alerts = std::make_unique<NullAlerts>();
    p.http = std::make_unique<NullHttp>();
    p.login = std::make_unique<NullLoginService>();
}

}  // namespace tarsel
