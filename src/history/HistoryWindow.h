// The "Download history" window: the kept downloads newest first, with Open
// (into the main list), Delete (after a question) and the folder in the
// desktop's file manager.
#pragma once

#include <QDialog>
#include <functional>

class QPushButton;
class QTreeWidget;

class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    // ask: the question before Delete (true = Yes); unset, a message box asks.
    using Question = std::function<bool(const QString &title, const QString &text)>;

    HistoryWindow(const QString &folder, Question ask, QWidget *parent = nullptr);

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

    QString m_folder;
    Question m_ask;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_delete = nullptr;
};
