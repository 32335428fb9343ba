// The "Download history" window: the kept downloads newest first, with Open
// (into the main list), Delete (after a question) and the folder in the
// desktop's file manager. Their lines are counted on a thread of its own, so
// a history of big downloads opens at once.
#pragma once

#include <QDialog>
#include <QThread>
#include <functional>
#include <memory>

class QPushButton;
class QTreeWidget;

class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    // ask: the question before Delete (true = Yes); unset, a message box asks.
    using Question = std::function<bool(const QString &title, const QString &text)>;

    HistoryWindow(const QString &folder, Question ask, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    // Reads the folder again.
    void refresh();
    // The files of the chosen rows.
    QStringList chosenPaths() const;

Q_SIGNALS:
    // Open was chosen for this file; the window has closed.
    void openRequested(const QString &path);

private:
    void openChosen();
    void deleteChosen();
    void updateButtons();
    // Counts the lines of the rows' files, paths in row order, and shows each count.
    void countLines(const QStringList &paths);
    void stopCounting();
    void showLines(int listing, int row, qint64 lines);

    QString m_folder;
    Question m_ask;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_delete = nullptr;
    std::unique_ptr<QThread> m_counter;
    int m_listing = 0;   // counts the refreshes, so late counts of old rows are dropped
};
