#include "HistoryModel.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 NotCounted = std::numeric_limits<qint64>::min();

} // namespace

void HistoryModel::clear()
{
    beginResetModel();
    m_items.clear();
    m_lines.clear();
    endResetModel();
}

void HistoryModel::appendItems(const QList<HistoryItem> &items)
{
    if (items.isEmpty())
        return;
    beginInsertRows({}, int(m_items.size()), int(m_items.size() + items.size()) - 1);
    m_items.append(items);
    m_lines.resize(size_t(m_items.size()), NotCounted);
    endInsertRows();
}

void HistoryModel::setLines(int firstRow, const QList<qint64> &lines)
{
    const qsizetype count = std::min(lines.size(), qsizetype(m_lines.size()) - firstRow);
    if (firstRow < 0 || count <= 0)
        return;
    std::copy_n(lines.cbegin(), count, m_lines.begin() + firstRow);
    // One signal for the whole range: the view repaints what it shows of it.
    Q_EMIT dataChanged(index(firstRow, Lines), index(firstRow + int(count) - 1, Lines), {Qt::DisplayRole});
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Lines || index.column() == Size))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QString HistoryModel::text(int row, int column) const
{
    const HistoryItem &item = m_items.at(row);
    switch (column) {
    case Started:
        return item.start.toString(u"yyyy-MM-dd HH:mm:ss"_s);
    case Instrument:
        return item.instrument;
    case Lines: {
        const qint64 lines = m_lines.at(size_t(row));
        return lines == NotCounted ? u"…"_s : lines < 0 ? u"?"_s : QString::number(lines);
    }
    case Size:
        return m_locale.formattedDataSize(item.size, 1, QLocale::DataSizeSIFormat);
    case Ended:
        return endingText(item.ending, item.incompleteCopy);
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QStringList titles{u"Started"_s, u"Instrument"_s, u"Lines"_s, u"Size"_s, u"Ended"_s};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= titles.size())
        return {};
    return titles.at(section);
}
