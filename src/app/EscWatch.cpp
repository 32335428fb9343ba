#include "EscWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

EscWatch::EscWatch(QObject *parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool EscWatch::test()
{
    const bool pressed = m_pressedSince || m_down;
    m_pressedSince = false;
    return pressed;
}

void EscWatch::arm()
{
    m_pressedSince = false;
}

bool EscWatch::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            m_pressedSince = true;
            m_down = true;
        }
        break;
    case QEvent::KeyRelease: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            m_down = false;
        break;
    }
    // A release that happens while another program has the focus never
    // reaches us; forget the held key when our windows lose the keyboard.
    // The press itself still counts once.
    case QEvent::WindowDeactivate:
    case QEvent::ApplicationDeactivate:
        m_down = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
