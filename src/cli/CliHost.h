// The download host of the command line: no widgets. The window's message line
// and message boxes become lines on standard error, ESC becomes a stop request
// (a signal or the timeout), and the file dialog of the block files answers
// with the name given on the command line.
#pragma once

#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "HistoryJournal.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>

class CliHost : public QObject, public DownloadHost
{
    Q_OBJECT
public:
    // What happened during the download, for the exit status.
    struct Facts
    {
        bool portFailed = false;      // a message came before the download waited for anything
        bool anyByte = false;         // the instrument sent or answered something
        bool stopTaken = false;       // a stop request ended the download as ESC
        bool abandoned = false;       // a second stop request gave up where no ESC is looked at
        bool lost = false;            // the device went away
        bool receiving = false;       // the reception of lines began
        bool blocksFailed = false;    // block files were refused or could not be written
    };

    CliHost(const QString &programFolder, const QString &comPortNumber, std::FILE *messages);

    // The device the COM number leads to, instead of the usual mapping.
    void setDevice(const QString &path) { m_comm.setFixedDevice(path); }
    // The name the block files' dialog answers with; empty: it is cancelled.
    void setBlocksBase(const QString &base) { m_blocksBase = base; }
    void setForce(bool force) { m_force = force; }
    // After this long without a received byte a stop request is made.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Shows the count of received lines while data arrive (on a terminal).
    void setShowCount(bool show) { m_showCount = show; }

    // Like a press of ESC; a second request before a download looked at the
    // first gives up the download (the port is closed, nothing more is sent).
    void requestStop();

    const Facts &facts() const { return m_facts; }
    // Writes what the download left to be said (its latest message line).
    void flushStatus();
    // Ends the line count, so the next message starts on a line of its own.
    void endCountLine();

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override { return m_comm; }
    DataList &dataList() override { return m_dataList; }
    DownloadState &state() override { return m_state; }
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }
    // The download history of the program folder, as in the window.
    DownloadJournal *journal() override { return &m_journal; }

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

    void showMessage(const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    std::optional<QString> saveDialog(const QString &filter, const QString &initDir) override;

private:
    void say(const QString &line);
    void waited();
    void throwIfAbandoned();

    QString m_programFolder;
    QString m_comPortNumber;
    std::FILE *m_messages;
    CommControl m_comm;
    DataList m_dataList;
    DownloadState m_state;
    HistoryJournal m_journal;
    QTimer m_timeout;
    int m_timeoutMs = 0;

    QString m_blocksBase;
    bool m_force = false;
    bool m_showCount = false;
    bool m_countShown = false;

    bool m_clipboardVisible = true;
    int m_progressMax = 100;
    int m_progressValue = 0;
    QString m_pendingText;
    QString m_shownText;

    int m_pendingStops = 0;
    bool m_toldHowToGiveUp = false;
    bool m_waited = false;
    bool m_saving = false;
    Facts m_facts;
};
