// The main window offscreen on a program folder of its own, as the
// end-to-end tests drive it: Port.txt names COM 3, its dialogs are scripted
// and recorded, and the instrument on ports/com3 is simulated on its own
// thread, or a bare pseudo-terminal that stays silent.
#pragma once

#include "ByteReader.h"
#include "DialogRouter.h"
#include "DownloadState.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "ProgramFolder.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class MainWindowRig
{
public:
    struct FileRequest
    {
        QString filter;
        QString initDir;
        QString proposed;
    };

    // The folder with Port.txt naming COM 3 and an empty mes/.
    MainWindowRig();
    ~MainWindowRig();

    InstrumentThread &plug(InstrumentFamily family);
    // A device that only ever stays silent (and can be pulled).
    PtyReader &plugSilent();
    // Everything the program has sent to the silent device so far.
    QByteArray sentToSilent();

    // The window on the folder, started up; its dialogs answered as set below.
    MainWindow &start();

    template<typename W>
    W *widget(const char *name) const
    {
        return window->findChild<W *>(QLatin1StringView(name));
    }

    // Chooses the menu entry. A download still running after a generous bound
    // is ended with ESC (timedOut tells), so that a lost line fails the test
    // instead of hanging it.
    void trigger(const char *entry);

    bool shown(const char *control) const;
    // The port closed, the menus free, and the download's texts and bar gone.
    bool restored() const;
    bool menusLocked() const;
    int barMaximum() const;

    // Runs fn after ms, inside whatever wait of the download lets events run.
    void at(int ms, std::function<void()> fn);
    // The user presses the instrument's key afterMs after the message line
    // shows `instruction`; the press is seen once the window lets events run.
    void pressKeyWhenShown(const QString &instruction, int afterMs);
    // Presses ESC once the condition holds (checked every few milliseconds).
    void pressEscWhen(std::function<bool()> condition);

    QString statusLine() const;
    // The newest file the download history kept, by name; empty when none.
    QString newestHistoryFile() const;

    QList<QByteArray> entries() const;
    DownloadState &state() const;

    ProgramFolder folder;
    std::unique_ptr<InstrumentThread> instrument;
    std::unique_ptr<PtyReader> silent;
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
