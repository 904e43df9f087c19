#include "platform/qt/KeyboardIcon.h"

#include <QPainter>
#include <QPixmap>

namespace tarsel {
namespace {

// A rounded outline with three rows of keys and a space bar.
QPixmap drawKeyboard(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = size / 16.0;
    p.setPen(QPen(Qt::black, u));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(u * 0.5, u * 3.5, u * 15, u * 9), u * 1.5, u * 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col)
            p.drawRect(QRectF(u * (2 + col * 2), u * (5.5 + row * 2), u * 1.2, u * 1.2));
    p.drawRect(QRectF(u * 4, u * 9.5, u * 8, u * 1.2));
    return pixmap;
}

}  // namespace

QIcon keyboardIcon() {
    QIcon themed = QIcon::fromTheme("input-keyboard");
    if (!themed.isNull()) return themed;
    QIcon drawn;
    for (int size : {16, 22, 32, 64}) drawn.addPixmap(drawKeyboard(size));
    drawn.setIsMask(true);
    return drawn;
}

}  // namespace tarsel
