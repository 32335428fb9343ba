#include "HistoryReader.h"

#include "LineCountStore.h"

#include <QElapsedTimer>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 BatchMs = 100;
constexpr qsizetype FirstRows = 100;
constexpr qint64 BigFile = 1024 * 1024;
// During a long first count the store is written now and then, so counts
// made before the window closes are not lost.
constexpr qint64 CheckpointMs = 10'000;

bool stopRequested()
{
    return QThread::currentThread()->isInterruptionRequested();
}

struct FileKey
{
    QString name;
    qint64 size = 0;
    qint64 modified = 0;

    explicit FileKey(const QString &path)
    {
        const QFileInfo info(path);
        name = info.fileName();
        size = info.size();
        modified = info.lastModified().toMSecsSinceEpoch();
    }
    bool operator==(const FileKey &) const = default;
};

} // namespace

HistoryReader::HistoryReader(QObject *parent)
    : QObject(parent)
{
}

HistoryReader::~HistoryReader()
{
    stop();
}

void HistoryReader::start(const QString &folder)
{
    stop();
    const int reading = ++m_reading;
    m_thread.reset(QThread::create([this, folder, reading] { read(folder, reading); }));
    m_thread->start(QThread::LowPriority);
}

void HistoryReader::stop()
{
    if (!m_thread)
        return;
    m_thread->requestInterruption();
    m_thread->wait();
    m_thread.reset();
}

void HistoryReader::post(int reading, std::function<void(HistoryReader *)> signal)
{
    // Dropped by Qt if the reader is gone by then; the thread ends before it is.
    QMetaObject::invokeMethod(
        this,
        [this, reading, signal = std::move(signal)] {
            if (reading == m_reading)
                signal(this);
        },
        Qt::QueuedConnection);
}

QList<HistoryItem> HistoryReader::list(const QString &folder, int reading)
{
    QList<HistoryItem> items;
    qsizetype sent = 0;
    const auto send = [&] {
        post(reading, [batch = items.sliced(sent)](HistoryReader *reader) { Q_EMIT reader->listed(batch); });
        sent = items.size();
    };
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    for (const QString &name : historyFileNames(folder)) {
        if (stopRequested())
            return {};
        if (std::optional<HistoryItem> item = historyItem(folder, name))
            items.append(*item);
        // A window's worth at once, then batches.
        if (items.size() == FirstRows || (items.size() > FirstRows && sinceBatch.elapsed() >= BatchMs)) {
            send();
            sinceBatch.restart();
        }
    }
    if (sent < items.size())
        send();
    post(reading, [](HistoryReader *reader) { Q_EMIT reader->listingDone(); });
    return items;
}

void HistoryReader::read(const QString &folder, int reading)
{
    const QList<HistoryItem> items = list(folder, reading);
    if (stopRequested())
        return;

    LineCountStore kept;
    kept.load(folder);
    LineCountStore next;
    bool changed = false;     // next holds counts that kept does not
    bool unsaved = false;     // ... that no checkpoint has written yet
    QList<qint64> batch;
    int batchStart = 0;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    QElapsedTimer sinceSaved;
    sinceSaved.start();
    const auto sendBatch = [&](int nextRow) {
        post(reading, [batchStart, batch](HistoryReader *reader) { Q_EMIT reader->counted(batchStart, batch); });
        batch.clear();
        batchStart = nextRow;
        sinceBatch.restart();
    };

    for (int row = 0; row < items.size(); ++row) {
        if (stopRequested())
            return;
        const HistoryItem &item = items.at(row);
        const FileKey key(item.path);
        qint64 lines = kept.lines(key.name, key.size, key.modified);
        if (lines >= 0) {
            next.keep(key.name, key.size, key.modified, lines);
        } else {
            // Reading a big file takes a while: the counts before it go first.
            if (key.size >= BigFile && !batch.isEmpty())
                sendBatch(row);
            lines = countFileLines(item.path);
            if (stopRequested())
                return;
            // A running download grows; a file that changed while it was read is counted next time.
            if (lines >= 0 && item.ending != HistoryEnding::Running && FileKey(item.path) == key) {
                next.keep(key.name, key.size, key.modified, lines);
                changed = unsaved = true;
            }
        }
        batch.append(lines);
        if (sinceBatch.elapsed() >= BatchMs)
            sendBatch(row + 1);
        if (unsaved && sinceSaved.elapsed() >= CheckpointMs) {
            // The rows not reached yet keep what the store had for them.
            LineCountStore checkpoint = next;
            for (int later = row + 1; later < items.size(); ++later)
                checkpoint.keepFrom(kept, QFileInfo(items.at(later).path).fileName());
            checkpoint.save(folder);
            sinceSaved.restart();
            unsaved = false;
        }
    }
    if (!batch.isEmpty())
        sendBatch(int(items.size()));
    // Downloads deleted since the store was written leave it too. A store
    // that cannot be written only means counting again next time.
    if (changed || next.size() != kept.size())
        next.save(folder);
}
