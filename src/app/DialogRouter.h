// Every box the main window shows goes through here: a message with OK, a
// question with Yes and No, the version box, and a notice that offers to
// open what it speaks of. A question's default is No: Return never replaces
// or deletes anything. Tests put a handler in place of the boxes.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

class DialogRouter : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Message, Question, Information, Notice };
    struct Request
    {
        Kind kind;
        QString title;
        QString text;
    };
    // Returns the answer to a Question (true = Yes) or a Notice (true = Open);
    // for the other kinds the result is ignored.
    using Handler = std::function<bool(const Request &)>;

    // The boxes are modal on window, which owns the router.
    explicit DialogRouter(QWidget *window);

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    void message(const QString &title, const QString &text);
    // True for Yes.
    bool question(const QString &title, const QString &text);
    // With the information icon.
    void information(const QString &title, const QString &text);
    // "Open" beside "Close": true when the user chose Open.
    bool notice(const QString &title, const QString &text);

private:
    QWidget *m_window;
    Handler m_handler;
};
