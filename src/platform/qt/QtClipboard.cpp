#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tarsel {

void QtClipboard::setText(const std::string& utf8) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    // Plain text only: QMimeData offers UTF8_STRING/text/plain;charset=utf-8.
    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    clipboard->setMimeData(data, QClipboard::Clipboard);
}

std::string QtClipboard::text() {
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard).toStdString();
}

}  // namespace tarsel
