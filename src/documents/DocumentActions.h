// The document operations of the main window: Save and Open of measurement
// data files, copying the data to the clipboard and printing them.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class DataList;
class QPrinter;
class QWidget;
class SharedFileDialog;
struct DownloadState;

// What Open or Save did, for the window to say.
struct FileOutcome
{
    enum class Operation { Open, Save };
    enum class Result {
        Done,       // the file was read into the list, or the list written to it
        Cancelled,  // the dialog was cancelled: the list, or the disk, is as it was
        Failed,     // the user was told why; the list, or the file, is as it was
    };
    Operation operation = Operation::Open;
    Result result = Result::Cancelled;
    QString path;
    qsizetype lines = 0;  // read, or written
};

class DocumentActions : public QObject
{
    Q_OBJECT
public:
    // How the operations reach the window. An unset hook does nothing, except
    // showMessage (a message box on the window) and choosePrinter (the print
    // dialog; true when the user chose to print).
    struct Hooks
    {
        std::function<void(bool visible)> setCopyButtonVisible;
        std::function<void()> showList;
        std::function<void()> clearListSelection;
        std::function<void(const QString &title, const QString &text)> showMessage;
        std::function<bool(QPrinter &printer)> choosePrinter;
    };

    // The window is the parent of this object and of the dialogs it shows.
    DocumentActions(QWidget *window, DataList &list, DownloadState &state,
                    SharedFileDialog &fileDialog, QString programFolder, Hooks hooks);

Q_SIGNALS:
    // Open or Save (also Open of a path) has ended.
    void finished(const FileOutcome &outcome);

public Q_SLOTS:
    void save();
    void open();
    // Open without the file dialog: this file into the list.
    void openPath(const QString &path);
    void copy();
    void print();

private:
    QString dataFolder() const;
    // True when the file was read into the list.
    bool readIntoList(const QString &path);
    void openEnded(FileOutcome::Result result, const QString &path);
    void message(const QString &title, const QString &text) const;
    bool choosePrinter(QPrinter &printer) const;

    QWidget *m_window;
    DataList &m_list;
    DownloadState &m_state;
    SharedFileDialog &m_fileDialog;
    QString m_programFolder;
    Hooks m_hooks;
};
