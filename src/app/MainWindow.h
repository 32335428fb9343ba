// The main window "main": its controls and menus, the start-up sequence, help,
// version box and shutdown, and everything a download needs of the window.
#pragma once

#include "DownloadHost.h"
#include "DownloadOutcome.h"
#include "SharedFileDialog.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class CommControl;
class DataList;
class DocumentActions;
class EscWatch;
class HistoryJournal;
class PortDialogOwner;
class QAction;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTextEdit;
class SurfaceText;
struct DownloadState;

class MainWindow : public QMainWindow, public DownloadHost
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
    // minimized icon, then Port.txt into ComPortNumber and the caption.
    void load();

    void setComPortNumber(const QString &number) { m_comPortNumber = number; }
    // " MERIDOC / Instrument connected to COM" + number as the caption.
    void showPortCaption(const QString &number);
    // The port selection dialog ComboPort1 (created on first use).
    PortDialogOwner &portDialog() { return *m_portDialog; }
    // The path Port.txt was read from (the one chosen when it was missing).
    QString portFilePath() const { return m_portFilePath; }

    SharedFileDialog &fileDialog() { return m_speichern2; }   // Speichern2
    // One byte to MSComm1.Output (the port must be open).
    void auxputbyte(quint8 &byte);
    void ShowHelp();

    // --- Test hooks -------------------------------------------------------
    // Message boxes and questions go to this function instead of a modal box
    // when it is set. It returns the answer to a Question (true = Yes); for
    // the other kinds the result is ignored. File dialogs are scripted with
    // fileDialog().setChooser(...).
    // A Notice offers "Open" (true) beside "Close".
    enum class DialogKind { Message, Question, Information, Notice };
    struct DialogRequest
    {
        DialogKind kind;
        QString title;
        QString text;
    };
    using DialogHandler = std::function<bool(const DialogRequest &)>;
    void setDialogHandler(DialogHandler handler) { m_dialogHandler = std::move(handler); }
    // The print dialog step: returns true to print on the printer as set up.
    // Unset, the print dialog is shown.
    using PrinterChooser = std::function<bool(QPrinter &printer)>;
    void setPrinterChooser(PrinterChooser chooser) { m_printerChooser = std::move(chooser); }

    // True once the window was closed (the program is ending); a download
    // still running throws DownloadAbandoned at its next event processing.
    bool isEnding() const { return m_ending; }

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override;
    DataList &dataList() override;
    DownloadState &state() override;
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }
    DownloadJournal *journal() override;

    void setClipboardButtonVisible(bool visible) override;
    bool clipboardButtonVisible() const override;
    void setDataListVisible(bool visible) override;
    void setProgressVisible(bool visible) override;
    void setProgressMax(int max) override;
    int progressMax() const override;
    void setProgressValue(int value) override;
    int progressValue() const override;
    void showReceivedCount(qsizetype lines) override;
    void setWarnText2(const QString &text) override;
    void setWarnText2Visible(bool visible) override;
    void setWarnText1Visible(bool visible) override;
    void setQfuText1Visible(bool visible) override;
    void printOnSurface(const QString &text) override;

    void MenueGesperrt() override;
    void MenueFrei() override;

    bool escPressed() override;
    void beginDownload() override;

    void processEvents() override;
    void waitForEvents(int maxMs) override;
    void delay(double &milliseconds) override;

    void showMessage(const QString &title, const QString &text) override;
    bool askYesNo(const QString &title, const QString &text) override;
    std::optional<QString> saveDialog(const QString &filter, const QString &initDir) override;

Q_SIGNALS:
    // A menu entry's handler ran (not emitted while its menu is locked);
    // entry is the action's object name, e.g. "mnuOpen".
    void menuCommand(const QString &entry);
    // The window was closed: the port is closed and the program ends.
    void programEnding();

public Q_SLOTS:
    void mnuOpen_Click();
    void mnuSpeichern_Click();
    void mnuDrucken_Click();
    void mnuHistory_Click();
    void mnuEnd_Click();
    void mnuInterface1_Click();
    void mnuInfo_Click();
    void Clipboard1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectEntry(const char *name, std::function<void()> handler);
    void runDownload(DownloadOutcome (*download)(DownloadHost &));
    void SetMinimizedIcon();
    void GetPortFile();
    void Lese_ComPort();
    void closePortIfOpen();
    void tellInterruptedDownloads();
    void throwIfAbandoned() const;
    bool ask(DialogKind kind, const QString &title, const QString &text);

    QString m_programFolder;
    QString m_helpFolder;
    QString m_comPortNumber;
    QString m_portFilePath;
    bool m_ending = false;
    DialogHandler m_dialogHandler;
    PrinterChooser m_printerChooser;
    SharedFileDialog m_speichern2;
    std::unique_ptr<DownloadState> m_state;

    // Owned by the window through QObject parents.
    CommControl *m_comm = nullptr;    // MSComm1
    DataList *m_data = nullptr;       // stat1's entries
    EscWatch *m_esc = nullptr;
    DocumentActions *m_documents = nullptr;
    HistoryJournal *m_journal = nullptr;   // history/ of the program folder
    PortDialogOwner *m_portDialog = nullptr;   // ComboPort1
    QMenu *m_topMenus[4] = {};        // mnuDatei, mnuCom, mnuEinlese, mnuHelp
    QPushButton *m_clipboard1 = nullptr;
    QProgressBar *m_datenscroll1 = nullptr;
    QLineEdit *m_warnText2 = nullptr;
    QTextEdit *m_text1 = nullptr;
    QListView *m_stat1 = nullptr;
    QLabel *m_warnText1 = nullptr;
    QLabel *m_qfuText1 = nullptr;
    SurfaceText *m_surface = nullptr;
};
