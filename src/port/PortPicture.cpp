#include "PortPicture.h"

#include <QPainter>
#include <QPainterPath>

PortPicture::PortPicture(Motif motif, QWidget *parent)
    : QWidget(parent)
    , m_motif(motif)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize PortPicture::sizeHint() const
{
    return {72, 48};
}

void PortPicture::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(4, 6, -4, -6);
    const QColor metal(150, 156, 166);
    const QColor dark(60, 64, 72);
    p.setPen(QPen(dark, 1.5));
    if (m_motif == SerialConnector) {
        // A 9-pin D shell: five pins over four.
        QPainterPath shell;
        const qreal inset = r.width() * 0.08;
        shell.moveTo(r.left(), r.top());
        shell.lineTo(r.right(), r.top());
        shell.lineTo(r.right() - inset, r.bottom());
        shell.lineTo(r.left() + inset, r.bottom());
        shell.closeSubpath();
        p.setBrush(metal);
        p.drawPath(shell);
        p.setBrush(dark);
        const qreal pin = r.height() * 0.16;
        const qreal step = r.width() / 6.0;
        for (int i = 0; i < 5; ++i)
            p.drawEllipse(QPointF(r.left() + step * (i + 1), r.top() + r.height() * 0.32), pin / 2, pin / 2);
        for (int i = 0; i < 4; ++i)
            p.drawEllipse(QPointF(r.left() + step * (i + 1.5), r.top() + r.height() * 0.68), pin / 2, pin / 2);
    } else {
        // A USB-A plug: cable, body, and the metal head with its two windows.
        const QRectF head(r.left(), r.top() + r.height() * 0.25, r.width() * 0.4, r.height() * 0.5);
        const QRectF body(head.right(), r.top() + r.height() * 0.15, r.width() * 0.35, r.height() * 0.7);
        p.setBrush(metal);
        p.drawRect(head);
        p.setBrush(dark);
        const qreal w = head.width() * 0.22;
        p.drawRect(QRectF(head.left() + head.width() * 0.2, head.center().y() - head.height() * 0.3, w, w));
        p.drawRect(QRectF(head.left() + head.width() * 0.6, head.center().y() - head.height() * 0.3, w, w));
        p.drawRoundedRect(body, 3, 3);
        p.setPen(QPen(dark, 3));
        p.drawLine(QPointF(body.right(), body.center().y()), QPointF(r.right(), body.center().y()));
    }
}
