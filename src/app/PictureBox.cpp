#include "PictureBox.h"

#include <QMouseEvent>
#include <QPixmap>

PictureBox::PictureBox(const QImage &image, QWidget *parent)
    : QLabel(parent)
{
    setPixmap(QPixmap::fromImage(image));
    setAlignment(Qt::AlignCenter);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}
