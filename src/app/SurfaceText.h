// The window's own text output: each printed line is drawn below the previous
// one on the window surface (the port-busy notice), not in a dialog.
#pragma once

#include <QStringList>
#include <QWidget>

class SurfaceText : public QWidget
{
    Q_OBJECT
public:
    explicit SurfaceText(QWidget *parent = nullptr);

    // Draws the text at the current text position and moves it to the next line.
    void printLine(const QString &text);
    const QStringList &lines() const { return m_lines; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList m_lines;
};
