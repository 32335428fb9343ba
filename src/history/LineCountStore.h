// The lines of each download, kept in a hidden file of the history folder, so
// that opening the history again reads no download that has not changed. The
// files stay the truth: a count is taken only for a file of the same name,
// size and modification time, and a missing or damaged store is made anew.
#pragma once

#include <QHash>
#include <QString>

class LineCountStore
{
public:
    // The store's file name in the history folder: hidden, and no download's name.
    static QString fileName();

    // Reads the store of the folder; a missing, foreign or damaged one reads
    // as empty, a damaged line is left out.
    void load(const QString &folder);
    // Writes it whole (or not at all); false with the reason when it could not.
    bool save(const QString &folder, QString *reason = nullptr) const;

    // The lines kept for the file of this name as it is now; -1 when none are.
    qint64 lines(const QString &name, qint64 size, qint64 modified) const;
    void keep(const QString &name, qint64 size, qint64 modified, qint64 lines);
    // Takes over what another store keeps for this name, whatever its key.
    void keepFrom(const LineCountStore &other, const QString &name);

    qsizetype size() const { return m_entries.size(); }

private:
    struct Entry
    {
        qint64 size = 0;
        qint64 modified = 0;   // ms since the epoch
        qint64 lines = 0;
    };
    QHash<QString, Entry> m_entries;
};
