#include "platform/qt/QtAlerts.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <vector>

namespace tarsel {

int QtAlerts::runModal(const AlertSpec& alert) {
    QMessageBox box(alert.warning ? QMessageBox::Warning : QMessageBox::Information,
                    QStringLiteral("Tarsel"), QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informative));
    std::vector<QPushButton*> buttons;
    // Roles are only for placement; the answer is the button's position.
    for (const auto& title : alert.buttons)
        buttons.push_back(box.addButton(QString::fromStdString(title), QMessageBox::AcceptRole));
    if (!buttons.empty()) box.setDefaultButton(buttons.front());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);  // an agent without windows must still be seen
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return 1000 + static_cast<int>(i);
    return kAlertDismissed;
}

}  // namespace tarsel
