// The rows of the history window: one download each, newest first, with its
// start, instrument, lines, size and ending. Made for histories of years: a
// view asks only for the rows it shows, and counts arrive in ranges.
#pragma once

#include "HistoryListing.h"

#include <QAbstractTableModel>
#include <QLocale>

#include <vector>

class HistoryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Started, Instrument, Lines, Size, Ended, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // No rows.
    void clear();
    // Rows below the others, their lines not yet counted ("…").
    void appendItems(const QList<HistoryItem> &items);
    // The lines of the rows from firstRow on; -1 shows as "?" (unreadable).
    void setLines(int firstRow, const QList<qint64> &lines);
    const HistoryItem &item(int row) const { return m_items.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString text(int row, int column) const;

    QList<HistoryItem> m_items;
    std::vector<qint64> m_lines;   // per row; NotCounted until its count came
    QLocale m_locale;
};
