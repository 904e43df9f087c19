#pragma once
// The tray item on a Qt desktop: a QSystemTrayIcon with a QMenu. Needs the
// QApplication of the Qt main loop. Without a system tray it logs one line,
// keeps running and shows the icon once a tray appears; the menu is still built, so
// TARSEL_DEBUG_OPEN_MENU=1 can pop it up for inspection.
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/StatusItem.h"

namespace tarsel {

class QtStatusItem : public StatusItem {
  public:
    QtStatusItem();
    ~QtStatusItem() override;
    bool install() override;
    void show(const std::vector<MenuItem>& menu) override;

  private:
    void showTrayIcon();
    void popUpForDebugging();
    void place(int i, const MenuItem& item);
    void placeSubmenu(int i, QAction* action, const MenuItem& item);
    QAction* newAction(int i);
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QTimer> trayWatch_;               // polls for a tray that came late
    std::vector<std::function<void()>> handlers_;     // what each item does, by position
    std::map<int, std::unique_ptr<QMenu>> submenus_;  // by position
    bool debugPopupPending_ = false;
};

}  // namespace tarsel
