// The main window set up for one reception on COM 1 of a throw-away program
// folder, the way a CR LF download at 38400 baud prepares it.
#pragma once

#include "ReceiveLines.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class MainWindow;

class ReceiverRig : public QObject
{
    Q_OBJECT
public:
    explicit ReceiverRig(QObject *parent = nullptr);
    ~ReceiverRig() override;

    // False when no program folder could be made.
    bool isReady() const { return m_folder.isValid(); }
    QString programFolder() const { return m_folder.path(); }
    MainWindow &window() { return *m_window; }

    // The progress bar's maximum of the downloads at 38400 baud.
    static int defaultProgressMax();
    // Whether receive() keeps the download history's copy, as every download
    // of the program does (the default), or runs the bare line receiver.
    static void setJournaled(bool journaled);
    static bool journaled();
    // " with the history copy (N bytes written, complete)" or " without the history copy",
    // for the figure lines; after receive().
    QString journalNote() const;

    // Opens COM 1 (ports/com1 must lead to the instrument by now) at
    // "38400,n,8,1", record end CR LF, with an empty list and the bar at 0
    // of progressMax.
    bool openPort(int progressMax, QString *error);
    // Runs the line receiver; the clock of firstBytesAfterMs starts here.
    ReceiveEnd receive();
    void closePort();

    // Milliseconds from the start of receive() to the first bytes; -1 if none came.
    double firstBytesAfterMs() const { return m_firstBytesNs < 0 ? -1.0 : double(m_firstBytesNs) / 1e6; }
    // Milliseconds receive() ran.
    double receiveMs() const { return double(m_receiveNs) / 1e6; }
    // Milliseconds from the start of receive() to the last entries reaching
    // the list; what receive() took beyond it went into the history's final file.
    double lastEntriesMs() const { return double(m_lastEntriesNs) / 1e6; }

Q_SIGNALS:
    // The first bytes of the reception arrived.
    void firstBytes();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<MainWindow> m_window;
    QElapsedTimer m_clock;
    qint64 m_firstBytesNs = -1;
    QString m_journalCopy;      // the history copy of the last receive()
    QString m_journalProblem;
    qint64 m_receiveNs = 0;
    qint64 m_lastEntriesNs = 0;
};
