#include "SurfaceText.h"

#include <QPainter>

SurfaceText::SurfaceText(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

void SurfaceText::printLine(const QString &text)
{
    m_lines.append(text);
    updateGeometry();
    update();
}

QSize SurfaceText::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    for (const QString &line : m_lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    return {width, int(m_lines.size()) * metrics.lineSpacing()};
}

void SurfaceText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    int y = metrics.ascent();
    for (const QString &line : m_lines) {
        painter.drawText(0, y, line);
        y += metrics.lineSpacing();
    }
}
