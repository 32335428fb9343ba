// The download history's copy of each download: a .mes.part that grows with
// every batch of entries, then the file Save would write, named by start
// time, instrument and how the download ended.
#pragma once

#include "AppendFile.h"
#include "DownloadJournal.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class HistoryJournal : public QObject, public DownloadJournal
{
    Q_OBJECT
public:
    // folder: the history folder, made when the first download needs it.
    explicit HistoryJournal(const QString &folder, QObject *parent = nullptr);

    QString folder() const { return m_folder; }
    // The clock that names the files (tests set a fixed one).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    void begin(const QString &instrument, StoppedHandler stopped = {}) override;
    void append(const QList<QByteArray> &entries, qsizetype first) override;
    Kept finish(ReceiveEnd end, const QByteArray &assembledText) override;
    void abandon() override;

    // The file of the download under way (empty before its first entries).
    QString runningPath() const { return m_file.isOpen() ? m_file.path() : QString(); }

private:
    bool open();
    void failWith(const QString &reason);

    QString m_folder;
    std::function<QDateTime()> m_clock;
    QString m_instrument;
    QString m_baseName;
    QString m_failure;
    StoppedHandler m_stopped;
    bool m_failed = false;
    AppendFile m_file;
};
