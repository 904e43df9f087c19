#pragma once
// The main loop with a display: Qt's event loop on the main thread. It owns
// the QApplication, so it must be created before any other Qt object.
#include <QApplication>
#include <memory>

#include "platform/MainLoop.h"

namespace tarsel {

// Whether Qt can load its Wayland platform (the qt6-wayland package).
bool qtWaylandAvailable();

class QtMainLoop : public MainLoop {
  public:
    QtMainLoop(int& argc, char** argv);
    ~QtMainLoop() override;
    void post(std::function<void()> task) override;
    void postAfter(std::chrono::duration<double> delay, std::function<void()> task) override;
    void run() override;
    bool isMainThread() const override;

  private:
    std::unique_ptr<QApplication> app_;
};

}  // namespace tarsel
