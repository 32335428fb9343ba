// The download host of the command line: no widgets. The window's message line
// becomes lines on standard error, ESC becomes a stop request (a signal, the
// timeout, a reader of the data that went away), and the file dialog of the
// block files answers with the name given on the command line. How the
// download ended comes from its outcome; the host only knows what stopped it.
#pragma once

#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "HistoryJournal.h"

#include <QObject>
#include <QString>
#include <QTimer>

class Messages;
class StreamOutput;

class CliHost : public QObject, public DownloadHost
{
    Q_OBJECT
public:
    // What asked the download to stop as ESC would.
    enum class Stop { None, Signal, Timeout, ReaderGone };

    CliHost(const QString &programFolder, const QString &comPortNumber, Messages &messages);

    // The device the COM number leads to, instead of the usual mapping.
    void setDevice(const QString &path) { m_comm.setFixedDevice(path); }
    // The name the block files' dialog answers with; empty: it is cancelled.
    void setBlocksBase(const QString &base) { m_blocksBase = base; }
    void setForce(bool force) { m_force = force; }
    // After this long without a received byte the download is stopped.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // false: the download keeps no history copy.
    void setHistoryKept(bool kept) { m_historyKept = kept; }
    // Gets every line as it reaches the list; its reader going away stops
    // the download.
    void setStream(StreamOutput *stream);

    // A stop signal: the first is a stop request like ESC; a second gives up
    // the download at once (the port is closed, nothing more is sent), or
    // stops waiting for the reader of the data once the download is over.
    void signalReceived(int number);
    // The download function returned (or gave up): no more stop requests.
    void downloadEnded();

    int firstSignal() const { return m_firstSignal; }
    // What stopped the download as ESC (None: nothing did).
    Stop stopTaken() const { return m_taken; }
    bool gaveUp() const { return m_giveUp; }
    // The history copy a download that gave up left unfinished, or the one it
    // kept when it gave up while the copy ended (waits for that end).
    QString unfinishedCopy() { return m_historyKept ? m_journal.abandonedCopy() : QString(); }
    // Whether a stopped history copy was said already.
    bool historyStopSaid() const { return m_historyStopSaid; }
    // Writes what the download left to be said (its latest message line).
    void flushStatus();

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override { return m_comm; }
    DataList &dataList() override { return m_dataList; }
    DownloadState &state() override { return m_state; }
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }
    DownloadJournal *journal() override { return m_historyKept ? &m_journal : nullptr; }
    void historyCopyStopped(const QString &reason) override;

    void setClipboardButtonVisible(bool visible) override { m_clipboardVisible = visible; }
    bool clipboardButtonVisible() const override { return m_clipboardVisible; }
    void setDataListVisible(bool) override {}
    void setProgressVisible(bool) override {}
    void setProgressMax(int max) override { m_progressMax = max; }
    int progressMax() const override { return m_progressMax; }
    void setProgressValue(int value) override { m_progressValue = value; }
    int progressValue() const override { return m_progressValue; }
    // On a terminal: the count on a line of its own, rewritten in place.
    void showReceivedCount(qsizetype lines) override;
    void setWarnText2(const QString &text) override;
    void setWarnText2Visible(bool) override {}
    void setWarnText1Visible(bool) override {}
    void setQfuText1Visible(bool) override {}
    void printOnSurface(const QString &text) override;

    void MenueGesperrt() override {}
    void MenueFrei() override {}

    bool escPressed() override;
    void beginDownload() override;

    void processEvents() override;
    void waitForEvents(int maxMs) override;
    void delay(double &milliseconds) override;

    // The download's message boxes speak of the window; all they tell is in
    // the outcome, which the command line words itself.
    void showMessage(const QString &, const QString &) override {}
    // The only question of a download: whether to replace existing block files.
    bool askYesNo(const QString &title, const QString &text) override;
    std::optional<QString> saveDialog(const QString &filter, const QString &initDir) override;

private:
    void requestStop(Stop cause);
    void giveUp();
    void waited();
    void throwIfGivenUp();
    void streamNewLines(int first, int last);

    QString m_programFolder;
    QString m_comPortNumber;
    Messages &m_messages;
    CommControl m_comm;
    DataList m_dataList;
    DownloadState m_state;
    HistoryJournal m_journal;
    bool m_historyKept = true;
    StreamOutput *m_stream = nullptr;
    QTimer m_silence;
    int m_timeoutMs = 0;

    QString m_blocksBase;
    bool m_force = false;

    bool m_clipboardVisible = true;
    int m_progressMax = 100;
    int m_progressValue = 0;
    QString m_pendingText;
    QString m_shownText;

    bool m_downloading = true;
    Stop m_pending = Stop::None;
    Stop m_taken = Stop::None;
    // Sleeps of the download since the pending request came: a request still
    // there at the second was passed by a wait that looks at no ESC.
    int m_sleepsWhilePending = 0;
    int m_signals = 0;
    int m_firstSignal = 0;
    bool m_giveUp = false;
    bool m_toldHowToGiveUp = false;
    bool m_historyStopSaid = false;
};
