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

public Q_SLOTS:
    void save();
    void open();
    // Open without the file dialog: this file into the list.
    void openPath(const QString &path);
    void copy();
    void print();

private:
    QString dataFolder() const;
    void readIntoList(const QString &path);
    void showOpened();
    void message(const QString &title, const QString &text) const;
    bool choosePrinter(QPrinter &printer) const;

    QWidget *m_window;
    DataList &m_list;
    DownloadState &m_state;
    SharedFileDialog &m_fileDialog;
    QString m_programFolder;
    Hooks m_hooks;
};
