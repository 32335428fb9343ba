#include "DataList.h"

#include <algorithm>

DataList::DataList(QObject *parent)
    : QAbstractListModel(parent)
{
}

int DataList::rowCount(const QModelIndex &parent) const
{
    // A model row count is an int; the receiver never gets near that many entries.
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant DataList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size() || role != Qt::DisplayRole)
        return {};
    return displayText(m_entries.at(index.row()));
}

QByteArray DataList::entry(qsizetype i) const
{
    return (i >= 0 && i < m_entries.size()) ? m_entries.at(i) : QByteArray();
}

void DataList::addEntry(const QByteArray &entry)
{
    const int row = int(m_entries.size());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(entry);
    endInsertRows();
}

void DataList::addEntries(const QList<QByteArray> &entries)
{
    if (entries.isEmpty())
        return;
    const int first = int(m_entries.size());
    beginInsertRows(QModelIndex(), first, first + int(entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
}

void DataList::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void DataList::setEntries(QList<QByteArray> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

QString DataList::displayText(const QByteArray &entry)
{
    // A row shows far less than this; laying out a line of megabytes would
    // hold the window for seconds at every repaint.
    constexpr qsizetype shownLength = 4096;
    QString text = QString::fromLatin1(entry.first(std::min(entry.size(), shownLength)));
    if (entry.size() > shownLength)
        text += QChar(u'\u2026');
    // Entries may hold line breaks of the instrument; drawn as symbols they
    // keep every entry on one row of the list.
    for (QChar &c : text) {
        if (c == u'\r')
            c = QChar(u'\u240D');
        else if (c == u'\n')
            c = QChar(u'\u240A');
    }
    return text;
}
