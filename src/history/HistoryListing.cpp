#include "HistoryListing.h"

#include "AppendFile.h"
#include "SystemCalls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>

using namespace Qt::StringLiterals;

namespace {

std::optional<HistoryItem> itemOf(const QFileInfo &info)
{
    const std::optional<HistoryName> name = parseHistoryName(info.fileName());
    if (!name)
        return std::nullopt;
    HistoryItem item;
    item.path = info.filePath();
    item.start = name->start;
    item.instrument = name->instrument;
    item.ending = name->ending;
    item.incompleteCopy = name->incompleteCopy;
    if (name->running && !AppendFile::isLocked(item.path))
        item.ending = HistoryEnding::Interrupted;
    item.size = info.size();
    return item;
}

void newestFirst(QList<HistoryItem> &items)
{
    std::sort(items.begin(), items.end(), [](const HistoryItem &a, const HistoryItem &b) {
        return a.start != b.start ? a.start > b.start : a.path > b.path;
    });
}

QFileInfoList historyFiles(const QString &folder, const QStringList &patterns)
{
    // Sorted below by start; QDir's own sort by name would cost a third of the listing.
    return QDir(folder).entryInfoList(patterns, QDir::Files, QDir::Unsorted);
}

// Renames the unheld .mes.part at `path` to its interrupted name; the new
// path, or empty when a program holds it, it cannot be opened for writing
// (another user's), or it could not be renamed.
QString claim(const QString &path)
{
    const std::optional<HistoryName> name = parseHistoryName(QFileInfo(path).fileName());
    if (!name || !name->running)
        return {};
    // Opened for writing: over NFS an exclusive flock needs that.
    int fd = -1;
    if (!sys::open(path, O_RDWR, &fd).ok())
        return {};
    QString claimed;
    const QDir folder = QFileInfo(path).dir();
    // Held while renaming, so a second program starting now cannot claim it
    // too; and still the file of that name, not claimed meanwhile by another.
    struct stat held{};
    struct stat named{};
    if (sys::flock(fd, LOCK_EX | LOCK_NB, path).ok() && sys::fstat(fd, path, &held).ok()
        && sys::lstat(path, &named).ok() && held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
        if (finishedFileExists(folder, name->baseName)) {
            if (sys::unlink(path).ok())
                sys::syncFolder(folder.path());
        } else {
            const QString target = folder.filePath(finishedFileName(name->baseName, HistoryEnding::Interrupted));
            if (!sys::exists(target) && sys::rename(path, target).ok()) {
                claimed = target;
                // A rename is on the disk once its folder is: without the sync
                // a power cut could bring the .part back to be told twice.
                sys::syncFolder(folder.path());
            }
        }
    }
    sys::close(fd, path);
    return claimed;
}

} // namespace

bool finishedFileExists(const QDir &folder, const QString &baseName)
{
    for (HistoryEnding ending : {HistoryEnding::Complete, HistoryEnding::StoppedByEsc,
                                 HistoryEnding::ConnectionLost, HistoryEnding::Interrupted}) {
        for (bool incomplete : {false, true}) {
            if (sys::exists(folder.filePath(finishedFileName(baseName, ending, incomplete))))
                return true;
        }
    }
    return false;
}


qint64 countOpenedLines(QIODevice &device)
{
    qint64 lines = 0;
    bool inLine = false;
    bool afterCr = false;
    char buffer[65536];
    qint64 n;
    while ((n = device.read(buffer, sizeof buffer)) > 0) {
        if (QThread::currentThread()->isInterruptionRequested())
            return -1;
        for (qint64 i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (c == '\r') {
                lines += inLine;
                inLine = false;
                afterCr = true;
            } else if (c == '\n' && afterCr) {
                afterCr = false;
            } else {
                inLine = true;
                afterCr = false;
            }
        }
    }
    return lines + inLine;
}

qint64 countFileLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? countOpenedLines(file) : -1;
}

QList<HistoryItem> listHistory(const QString &folder)
{
    QList<HistoryItem> items;
    for (const QString &name : historyFileNames(folder)) {
        if (std::optional<HistoryItem> item = historyItem(folder, name))
            items.append(*item);
    }
    return items;
}

QStringList historyFileNames(const QString &folder)
{
    QStringList names = QDir(folder).entryList({u"*.mes"_s, u"*.mes.part"_s}, QDir::Files, QDir::Unsorted);
    // Newest first, as newestFirst() orders: the start is the name's fixed-width beginning.
    std::sort(names.begin(), names.end(), std::greater<>());
    return names;
}

std::optional<HistoryItem> historyItem(const QString &folder, const QString &fileName)
{
    return itemOf(QFileInfo(QDir(folder), fileName));
}

QList<HistoryItem> claimInterrupted(const QString &folder)
{
    QList<HistoryItem> items;
    for (const QFileInfo &info : historyFiles(folder, {u"*.mes.part"_s})) {
        const QString claimed = claim(info.filePath());
        if (claimed.isEmpty())
            continue;
        if (std::optional<HistoryItem> item = itemOf(QFileInfo(claimed))) {
            item->lines = countFileLines(item->path);
            items.append(*item);
        }
    }
    newestFirst(items);
    return items;
}
