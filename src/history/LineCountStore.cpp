#include "LineCountStore.h"

#include "SmallFile.h"
#include "WholeFile.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

// Tells a store of this kind from anything else that might sit under its name.
constexpr QByteArrayView Header = "MERIDOC line counts 1\n";
// About 80 bytes a download: 800,000 downloads, a century of a busy bench.
// A bigger file is not ours.
constexpr qsizetype LargestStore = 64 * 1024 * 1024;

} // namespace

QString LineCountStore::fileName()
{
    return u".line-counts"_s;
}

void LineCountStore::load(const QString &folder)
{
    m_entries.clear();
    const SmallFile file = readSmallFile(QDir(folder).filePath(fileName()), LargestStore);
    if (!file.read || file.larger || !file.bytes.startsWith(Header))
        return;
    // Each line: lines size modified name. A line without its end was cut off.
    const QByteArrayView bytes(file.bytes);
    qsizetype at = Header.size();
    for (qsizetype end; (end = bytes.indexOf('\n', at)) >= 0; at = end + 1) {
        const QByteArrayView line = bytes.sliced(at, end - at);
        qint64 numbers[3];
        qsizetype from = 0;
        bool ok = true;
        for (qint64 &number : numbers) {
            const qsizetype blank = line.indexOf(' ', from);
            number = blank < 0 ? -1 : line.sliced(from, blank - from).toLongLong(&ok);
            ok = ok && number >= 0;
            if (!ok)
                break;
            from = blank + 1;
        }
        const QString name = QString::fromUtf8(line.sliced(std::min(from, line.size())));
        if (ok && !name.isEmpty())
            m_entries.insert(name, Entry{numbers[1], numbers[2], numbers[0]});
    }
}

bool LineCountStore::save(const QString &folder, QString *reason) const
{
    QByteArray bytes;
    bytes.reserve(Header.size() + m_entries.size() * 80);
    bytes += Header;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        bytes += QByteArray::number(it->lines) + ' ' + QByteArray::number(it->size) + ' '
               + QByteArray::number(it->modified) + ' ' + it.key().toUtf8() + '\n';
    }
    return writeWholeFile(QDir(folder).filePath(fileName()), {bytes}, reason);
}

qint64 LineCountStore::lines(const QString &name, qint64 size, qint64 modified) const
{
    const auto it = m_entries.constFind(name);
    return it != m_entries.cend() && it->size == size && it->modified == modified ? it->lines : -1;
}

void LineCountStore::keep(const QString &name, qint64 size, qint64 modified, qint64 lines)
{
    // A name with a line end would break the store's lines; such a file is counted each time.
    if (!name.contains(u'\n') && !name.isEmpty() && lines >= 0)
        m_entries.insert(name, Entry{size, modified, lines});
}

void LineCountStore::keepFrom(const LineCountStore &other, const QString &name)
{
    const auto it = other.m_entries.constFind(name);
    if (it != other.m_entries.cend())
        m_entries.insert(name, *it);
}
