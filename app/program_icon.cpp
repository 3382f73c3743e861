#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace app {
namespace {

QPixmap icon_picture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // A vault door: a rounded square with a dial.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
    painter.setBrush(QColor(0xe8, 0xb9, 0x3c));
    painter.drawEllipse(QPointF(32, 32), 15, 15);
    painter.setBrush(QColor(0x1f, 0x4e, 0x79));
    painter.drawEllipse(QPointF(32, 32), 6, 6);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 3));
    painter.drawLine(QPointF(32, 17), QPointF(32, 24));
    return picture;
}

}  // namespace

QIcon program_icon() {
    QIcon icon;
    for (const int size : {16, 22, 32, 48, 64}) icon.addPixmap(icon_picture(size));
    return icon;
}

}  // namespace app
