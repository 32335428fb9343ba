// What the end-to-end download tests share: a temporary program folder with
// Port.txt naming COM 3, the main window offscreen with its dialogs scripted,
// and an instrument on ports/com3: simulated on its own thread, or a bare
// pseudo-terminal that stays silent.
#pragma once

#include "CommControl.h"
#include "DataList.h"
#include "DialogRouter.h"
#include "DownloadState.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "WindowDownloadHost.h"

#include "TestFiles.h"
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>

class DownloadRig
{
public:
    struct FileRequest
    {
        QString filter;
        QString initDir;
        QString proposed;
    };

    DownloadRig()
    {
        QFile port(folder.filePath(QStringLiteral("Port.txt")));
        if (port.open(QIODevice::WriteOnly))
            port.write(" 3\r\n");
        QDir(folder.path()).mkdir(QStringLiteral("mes"));
    }

    InstrumentThread &plug(InstrumentFamily family)
    {
        instrument.reset();
        instrument = std::make_unique<InstrumentThread>(family);
        instrument->linkAsCom(folder.path(), 3);
        return *instrument;
    }

    // A device that only ever stays silent (and can be pulled).
    Pty &plugSilent()
    {
        silent = std::make_unique<Pty>();
        silent->linkAsCom(folder.path(), 3);
        ::fcntl(silent->masterFd(), F_SETFL, ::fcntl(silent->masterFd(), F_GETFL) | O_NONBLOCK);
        return *silent;
    }

    // Everything the program has sent to the silent device so far.
    QByteArray sentToSilent()
    {
        QTest::qWait(20);
        char buffer[512];
        qsizetype n;
        while ((n = ::read(silent->masterFd(), buffer, sizeof buffer)) > 0)
            silentBytes.append(buffer, n);
        return silentBytes;
    }

    MainWindow &start()
    {
        window = std::make_unique<MainWindow>(folder.path());
        window->dialogs().setHandler([this](const DialogRouter::Request &request) {
            dialogs.append(request);
            return answerYes;
        });
        window->fileDialog().setChooser([this](SharedFileDialog::Mode, const SharedFileDialog &dialog) {
            files.append({dialog.filter(), dialog.initDir(), dialog.fileName()});
            return fileAnswer;
        });
        window->load();
        QObject::connect(widget<QLineEdit>("WarnText2"), &QLineEdit::textChanged, window.get(),
                         [this](const QString &text) {
                             if (text.isEmpty())
                                 return;
                             warnTexts.append(text);
                             if (shown("QfuText1"))
                                 qfuTextsShown.append(widget<QLabel>("QfuText1")->text());
                             if (onWarnText)
                                 onWarnText(text);
                         });
        return *window;
    }

    template<typename W>
    W *widget(const char *name) const
    {
        return window->findChild<W *>(QLatin1StringView(name));
    }

    // Chooses the menu entry. A download still running after a generous bound
    // is ended with ESC (timedOut tells), so that a lost line fails the test
    // instead of hanging it.
    void trigger(const char *entry)
    {
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, window.get(), [this] {
            timedOut = true;
            QTest::keyClick(window.get(), Qt::Key_Escape);
        });
        watchdog.start(WatchdogMs);
        widget<QAction>(entry)->trigger();
    }

    bool shown(const char *control) const { return !widget<QWidget>(control)->isHidden(); }
    // The port closed, the menus free, and the download's texts and bar gone.
    bool restored() const
    {
        for (const char *hidden : {"Datenscroll1", "WarnText2", "WarnText1", "QfuText1"}) {
            if (shown(hidden))
                return false;
        }
        return !window->host().comm().portOpen() && !menusLocked();
    }
    bool menusLocked() const
    {
        for (const char *menu : {"mnuDatei", "mnuCom", "mnuEinlese", "mnuHelp"}) {
            if (widget<QMenu>(menu)->menuAction()->isEnabled())
                return false;
        }
        return true;
    }
    int barMaximum() const { return widget<QProgressBar>("Datenscroll1")->maximum(); }

    // Runs fn after ms, inside whatever wait of the download lets events run.
    void at(int ms, std::function<void()> fn) { QTimer::singleShot(ms, window.get(), std::move(fn)); }
    // The user presses the instrument's key afterMs after the message line
    // shows `instruction`; the press is seen once the window lets events run.
    void pressKeyWhenShown(const QString &instruction, int afterMs)
    {
        onWarnText = [this, instruction, afterMs](const QString &text) {
            if (text == instruction)
                at(afterMs, [this] { instrument->pressKey(); });
        };
    }
    // Presses ESC once the condition holds (checked every few milliseconds).
    void pressEscWhen(std::function<bool()> condition)
    {
        auto *poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll, condition] {
            if (!condition())
                return;
            poll->stop();
            poll->deleteLater();
            QTest::keyClick(window.get(), Qt::Key_Escape);
        });
        poll->start(2);
    }

    QString statusLine() const { return widget<QLabel>("statusLine")->text(); }
    // The newest file the download history kept, by name; empty when none.
    QString newestHistoryFile() const
    {
        const QStringList kept = QDir(folder.filePath(QStringLiteral("history")))
                                     .entryList({QStringLiteral("*.mes")}, QDir::Files, QDir::Name | QDir::Reversed);
        return kept.value(0);
    }

    QList<QByteArray> entries() const { return window->host().dataList().entries(); }
    DownloadState &state() const { return window->host().state(); }

    QTemporaryDir folder;
    std::unique_ptr<InstrumentThread> instrument;
    std::unique_ptr<Pty> silent;
    QByteArray silentBytes;
    std::unique_ptr<MainWindow> window;
    QList<DialogRouter::Request> dialogs;
    QList<FileRequest> files;
    // Every text the message line showed, in order, and QfuText1's text at each.
    QStringList warnTexts;
    QStringList qfuTextsShown;
    std::function<void(const QString &)> onWarnText;
    bool timedOut = false;
    static constexpr int WatchdogMs = 8000;
    bool answerYes = true;
    std::optional<QString> fileAnswer;
};
