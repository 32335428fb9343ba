// What a download needs of the main window: its serial control, data list
// and shared state, the controls that show the download's course, the menu
// lock, the ESC test, event processing and the window's boxes. It runs the
// downloads of the data menu and tells how each ended.
#pragma once

#include "DownloadHost.h"
#include "DownloadOutcome.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

class DialogRouter;
class DownloadPanel;
class EscWatch;
class HistoryJournal;
class QListView;
class QMenu;
class QPushButton;
class QWidget;
class SharedFileDialog;
class SurfaceText;

class WindowDownloadHost : public QObject, public DownloadHost
{
    Q_OBJECT
public:
    // The window's controls a download shows or hides.
    struct Controls
    {
        DownloadPanel *panel;
        QListView *stat1;
        QPushButton *clipboard1;
        SurfaceText *surface;
        QList<QMenu *> topMenus;   // mnuDatei, mnuCom, mnuEinlese, mnuHelp
    };

    // window: the parent of this object and of the dialogs; programFolder:
    // where COM n leads and where history/ lies.
    WindowDownloadHost(QWidget *window, const QString &programFolder, Controls controls, DialogRouter &dialogs,
                       SharedFileDialog &fileDialog);
    ~WindowDownloadHost() override;

    // Runs a download of the data menu. A download abandoned because the
    // window closed meanwhile ends quietly.
    void run(DownloadOutcome (*download)(DownloadHost &));

    void setComPortNumber(const QString &number) { m_comPortNumber = number; }
    // The window was closed: a download still running is abandoned at its
    // next event processing.
    void setEnding() { m_ending = true; }
    bool isEnding() const { return m_ending; }
    HistoryJournal &history() { return *m_journal; }
    // One byte to MSComm1.Output (the port must be open).
    void auxputbyte(quint8 &byte);
    void closePortIfOpen();

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override { return *m_comm; }
    DataList &dataList() override { return *m_data; }
    DownloadState &state() override { return *m_state; }
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }
    DownloadJournal *journal() override;
    void historyCopyStopped(const QString &reason) override;

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
    void downloadStarted();
    // Not emitted for an abandoned download.
    void downloadEnded(const DownloadOutcome &outcome);
    // The history copy stopped while the download goes on.
    void historyCopyHalted(const QString &reason);

private:
    void throwIfAbandoned() const;

    QWidget *m_window;
    QString m_programFolder;
    Controls m_controls;
    DialogRouter &m_dialogs;
    SharedFileDialog &m_fileDialog;
    QString m_comPortNumber;
    bool m_ending = false;
    std::unique_ptr<DownloadState> m_state;
    // Owned through QObject parents.
    CommControl *m_comm;      // MSComm1
    DataList *m_data;         // stat1's entries
    EscWatch *m_esc;
    HistoryJournal *m_journal;   // history/ of the program folder
};
