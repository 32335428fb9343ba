// The main window "main": builds its controls, menus and status line and
// wires them to the parts that do the work: the download host, the document
// actions, the port dialog, the start-up, the dialog router. Help, the
// version box and shutdown are its own handlers.
#pragma once

#include "SharedFileDialog.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class DialogRouter;
class DocumentActions;
class DownloadPanel;
class PortDialogOwner;
class QListView;
class QMenu;
class QPrinter;
class QPushButton;
class StartUp;
class StatusLine;
class SurfaceText;
class WindowDownloadHost;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // programFolder: the folder of Port.txt, mes/ and ports/; the help folder
    // is its HTML_Help/ until setHelpFolder. Builds the controls and menus;
    // nothing is read or shown yet.
    explicit MainWindow(const QString &programFolder, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The folder of the help page and the icon (an installed program keeps
    // them apart from its data).
    void setHelpFolder(const QString &folder) { m_helpFolder = folder; }

    // The start-up sequence: the FENNIX commands, show the window, the
    // minimized icon, then Port.txt into ComPortNumber and the caption, and
    // the notice of interrupted downloads.
    void load();

    WindowDownloadHost &host() { return *m_host; }
    DialogRouter &dialogs() { return *m_dialogs; }
    SharedFileDialog &fileDialog() { return m_speichern2; }   // Speichern2
    // The port selection dialog ComboPort1 (created on first use).
    PortDialogOwner &portDialog() { return *m_portDialog; }
    // The path Port.txt was read from (the one chosen when it was missing).
    QString portFilePath() const;

    // The print dialog step, for tests: returns true to print on the printer
    // as set up. Unset, the print dialog is shown.
    using PrinterChooser = std::function<bool(QPrinter &printer)>;
    void setPrinterChooser(PrinterChooser chooser) { m_printerChooser = std::move(chooser); }

    void ShowHelp();

Q_SIGNALS:
    // A menu entry's handler ran (not emitted while its menu is locked);
    // entry is the action's object name, e.g. "mnuOpen".
    void menuCommand(const QString &entry);
    // The window was closed: the port is closed and the program ends.
    void programEnding();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectEntry(const char *name, std::function<void()> handler);
    void SetMinimizedIcon();
    void mnuHistory_Click();
    void mnuInterface1_Click();
    void mnuEnd_Click();

    QString m_programFolder;
    QString m_helpFolder;
    SharedFileDialog m_speichern2;
    PrinterChooser m_printerChooser;
    std::unique_ptr<StartUp> m_startUp;
    QList<QMenu *> m_topMenus;   // mnuDatei, mnuCom, mnuEinlese, mnuHelp

    // Owned by the window through QObject parents.
    QPushButton *m_clipboard1 = nullptr;
    DownloadPanel *m_panel = nullptr;
    QListView *m_stat1 = nullptr;
    SurfaceText *m_surface = nullptr;
    StatusLine *m_statusLine = nullptr;
    DialogRouter *m_dialogs = nullptr;
    WindowDownloadHost *m_host = nullptr;
    DocumentActions *m_documents = nullptr;
    PortDialogOwner *m_portDialog = nullptr;   // ComboPort1
};
