#include "platform/qt/QtMainLoop.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace tarsel {

bool qtWaylandAvailable() {
    const QString plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    return QFileInfo::exists(plugins + "/platforms/libqwayland-generic.so");
}

QtMainLoop::QtMainLoop(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
    // A background agent: closing an alert or a menu must not end the process.
    QApplication::setQuitOnLastWindowClosed(false);
}

QtMainLoop::~QtMainLoop() = default;

void QtMainLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(app_.get(), std::move(task), Qt::QueuedConnection);
}

void QtMainLoop::postAfter(std::chrono::duration<double> delay, std::function<void()> task) {
    const int ms = static_cast<int>(delay.count() * 1000.0 + 0.5);
    // Timers belong to the thread that starts them: start it on the main thread.
    post([ms, task = std::move(task)]() mutable {
        QTimer::singleShot(ms, Qt::PreciseTimer, QCoreApplication::instance(), std::move(task));
    });
}

void QtMainLoop::run() {
    QApplication::exec();
}

bool QtMainLoop::isMainThread() const {
    return QThread::currentThread() == app_->thread();
}

}  // namespace tarsel
