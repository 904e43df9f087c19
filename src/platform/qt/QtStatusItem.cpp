#include "platform/qt/QtStatusItem.h"

#include <QAction>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "platform/qt/KeyboardIcon.h"
#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

bool debugOpenMenuRequested() {
    const char* v = std::getenv("TARSEL_DEBUG_OPEN_MENU");
    return v && std::string(v) == "1";
}

// Key equivalents are Command-<key> on a Mac, Control-<key> here.
QKeySequence shortcutFor(const std::string& key) {
    return QKeySequence(QString("Ctrl+") + QString::fromStdString(key).toUpper());
}

constexpr int kTrayWatchMilliseconds = 2000;

// Qt decides once, at its first tray call, whether the desktop hosts
// StatusNotifierItems. Outside X11 that is the only kind of tray, so that
// first call waits until a host is on the bus (a panel that starts after us).
bool trayAvailable() {
    if (QGuiApplication::platformName() != "xcb") {
        const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        if (!bus || !bus->isServiceRegistered("org.kde.StatusNotifierWatcher")) return false;
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace

QtStatusItem::QtStatusItem() = default;
QtStatusItem::~QtStatusItem() = default;

bool QtStatusItem::install() {
    menu_ = std::make_unique<QMenu>();
    debugPopupPending_ = debugOpenMenuRequested();
    if (trayAvailable()) {
        showTrayIcon();
        return true;
    }
    logLine(tr("⚠️ [Tray] no system tray: running on without the menu icon"));
    // Started at log-in, the agent may come up before the panel does.
    trayWatch_ = std::make_unique<QTimer>();
    QObject::connect(trayWatch_.get(), &QTimer::timeout, [this] {
        if (!trayAvailable()) return;
        trayWatch_->stop();
        showTrayIcon();
        logLine(tr("✅ [Tray] a system tray appeared: the menu icon is shown"));
    });
    trayWatch_->start(kTrayWatchMilliseconds);
    return false;
}

void QtStatusItem::showTrayIcon() {
    tray_ = std::make_unique<QSystemTrayIcon>(keyboardIcon());
    tray_->setToolTip("Tarsel Server");
    tray_->setContextMenu(menu_.get());
    // Many Linux trays send a left click as "Trigger": open the menu there too.
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
                     });
    tray_->show();
}

// The items change in place, one QAction each, so a menu that is open stays
// open through the 5-second refresh (clearing the menu would close it).
void QtStatusItem::show(const std::vector<MenuItem>& menu) {
    if (!menu_) return;
    handlers_.resize(menu.size());
    for (size_t i = 0; i < menu.size(); ++i) place(static_cast<int>(i), menu[i]);
    const QList<QAction*> extra = menu_->actions().mid(static_cast<int>(menu.size()));
    for (QAction* action : extra) {
        menu_->removeAction(action);
        action->deleteLater();
    }
    if (debugPopupPending_) {
        debugPopupPending_ = false;
        QTimer::singleShot(0, [this] { popUpForDebugging(); });
    }
}

// Item `i` as `item`: the action there is reused when it is of the same kind.
void QtStatusItem::place(int i, const MenuItem& item) {
    const QList<QAction*> actions = menu_->actions();
    QAction* action = i < actions.size() ? actions[i] : nullptr;
    if (!action || action->isSeparator() != item.separator) {
        QAction* fresh = item.separator ? new QAction(menu_.get()) : newAction(i);
        fresh->setSeparator(item.separator);
        menu_->insertAction(action, fresh);
        if (action) {
            menu_->removeAction(action);
            action->deleteLater();
        }
        action = fresh;
    }
    if (item.separator) return;
    action->setText(QString::fromStdString(item.title));
    action->setEnabled(item.enabled);
    action->setCheckable(item.checked.has_value());
    action->setChecked(item.checked.value_or(false));
    action->setShortcut(item.keyEquivalent.empty() ? QKeySequence()
                                                   : shortcutFor(item.keyEquivalent));
    handlers_[static_cast<size_t>(i)] = item.action;
    placeSubmenu(i, action, item);
}

// A submenu is rebuilt whole: it changes rarely (a browser paired or forgotten).
void QtStatusItem::placeSubmenu(int i, QAction* action, const MenuItem& item) {
    auto& submenu = submenus_[i];
    if (item.submenu.empty()) {
        action->setMenu(nullptr);
        submenu.reset();
        return;
    }
    auto fresh = std::make_unique<QMenu>();
    for (const MenuItem& sub : item.submenu) {
        if (sub.separator) {
            fresh->addSeparator();
            continue;
        }
        QAction* entry = fresh->addAction(QString::fromStdString(sub.title));
        entry->setEnabled(sub.enabled);
        QObject::connect(entry, &QAction::triggered, fresh.get(), [fn = sub.action] {
            if (fn) QTimer::singleShot(0, fn);
        });
    }
    action->setMenu(fresh.get());
    submenu = std::move(fresh);
}

// An action that runs whatever item `i` does when chosen. Queued: the item's
// work may change this menu.
QAction* QtStatusItem::newAction(int i) {
    auto* action = new QAction(menu_.get());
    QObject::connect(action, &QAction::triggered, menu_.get(), [this, i] {
        const auto index = static_cast<size_t>(i);
        if (index >= handlers_.size() || !handlers_[index]) return;
        QTimer::singleShot(0, [fn = handlers_[index]] { fn(); });
    });
    return action;
}

// Opens the menu below the tray icon, or at the top right of the screen.
void QtStatusItem::popUpForDebugging() {
    QPoint at;
    if (tray_ && tray_->geometry().isValid()) {
        at = tray_->geometry().bottomLeft();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        at = QPoint(area.right() - menu_->sizeHint().width(), area.top());
    }
    menu_->popup(at);
    logLine(tr("🔧 [Tray] the menu was opened (TARSEL_DEBUG_OPEN_MENU)"));
}

}  // namespace tarsel
