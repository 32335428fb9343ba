// What a download needs of the main window: its controls, the serial
// control, the menu lock, the ESC test and event processing. The main window
// implements it; tests may implement it without widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class CommControl;
class DataList;
class DownloadJournal;
struct DownloadState;

// Thrown out of a download when the main window was closed while the download
// let window events run: the port is already closed, nothing more may be sent
// or shown. The menu handler that started the download catches it.
struct DownloadAbandoned
{
};

class DownloadHost
{
public:
    virtual ~DownloadHost() = default;

    virtual CommControl &comm() = 0;         // MSComm1
    virtual DataList &dataList() = 0;         // stat1's entries
    virtual DownloadState &state() = 0;
    virtual QString comPortNumber() const = 0;
    virtual QString programFolder() const = 0;
    // The copy every download keeps of itself while it runs (the download
    // history); none by default, and the download runs the same either way.
    virtual DownloadJournal *journal() { return nullptr; }
    // The journal's copy stopped during the download (a full disk, a failed
    // sync): said at once, without a dialog, while the download goes on.
    virtual void historyCopyStopped(const QString &reason) { Q_UNUSED(reason); }

    // Controls of the main window.
    virtual void setClipboardButtonVisible(bool visible) = 0;  // Clipboard1
    virtual bool clipboardButtonVisible() const = 0;
    virtual void setDataListVisible(bool visible) = 0;         // stat1
    virtual void setProgressVisible(bool visible) = 0;         // Datenscroll1
    virtual void setProgressMax(int max) = 0;
    virtual int progressMax() const = 0;
    virtual void setProgressValue(int value) = 0;
    virtual int progressValue() const = 0;
    // How many lines the download has received so far, shown on the bar.
    virtual void showReceivedCount(qsizetype lines) = 0;
    virtual void setWarnText2(const QString &text) = 0;        // operator message line
    virtual void setWarnText2Visible(bool visible) = 0;
    virtual void setWarnText1Visible(bool visible) = 0;        // the ESC hint
    virtual void setQfuText1Visible(bool visible) = 0;         // the QFU-ST hint
    // Draws one line of text on the window's own surface (not a dialog).
    virtual void printOnSurface(const QString &text) = 0;

    virtual void MenueGesperrt() = 0;
    virtual void MenueFrei() = 0;

    // The ESC test: a press since the previous test (but not from before the
    // current download started), or ESC held down.
    virtual bool escPressed() = 0;
    // Marks the start of a download: earlier ESC presses no longer count.
    virtual void beginDownload() = 0;

    // Lets pending window events run once (DoEvents). Throws DownloadAbandoned
    // when the window was closed meanwhile.
    virtual void processEvents() = 0;
    // Sleeps until a window or serial event arrives, at most maxMs, then lets
    // the events run. Throws DownloadAbandoned like processEvents(). The
    // receiver sleeps up to a second at a time, so whatever escPressed()
    // reports must come with an event that ends the sleep. (While lines
    // trickle in, it also sleeps 40 ms without events before each take.)
    virtual void waitForEvents(int maxMs) = 0;

    // The wait of the download utilities: rewrites its argument to seconds.
    virtual void delay(double &milliseconds) = 0;

    // A message box with an OK button (errors the user can act on).
    virtual void showMessage(const QString &title, const QString &text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const QString &title, const QString &text) = 0;
    // The shared file dialog Speichern2 as a save dialog with this filter and
    // initial folder, proposing the name of its previous use. nullopt when
    // cancelled; the chosen path otherwise (kept as the next proposal).
    virtual std::optional<QString> saveDialog(const QString &filter, const QString &initDir) = 0;
};
