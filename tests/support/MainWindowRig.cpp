#include "MainWindowRig.h"

#include "CommControl.h"
#include "DataList.h"
#include "WindowDownloadHost.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

MainWindowRig::MainWindowRig()
{
    folder.choosePort(3);
    QDir(folder.path()).mkdir(u"mes"_s);
}

MainWindowRig::~MainWindowRig() = default;

InstrumentThread &MainWindowRig::plug(InstrumentFamily family)
{
    instrument.reset();
    instrument = std::make_unique<InstrumentThread>(family);
    instrument->linkAsCom(folder.path(), 3);
    return *instrument;
}

PtyReader &MainWindowRig::plugSilent()
{
    silent = std::make_unique<PtyReader>();
    silent->pty().linkAsCom(folder.path(), 3);
    return *silent;
}

QByteArray MainWindowRig::sentToSilent()
{
    return silent->untilQuiet(20);
}

MainWindow &MainWindowRig::start()
{
    window = std::make_unique<MainWindow>(folder.path());
    window->dialogs().setHandler([this](const DialogRouter::Request &request) {
        dialogs.append(request);
        return answerYes;
    });
    window->fileDialog().setChooser([this](SharedFileDialog::Mode, const SharedFileDialog &dialog) {
        files.append({dialog.filter(), dialog.initDir(), dialog.fileName()});
        return fileAnswer;
    });
    window->load();
    QObject::connect(widget<QLineEdit>("WarnText2"), &QLineEdit::textChanged, window.get(), [this](const QString &text) {
        if (text.isEmpty())
            return;
        warnTexts.append(text);
        if (shown("QfuText1"))
            qfuTextsShown.append(widget<QLabel>("QfuText1")->text());
        if (onWarnText)
            onWarnText(text);
    });
    return *window;
}

void MainWindowRig::trigger(const char *entry)
{
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, window.get(), [this] {
        timedOut = true;
        QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    watchdog.start(WatchdogMs);
    widget<QAction>(entry)->trigger();
}

bool MainWindowRig::shown(const char *control) const
{
    return !widget<QWidget>(control)->isHidden();
}

bool MainWindowRig::restored() const
{
    for (const char *hidden : {"Datenscroll1", "WarnText2", "WarnText1", "QfuText1"}) {
        if (shown(hidden))
            return false;
    }
    return !window->host().comm().portOpen() && !menusLocked();
}

bool MainWindowRig::menusLocked() const
{
    for (const char *menu : {"mnuDatei", "mnuCom", "mnuEinlese", "mnuHelp"}) {
        if (widget<QMenu>(menu)->menuAction()->isEnabled())
            return false;
    }
    return true;
}

int MainWindowRig::barMaximum() const
{
    return widget<QProgressBar>("Datenscroll1")->maximum();
}

void MainWindowRig::at(int ms, std::function<void()> fn)
{
    QTimer::singleShot(ms, window.get(), std::move(fn));
}

void MainWindowRig::pressKeyWhenShown(const QString &instruction, int afterMs)
{
    onWarnText = [this, instruction, afterMs](const QString &text) {
        if (text == instruction)
            at(afterMs, [this] { instrument->pressKey(); });
    };
}

void MainWindowRig::pressEscWhen(std::function<bool()> condition)
{
    auto *poll = new QTimer(window.get());
    QObject::connect(poll, &QTimer::timeout, window.get(), [this, poll, condition] {
        if (!condition())
            return;
        poll->stop();
        poll->deleteLater();
        QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    poll->start(2);
}

QString MainWindowRig::statusLine() const
{
    return widget<QLabel>("statusLine")->text();
}

QString MainWindowRig::newestHistoryFile() const
{
    const QStringList kept = folder.historyFiles(u"*.mes"_s);
    return kept.isEmpty() ? QString() : kept.last();
}

QList<QByteArray> MainWindowRig::entries() const
{
    return window->host().dataList().entries();
}

DownloadState &MainWindowRig::state() const
{
    return window->host().state();
}
