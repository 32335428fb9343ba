// A main window without widgets for download tests: it records what a download
// shows and does, and lets a test press ESC or close the window at any point.
#pragma once

#include "CommControl.h"
#include "DataList.h"
#include "DownloadHost.h"
#include "DownloadState.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class FakeHost : public DownloadHost
{
public:
    // The state of the window's controls as the download left them.
    struct Controls
    {
        bool clipboardButtonVisible = true;
        bool dataListVisible = true;
        bool progressVisible = false;
        bool warnText1Visible = false;
        bool warnText2Visible = true;
        bool qfuText1Visible = false;
        bool menusLocked = false;
        int progressMax = 100;
        int progressValue = 0;
        QString warnText2;
    };
    struct Message
    {
        QString title;
        QString text;
    };
    struct SaveRequest
    {
        QString filter;
        QString initDir;
    };

    explicit FakeHost(const QString &programFolder, const QString &comPortNumber = QStringLiteral("1"));

    // --- What the download did -------------------------------------------
    const Controls &controls() const { return m_controls; }
    // Every call in order, one line each, e.g. "WarnText2 = text",
    // "Progress.Value = 3", "MenueGesperrt", "delay 500".
    const QStringList &log() const { return m_log; }
    const QStringList &warnText2History() const { return m_warnText2History; }
    const QList<int> &progressValues() const { return m_progressValues; }
    const QStringList &surfaceLines() const { return m_surfaceLines; }
    const QList<Message> &messages() const { return m_messages; }
    const QList<Message> &questions() const { return m_questions; }
    const QList<SaveRequest> &saveRequests() const { return m_saveRequests; }
    const QList<double> &delays() const { return m_delays; }
    int escTests() const { return m_escTests; }
    // Calls of processEvents() and waitForEvents() so far.
    int eventPasses() const { return m_eventPasses; }
    bool abandoned() const { return m_abandoned; }

    // --- What the test does ------------------------------------------------
    // One ESC press, seen by the next ESC test (unless beginDownload comes first).
    void pressEsc() { m_escPressed = true; }
    void setEscHeld(bool held) { m_escHeld = held; }
    // The window's close request: the port is closed at once and the next
    // processEvents()/waitForEvents() throws DownloadAbandoned.
    void closeWindow();
    // Runs inside every processEvents()/waitForEvents(), after the events:
    // the place to feed the instrument, press ESC or close the window.
    void setOnEvents(std::function<void()> hook) { m_onEvents = std::move(hook); }
    // Answers of askYesNo (the default answer when the queue is empty).
    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    void setDefaultAnswer(bool yes) { m_defaultAnswer = yes; }
    // Answers of saveDialog in order; nullopt (cancel) when the queue is empty.
    void queueSavePath(const std::optional<QString> &path) { m_savePaths.enqueue(path); }
    // delay() sleeps scale times the asked time: 1 is real time, 0 no sleep.
    void setDelayScale(double scale) { m_delayScale = scale; }
    // The controls as an earlier operation left them (e.g. a progress maximum).
    Controls &editControls() { return m_controls; }

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override { return m_comm; }
    DataList &dataList() override { return m_dataList; }
    DownloadState &state() override { return m_state; }
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }

    void setClipboardButtonVisible(bool visible) override;
    void setDataListVisible(bool visible) override;
    void setProgressVisible(bool visible) override;
    void setProgressMax(int max) override;
    int progressMax() const override { return m_controls.progressMax; }
    void setProgressValue(int value) override;
    int progressValue() const override { return m_controls.progressValue; }
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

private:
    void afterEvents();
    void setVisible(bool &flag, bool visible, const char *name);

    QString m_programFolder;
    QString m_comPortNumber;
    CommControl m_comm;
    DataList m_dataList;
    DownloadState m_state;
    QTimer m_wake;

    Controls m_controls;
    QStringList m_log;
    QStringList m_warnText2History;
    QList<int> m_progressValues;
    QStringList m_surfaceLines;
    QList<Message> m_messages;
    QList<Message> m_questions;
    QList<SaveRequest> m_saveRequests;
    QList<double> m_delays;
    int m_escTests = 0;
    int m_eventPasses = 0;

    bool m_escPressed = false;
    bool m_escHeld = false;
    bool m_closed = false;
    bool m_abandoned = false;
    std::function<void()> m_onEvents;
    QQueue<bool> m_answers;
    bool m_defaultAnswer = false;
    QQueue<std::optional<QString>> m_savePaths;
    double m_delayScale = 1.0;
};
