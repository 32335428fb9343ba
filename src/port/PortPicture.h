// The port dialog's two decorations, drawn rather than loaded: a serial
// connector and a USB plug.
#pragma once

#include <QWidget>

class PortPicture : public QWidget
{
    Q_OBJECT
public:
    enum Motif { SerialConnector, UsbPlug };
    explicit PortPicture(Motif motif, QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Motif m_motif;
};
