// The data list stat1: one QByteArray per received record, shown one entry per
// line with CR and LF drawn as visible symbols; the stored bytes never change.
#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QList>

class DataList : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit DataList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    qsizetype count() const { return m_entries.size(); }
    // Entry i; the index equal to count() (or any index outside) gives the empty text.
    QByteArray entry(qsizetype i) const;
    const QList<QByteArray> &entries() const { return m_entries; }

    void addEntry(const QByteArray &entry);
    // Appends several entries with one model update (the receiver's batches).
    void addEntries(const QList<QByteArray> &entries);
    void clear();
    // Replaces the whole list at once (Open).
    void setEntries(QList<QByteArray> entries);

    // How an entry is shown: Latin-1, CR and LF as visible symbols, and of a
    // very long entry only its first 4096 characters and an ellipsis.
    static QString displayText(const QByteArray &entry);

private:
    QList<QByteArray> m_entries;
};
