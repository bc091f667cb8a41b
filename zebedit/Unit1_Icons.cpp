#include "Unit1_Icons.h"

#include <QPainter>
#include <QPixmap>
#include <functional>

namespace zebedit {
namespace {

QIcon Draw(const std::function<void(QPainter &)> &Paint) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint(painter);
    return QIcon(pixmap);
}

void Folder(QPainter &P) {
    P.setPen(QColor(150, 110, 20));
    P.setBrush(QColor(240, 200, 80));
    P.drawRect(QRectF(1.5, 4.5, 13, 9));
    P.drawRect(QRectF(1.5, 2.5, 5, 2));
}

void Sheet(QPainter &P) {
    P.setPen(QColor(30, 110, 50));
    P.setBrush(Qt::white);
    P.drawRect(QRectF(1.5, 1.5, 13, 13));
    for (double x : {5.5, 9.5}) P.drawLine(QPointF(x, 1.5), QPointF(x, 14.5));
    for (double y : {5.5, 9.5}) P.drawLine(QPointF(1.5, y), QPointF(14.5, y));
}

void Sign(QPainter &P, QColor Colour, bool Plus) {
    P.setPen(Qt::NoPen);
    P.setBrush(Colour);
    P.drawRect(QRectF(2, 6.5, 12, 3));
    if (Plus) P.drawRect(QRectF(6.5, 2, 3, 12));
}

void Cross(QPainter &P) {
    P.setPen(QPen(QColor(190, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    P.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

}  // namespace

TImageList MakeImageList() {
    return {Draw(Folder), Draw(Sheet), Draw([](QPainter &P) { Sign(P, QColor(30, 140, 30), true); }),
            Draw([](QPainter &P) { Sign(P, QColor(200, 40, 40), false); }), Draw(Cross)};
}

}  // namespace zebedit
