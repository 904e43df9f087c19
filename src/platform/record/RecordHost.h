#pragma once
// The dry run's host ports: alerts, the login service and the input
// permission become record lines instead of windows and service-manager calls.
#include <memory>

#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/LoginService.h"
#include "platform/record/Recorder.h"

namespace tarsel {

// {"op":"alert","message","informative","buttons"}; answered from
// TARSEL_RECORD_ALERT (a button index, 1000 + index; unset = dismissed).
class RecordAlerts : public Alerts {
  public:
    explicit RecordAlerts(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
    int runModal(const AlertSpec& alert) override;

  private:
    std::shared_ptr<Recorder> recorder_;
};

// Writes the registration for real (under HOME) but only records
// {"op":"login","action":"unload"|"load","args":[...]}: a dry run never
// stops or starts the user's real service.
class RecordLoginService : public LoginService {
  public:
    RecordLoginService(std::unique_ptr<LoginService> real, std::shared_ptr<Recorder> recorder)
        : real_(std::move(real)), recorder_(std::move(recorder)) {}
    std::string registrationPath() override { return real_->registrationPath(); }
    Result<std::string> install(const std::string& executablePath,
                                const std::string& logPath) override {
        return real_->install(executablePath, logPath);
    }
    // TARSEL_RECORD_UNIT=1 plays an agent its unit started.
    bool runByServiceManager() override;
    std::optional<bool> startsAtLogin() override { return real_->startsAtLogin(); }
    Result<> setStartsAtLogin(bool on) override { return real_->setStartsAtLogin(on); }
    std::vector<std::string> unloadCommand() override { return real_->unloadCommand(); }
    std::vector<std::string> loadCommand() override { return real_->loadCommand(); }
    void unload() override;
    void load() override;

  private:
    std::unique_ptr<LoginService> real_;
    std::shared_ptr<Recorder> recorder_;
};

// Trusted unless TARSEL_RECORD_TRUSTED is "0"; opening the settings is
// recorded as {"op":"settings","page":"accessibility"}.
class RecordAccessibility : public Accessibility {
  public:
    explicit RecordAccessibility(std::shared_ptr<Recorder> recorder)
        : recorder_(std::move(recorder)) {}
    bool isTrusted() override;
    void openSettings() override;

  private:
    std::shared_ptr<Recorder> recorder_;
};

}  // namespace tarsel
