// The "Download history" window: the kept downloads newest first, with Open
// (into the main list), Delete (after a question) and the folder in the
// desktop's file manager. The listing and the lines are read on a thread of
// their own, so a history of years or of big downloads opens at once.
#pragma once

#include <QDialog>
#include <functional>

class HistoryModel;
class HistoryReader;
class QPushButton;
class QTreeView;

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void keepPlaceAfterDelete();
    void openChosen();
    void deleteChosen();
    void showFolder();
    void updateButtons();

    QString m_folder;
    Question m_ask;
    HistoryModel *m_model = nullptr;
    HistoryReader *m_reader = nullptr;
    QTreeView *m_list = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_delete = nullptr;
    int m_rowAfterListing = 0;   // the row made current when the rows come
};
