#include "HistoryJournal.h"

#include "HistoryListing.h"
#include "HistoryNames.h"
#include "MeasurementFile.h"
#include "ReceiveLines.h"
#include "SystemCalls.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

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

HistoryJournal::~HistoryJournal()
{
    // The program ends while a copy ends: that end is carried through. It ends
    // during a download: what was written stays, synced.
    waitForEnd();
    m_file.finishWriting(true);
}

void HistoryJournal::waitForEnd()
{
    if (m_ending.joinable())
        m_ending.join();
}

void HistoryJournal::begin(const QString &instrument, StoppedHandler stopped)
{
    waitForEnd();
    m_kept.reset();
    m_file.close();
    ++m_download;
    m_instrument = instrument;
    m_stopped = std::move(stopped);
    m_baseName.clear();
    m_stopReason.clear();
    m_abandonedCopy.clear();
}

void HistoryJournal::append(const QList<QByteArray> &entries, qsizetype first)
{
    if (first >= entries.size())
        return;
    if (!m_file.started()) {
        const QDateTime start = m_clock();
        m_file.start([this, start](QString *path, int *fd) { return makePart(start, path, fd); },
                     [this](qint64 linesKept, const sys::Status &failure) { copyStopped(linesKept, failure); });
    }
    // The entries' bytes, each followed by CR LF.
    QByteArray bytes;
    QList<qsizetype> lineEnds;
    lineEnds.reserve(entries.size() - first);
    for (qsizetype i = first; i < entries.size(); ++i) {
        bytes.append(entries.at(i));
        bytes.append("\r\n", 2);
        lineEnds.append(bytes.size());
    }
    m_file.append(bytes, lineEnds);
}

sys::Status HistoryJournal::makePart(const QDateTime &start, QString *path, int *fd)
{
    if (const sys::Status made = sys::makeFolders(m_folder); !made.ok())
        return made;
    const QDir dir(m_folder);
    for (int n = 1;; ++n) {
        const QString base = journalBaseName(start, m_instrument, n);
        // A finished download of the same second holds the name too.
        if (finishedFileExists(dir, base))
            continue;
        *path = dir.filePath(runningFileName(base));
        const sys::Status made = AppendFile::create(*path, fd);
        if (made.error == EEXIST)
            continue;
        if (made.ok())
            m_baseName = base;
        return made;
    }
}

void HistoryJournal::copyStopped(qint64 linesKept, const sys::Status &failure)
{
    m_stopReason = m_baseName.isEmpty()
        ? u"The history copy could not be made: %1"_s.arg(failure.message)
        : u"The history copy stopped after %1: %2"_s.arg(linesText(linesKept), failure.message);
    // Told on the download's thread, which lets events run while it waits.
    const quint64 download = m_download;
    QMetaObject::invokeMethod(this, [this, download] { tellStopped(download); }, Qt::QueuedConnection);
}

void HistoryJournal::tellStopped(quint64 download)
{
    if (download == m_download && m_stopped)
        std::exchange(m_stopped, StoppedHandler())(m_stopReason);
}

void HistoryJournal::finish(ReceiveEnd end, const QByteArray &assembledText)
{
    waitForEnd();
    if (!m_file.started()) {
        m_stopped = {};
        m_kept = Kept{};
        return;
    }
    const quint64 download = m_download;
    m_ending = std::thread([this, end, assembledText, download] {
        m_ended = endCopy(end, assembledText);
        QMetaObject::invokeMethod(this, [this, download] { ended(download); }, Qt::QueuedConnection);
    });
}

// The writer thread posted its stop, if any, before it ended, so the stop is
// told before this.
void HistoryJournal::ended(quint64 download)
{
    if (download != m_download || !m_ending.joinable())
        return;
    m_ending.join();
    m_stopped = {};
    m_kept = m_ended;
}

DownloadJournal::Kept HistoryJournal::endCopy(ReceiveEnd end, const QByteArray &assembledText)
{
    m_file.finishWriting(false);
    if (m_file.failed())
        return m_file.isOpen() ? keepIncomplete(end, m_stopReason) : Kept{{}, m_stopReason};
    // The folder may have been deleted during the download.
    const QString finished = QDir(m_folder).filePath(finishedFileName(m_baseName, endingOf(end)));
    QString reason;
    sys::Status made = sys::makeFolders(m_folder);
    if (!made.ok() || !writeWholeFile(finished, measurementFileContent(assembledText), &reason)) {
        sys::fdatasync(m_file.descriptor(), m_file.path());
        return keepIncomplete(end, u"The history copy could not be finished: %1"_s.arg(
                                       made.ok() ? reason : made.message));
    }
    // Removed while still locked: nobody sees it unlocked in between. Synced,
    // so a power cut cannot bring it back as an interrupted download.
    if (sys::unlink(m_file.path()).ok())
        sys::syncFolder(m_folder);
    m_file.close();
    return {finished, {}};
}

// The .part as it is, under the name of the download's ending marked as an
// incomplete copy.
DownloadJournal::Kept HistoryJournal::keepIncomplete(ReceiveEnd end, const QString &problem)
{
    const QString kept = QDir(m_folder).filePath(finishedFileName(m_baseName, endingOf(end), true));
    sys::Status status = sys::rename(m_file.path(), kept);
    if (status.ok())
        status = sys::syncFolder(m_folder);
    m_file.close();
    if (!status.ok())
        return {{}, u"%1\nIt could not be kept either: %2"_s.arg(problem, status.message)};
    return {kept, problem};
}

void HistoryJournal::abandon()
{
    // An end under way owns the file until it is done.
    if (m_ending.joinable())
        return;
    m_file.finishWriting(true);
    m_abandonedCopy = m_file.path();
    m_file.close();
}

QString HistoryJournal::abandonedCopy()
{
    if (!m_ending.joinable())
        return m_abandonedCopy;
    waitForEnd();
    return m_ended.path;
}
