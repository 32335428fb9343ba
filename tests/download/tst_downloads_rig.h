// What the end-to-end download tests share: a temporary program folder with
// Port.txt naming COM 3, the main window offscreen with its dialogs scripted,
// and an instrument (simulated, or a bare pseudo-terminal) on ports/com3.
#pragma once

#include "CommControl.h"
#include "DataList.h"
#include "DownloadState.h"
#include "InstrumentLinks.h"
#include "MainWindow.h"
#include "SampleData.h"
#include "SimulatedInstrument.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <optional>

// The lines of a family's sample as the list keeps them: where the record end
// is cut short, its first characters stay at the end of each entry.
inline QList<QByteArray> expectedEntries(InstrumentFamily family, const InstrumentLink &link)
{
    const QByteArray recordEnd(link.recordEnd);
    const QByteArray kept = recordEnd.left(recordEnd.size() - link.recordEndLen);
    QList<QByteArray> entries;
    for (const QByteArray &line : sampleLines(family))
        entries.append(line + kept);
    return entries;
}

inline bool isPrefix(const QList<QByteArray> &part, const QList<QByteArray> &whole)
{
    return part.size() <= whole.size() && whole.mid(0, part.size()) == part;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

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

    SimulatedInstrument &plug(InstrumentFamily family)
    {
        instrument = std::make_unique<SimulatedInstrument>(family);
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
        window->setDialogHandler([this](const MainWindow::DialogRequest &request) {
            dialogs.append(request);
            return answerYes;
        });
        window->fileDialog().setChooser([this](SharedFileDialog::Mode, const SharedFileDialog &dialog) {
            files.append({dialog.filter(), dialog.initDir(), dialog.fileName()});
            return fileAnswer;
        });
        window->load();
        return *window;
    }

    void trigger(const char *entry) { window->findChild<QAction *>(QLatin1StringView(entry))->trigger(); }

    bool shown(const char *control) const
    {
        return !window->findChild<QWidget *>(QLatin1StringView(control))->isHidden();
    }
    // The port closed, the menus free, and the download's texts and bar gone.
    bool restored() const
    {
        for (const char *hidden : {"Datenscroll1", "WarnText2", "WarnText1", "QfuText1"}) {
            if (shown(hidden))
                return false;
        }
        return !window->comm().portOpen() && !menusLocked();
    }
    bool menusLocked() const
    {
        for (const char *menu : {"mnuDatei", "mnuCom", "mnuEinlese", "mnuHelp"}) {
            if (window->findChild<QMenu *>(QLatin1StringView(menu))->menuAction()->isEnabled())
                return false;
        }
        return true;
    }

    // Runs fn after ms, inside whatever wait of the download is under way.
    void at(int ms, std::function<void()> fn) { QTimer::singleShot(ms, window.get(), std::move(fn)); }
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

    QList<QByteArray> entries() const { return window->dataList().entries(); }
    DownloadState &state() const { return window->state(); }

    QTemporaryDir folder;
    std::unique_ptr<SimulatedInstrument> instrument;
    std::unique_ptr<Pty> silent;
    QByteArray silentBytes;
    std::unique_ptr<MainWindow> window;
    QList<MainWindow::DialogRequest> dialogs;
    QList<FileRequest> files;
    bool answerYes = true;
    std::optional<QString> fileAnswer;
};
