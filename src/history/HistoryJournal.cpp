#include "HistoryJournal.h"

#include "HistoryNames.h"
#include "MeasurementFile.h"
#include "SystemCalls.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// The bytes of entries[first..], each followed by CR LF.
QByteArray journalLines(const QList<QByteArray> &entries, qsizetype first)
{
    qsizetype size = 0;
    for (qsizetype i = first; i < entries.size(); ++i)
        size += entries.at(i).size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (qsizetype i = first; i < entries.size(); ++i) {
        bytes.append(entries.at(i));
        bytes.append("\r\n", 2);
    }
    return bytes;
}

// Writes the file Save would write, whole or not at all; the reason when not.
QString writeFinished(const QString &path, const QByteArray &assembledText)
{
    QString reason;
    return writeWholeFile(path, measurementFileContent(assembledText), &reason) ? QString() : reason;
}

HistoryEnding endingOf(ReceiveEnd end)
{
    switch (end) {
    case ReceiveEnd::Esc:
        return HistoryEnding::StoppedByEsc;
    case ReceiveEnd::DeviceLost:
        return HistoryEnding::ConnectionLost;
    case ReceiveEnd::EndMark:
    case ReceiveEnd::EndOfFile:
        break;
    }
    return HistoryEnding::Complete;
}

} // namespace

HistoryJournal::HistoryJournal(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
}

void HistoryJournal::begin(const QString &instrument, StoppedHandler stopped)
{
    m_instrument = instrument;
    m_stopped = std::move(stopped);
    m_baseName.clear();
    m_failure.clear();
    m_failed = false;
    m_file.close();
}

bool HistoryJournal::open()
{
    if (!QDir().mkpath(m_folder)) {
        failWith(u"The folder %1 could not be made."_s.arg(QDir::toNativeSeparators(m_folder)));
        return false;
    }
    const QDateTime start = m_clock();
    const QDir dir(m_folder);
    for (int n = 1;; ++n) {
        const QString base = journalBaseName(start, m_instrument, n);
        // A finished download of the same second holds the name too.
        bool taken = false;
        for (HistoryEnding ending : {HistoryEnding::Complete, HistoryEnding::StoppedByEsc,
                                     HistoryEnding::ConnectionLost, HistoryEnding::Interrupted})
            taken = taken || sys::exists(dir.filePath(finishedFileName(base, ending)));
        if (taken)
            continue;
        if (m_file.create(dir.filePath(runningFileName(base)))) {
            m_baseName = base;
            return true;
        }
        if (!m_file.alreadyExists()) {
            failWith(m_file.error());
            return false;
        }
    }
}

void HistoryJournal::append(const QList<QByteArray> &entries, qsizetype first)
{
    if (m_failed || first >= entries.size())
        return;
    if (!m_file.isOpen() && !open())
        return;
    if (!m_file.append(journalLines(entries, first)))
        failWith(m_file.error());
}

DownloadJournal::Kept HistoryJournal::finish(ReceiveEnd end, const QByteArray &assembledText)
{
    m_stopped = {};
    if (m_failed || !m_file.isOpen())
        return {{}, std::exchange(m_failure, QString())};
    const QString finished = QDir(m_folder).filePath(finishedFileName(m_baseName, endingOf(end)));
    const QString reason = writeFinished(finished, assembledText);
    if (!reason.isEmpty()) {
        failWith(u"%1: %2"_s.arg(QDir::toNativeSeparators(finished), reason));
        return {{}, std::exchange(m_failure, QString())};
    }
    // Removed while still locked: nobody sees it unlocked in between.
    sys::unlink(m_file.path());
    m_file.close();
    return {finished, {}};
}

void HistoryJournal::abandon()
{
    m_file.close(true);
}

void HistoryJournal::failWith(const QString &reason)
{
    m_failed = true;
    m_failure = reason;
    if (m_stopped)
        std::exchange(m_stopped, StoppedHandler())(reason);
    // A copy with a gap is no copy: it goes, so it is not taken for an
    // interrupted download at the next start.
    if (m_file.isOpen()) {
        sys::unlink(m_file.path());
        m_file.close();
    }
}
