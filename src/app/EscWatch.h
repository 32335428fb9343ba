// The ESC test: sees ESC pressed in any window of the program, and ESC held.
#pragma once

#include <QObject>

class EscWatch : public QObject
{
    Q_OBJECT
public:
    // Installs itself as an application-wide event filter.
    explicit EscWatch(QObject *parent = nullptr);

    // True when ESC was pressed since the previous test (or since arm()), or
    // is held down now. Clears the "pressed since" mark.
    bool test();
    // Forgets presses made before now (start of a download); a key still held
    // keeps counting.
    void arm();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_pressedSince = false;
    bool m_down = false;
};
