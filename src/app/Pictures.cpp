#include "Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage drawGauge(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF face(s * 0.06, s * 0.06, s * 0.88, s * 0.88);

    QRadialGradient body(face.center(), s * 0.5);
    body.setColorAt(0.0, QColor(250, 250, 245));
    body.setColorAt(0.85, QColor(215, 222, 230));
    body.setColorAt(1.0, QColor(120, 135, 150));
    p.setPen(QPen(QColor(45, 60, 80), qMax(1.0, s * 0.04)));
    p.setBrush(body);
    p.drawEllipse(face);

    // Scale from 225 degrees (left bottom) clockwise to -45 degrees; the last
    // quarter is the red "too thick" zone.
    const QPointF c = face.center();
    const qreal r = face.width() / 2;
    p.setPen(QPen(QColor(200, 40, 40), qMax(1.0, s * 0.06), Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(c.x() - r * 0.72, c.y() - r * 0.72, r * 1.44, r * 1.44);
    p.drawArc(arc, -45 * 16, 60 * 16);
    p.setPen(QPen(QColor(45, 60, 80), qMax(1.0, s * 0.025)));
    for (int i = 0; i <= 10; ++i) {
        const qreal angle = qDegreesToRadians(225.0 - 27.0 * i);
        const qreal inner = (i % 5 == 0) ? 0.58 : 0.68;
        p.drawLine(QPointF(c.x() + r * inner * qCos(angle), c.y() - r * inner * qSin(angle)),
                   QPointF(c.x() + r * 0.8 * qCos(angle), c.y() - r * 0.8 * qSin(angle)));
    }

    const qreal needle = qDegreesToRadians(225.0 - 27.0 * 6.5);
    p.setPen(QPen(QColor(20, 20, 20), qMax(1.0, s * 0.05), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + r * 0.7 * qCos(needle), c.y() - r * 0.7 * qSin(needle)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 60, 80));
    p.drawEllipse(c, s * 0.07, s * 0.07);
    return image;
}

QImage drawProbe(int width, int height)
{
    QImage image = blankImage(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width;
    const qreal h = height;

    // The coated part under the probe: base metal with a coating layer.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 155, 165));
    p.drawRect(QRectF(0, h * 0.86, w, h * 0.14));
    p.setBrush(QColor(70, 140, 90));
    p.drawRect(QRectF(0, h * 0.80, w, h * 0.06));

    // The cable, the grip and the measuring tip.
    QPainterPath cable;
    cable.moveTo(w * 0.5, h * 0.22);
    cable.cubicTo(w * 0.5, h * 0.05, w * 0.85, h * 0.1, w * 0.95, 0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 30, 30), qMax(1.0, w * 0.04)));
    p.drawPath(cable);

    QLinearGradient grip(w * 0.36, 0, w * 0.64, 0);
    grip.setColorAt(0, QColor(40, 70, 130));
    grip.setColorAt(0.5, QColor(90, 130, 200));
    grip.setColorAt(1, QColor(30, 55, 110));
    p.setPen(QPen(QColor(20, 35, 70), 1));
    p.setBrush(grip);
    p.drawRoundedRect(QRectF(w * 0.36, h * 0.2, w * 0.28, h * 0.46), w * 0.06, w * 0.06);

    QPolygonF tip;
    tip << QPointF(w * 0.4, h * 0.66) << QPointF(w * 0.6, h * 0.66) << QPointF(w * 0.53, h * 0.8)
        << QPointF(w * 0.47, h * 0.8);
    p.setBrush(QColor(190, 190, 195));
    p.drawPolygon(tip);
    return image;
}

QImage drawHelpSign(int size)
{
    QImage image = blankImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(QPen(QColor(20, 70, 150), qMax(1.0, s * 0.05)));
    p.setBrush(QColor(60, 130, 220));
    p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));

    // The question mark as strokes, so it looks the same whatever fonts exist.
    QPainterPath mark;
    mark.moveTo(s * 0.34, s * 0.36);
    mark.cubicTo(s * 0.34, s * 0.18, s * 0.66, s * 0.18, s * 0.66, s * 0.36);
    mark.cubicTo(s * 0.66, s * 0.48, s * 0.5, s * 0.48, s * 0.5, s * 0.6);
    p.setPen(QPen(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(s * 0.5, s * 0.76), s * 0.065, s * 0.065);
    return image;
}
