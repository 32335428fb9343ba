// A picture on the main window that reports clicks (the help picture).
#pragma once

#include <QImage>
#include <QLabel>

class PictureBox : public QLabel
{
    Q_OBJECT
public:
    explicit PictureBox(const QImage &image, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
