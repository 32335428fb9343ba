#include "DialogRouter.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

using namespace Qt::StringLiterals;

DialogRouter::DialogRouter(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

void DialogRouter::message(const QString &title, const QString &text)
{
    if (m_handler) {
        m_handler({Kind::Message, title, text});
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_window);
    box.exec();
}

bool DialogRouter::question(const QString &title, const QString &text)
{
    if (m_handler)
        return m_handler({Kind::Question, title, text});
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, m_window);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void DialogRouter::information(const QString &title, const QString &text)
{
    if (m_handler) {
        m_handler({Kind::Information, title, text});
        return;
    }
    QMessageBox::information(m_window, title, text, QMessageBox::Ok);
}

bool DialogRouter::notice(const QString &title, const QString &text)
{
    if (m_handler)
        return m_handler({Kind::Notice, title, text});
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Close, m_window);
    QPushButton *open = box.addButton(u"Open"_s, QMessageBox::AcceptRole);
    box.exec();
    return box.clickedButton() == open;
}
