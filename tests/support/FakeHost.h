// A main window without widgets for download tests: it records what a download
// shows and asks, and lets a test feed the line or press ESC between events.
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

    explicit FakeHost(const QString &programFolder, const QString &comPortNumber = QStringLiteral("1"));

    // --- What the download did -------------------------------------------
    const Controls &controls() const { return m_controls; }
    const QStringList &warnText2History() const { return m_warnText2History; }
    const QList<int> &progressValues() const { return m_progressValues; }
    // Every line count shown on the bar, in order.
    const QList<qsizetype> &receivedCounts() const { return m_receivedCounts; }
    const QList<Message> &messages() const { return m_messages; }
    const QList<Message> &questions() const { return m_questions; }
    // The filters the save dialog was shown with.
    const QStringList &saveRequests() const { return m_saveRequests; }
    const QList<double> &delays() const { return m_delays; }
    int escTests() const { return m_escTests; }
    // Calls of processEvents() and waitForEvents() so far.
    int eventPasses() const { return m_eventPasses; }

    // --- What the test does ------------------------------------------------
    // One ESC press, seen by the next ESC test (unless beginDownload comes first).
    void pressEsc() { m_escPressed = true; }
    // Runs inside every processEvents()/waitForEvents(), after the events:
    // the place to feed the instrument or press ESC.
    void setOnEvents(std::function<void()> hook) { m_onEvents = std::move(hook); }
    // The answer of every askYesNo.
    void setDefaultAnswer(bool yes) { m_answer = yes; }
    // Answers of saveDialog in order; nullopt (cancel) when the queue is empty.
    void queueSavePath(const std::optional<QString> &path) { m_savePaths.enqueue(path); }
    // delay() sleeps scale times the asked time: 1 is real time, 0 no sleep.
    void setDelayScale(double scale) { m_delayScale = scale; }

    // --- DownloadHost ------------------------------------------------------
    CommControl &comm() override { return m_comm; }
    DataList &dataList() override { return m_dataList; }
    DownloadState &state() override { return m_state; }
    QString comPortNumber() const override { return m_comPortNumber; }
    QString programFolder() const override { return m_programFolder; }

    void setClipboardButtonVisible(bool visible) override { m_controls.clipboardButtonVisible = visible; }
    bool clipboardButtonVisible() const override { return m_controls.clipboardButtonVisible; }
    void setDataListVisible(bool visible) override { m_controls.dataListVisible = visible; }
    void setProgressVisible(bool visible) override { m_controls.progressVisible = visible; }
    void setProgressMax(int max) override { m_controls.progressMax = max; }
    int progressMax() const override { return m_controls.progressMax; }
    void setProgressValue(int value) override;
    int progressValue() const override { return m_controls.progressValue; }
    void showReceivedCount(qsizetype lines) override { m_receivedCounts.append(lines); }
    void setWarnText2(const QString &text) override;
    void setWarnText2Visible(bool visible) override { m_controls.warnText2Visible = visible; }
    void setWarnText1Visible(bool visible) override { m_controls.warnText1Visible = visible; }
    void setQfuText1Visible(bool visible) override { m_controls.qfuText1Visible = visible; }
    void printOnSurface(const QString &) override {}

    void MenueGesperrt() override { m_controls.menusLocked = true; }
    void MenueFrei() override { m_controls.menusLocked = false; }

    bool escPressed() override;
    void beginDownload() override { m_escPressed = false; }

    void processEvents() override;
    void waitForEvents(int maxMs) override;

    void delay(double &milliseconds) override;

    void showMessage(const QString &title, const QString &text) override { m_messages.append({title, text}); }
    bool askYesNo(const QString &title, const QString &text) override;
    std::optional<QString> saveDialog(const QString &filter, const QString &initDir) override;

private:
    void afterEvents();

    QString m_programFolder;
    QString m_comPortNumber;
    CommControl m_comm;
    DataList m_dataList;
    DownloadState m_state;
    QTimer m_wake;

    Controls m_controls;
    QStringList m_warnText2History;
    QList<int> m_progressValues;
    QList<qsizetype> m_receivedCounts;
    QList<Message> m_messages;
    QList<Message> m_questions;
    QStringList m_saveRequests;
    QList<double> m_delays;
    int m_escTests = 0;
    int m_eventPasses = 0;

    bool m_escPressed = false;
    std::function<void()> m_onEvents;
    bool m_answer = false;
    QQueue<std::optional<QString>> m_savePaths;
    double m_delayScale = 1.0;
};
