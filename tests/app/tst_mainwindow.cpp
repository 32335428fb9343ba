// The main window: start-up with and without a port file, the menu tree and
// the controls, locked menus, help and version box, and closing the window
// while a download waits.
#include "CommControl.h"
#include "DataList.h"
#include "DownloadState.h"
#include "MainWindow.h"
#include "Pty.h"
#include "SurfaceText.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

const QString designCaption = u"MERIDOC data read program"_s;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Records the help pages the window asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    UrlRecorder() { QDesktopServices::setUrlHandler(u"file"_s, this, "open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(u"file"_s); }
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data();
    void startup();
    void minimizedIcon_data();
    void minimizedIcon();
    void menuTree();
    void controlsAtStart();
    void lockedMenusSwallowShortcuts_data();
    void lockedMenusSwallowShortcuts();
    void surfaceLines();
    void helpAndVersion();
    void saveDialogKeepsProposal();
    void selectInterface();
    void waitForEventsSleepsUntilAnEvent();
    void closingAbandonsDownload_data();
    void closingAbandonsDownload();
};

void TestMainWindow::startup_data()
{
    QTest::addColumn<std::optional<QByteArray>>("portFile");   // nullopt: missing
    QTest::addColumn<std::optional<QByteArray>>("chosenFile"); // nullopt: dialog cancelled
    QTest::addColumn<QString>("numberBefore");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("dialogShown");
    QTest::addColumn<int>("messages");

    using Bytes = std::optional<QByteArray>;
    const Bytes none;
    QTest::newRow("stored port") << Bytes(" 3\r\n"_ba) << none << QString() << u"3"_s
                                 << u" MERIDOC / Instrument connected to COM3"_s << false << 0;
    QTest::newRow("only the first line") << Bytes(" 12\r\n 4\r\n"_ba) << none << QString() << u"12"_s
                                         << u" MERIDOC / Instrument connected to COM12"_s << false << 0;
    QTest::newRow("empty first line is port 0, no dialog")
        << Bytes("\r\n"_ba) << none << QString() << u"0"_s << u" MERIDOC / Instrument connected to COM0"_s
        << false << 0;
    QTest::newRow("missing, file chosen") << none << Bytes(" 7\r\n"_ba) << QString() << u"7"_s << designCaption
                                          << true << 0;
    QTest::newRow("zero length, file chosen")
        << Bytes(QByteArray()) << Bytes(" 5\r\n"_ba) << QString() << u"5"_s << designCaption << true << 0;
    QTest::newRow("missing, cancelled") << none << none << u"9"_s << u"9"_s << designCaption << true << 0;
    QTest::newRow("missing, chosen file empty")
        << none << Bytes(QByteArray()) << u"9"_s << u"9"_s << designCaption << true << 1;
}

void TestMainWindow::startup()
{
    QFETCH(std::optional<QByteArray>, portFile);
    QFETCH(std::optional<QByteArray>, chosenFile);
    QFETCH(QString, numberBefore);
    QFETCH(QString, number);
    QFETCH(QString, caption);
    QFETCH(bool, dialogShown);
    QFETCH(int, messages);

    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    if (portFile)
        writeFile(folder.filePath(u"Port.txt"_s), *portFile);
    const QString chosenPath = elsewhere.filePath(u"chosen.txt"_s);
    if (chosenFile)
        writeFile(chosenPath, *chosenFile);

    MainWindow window(folder.path());
    window.setComPortNumber(numberBefore);
    int dialogs = 0;
    bool visibleWhenAsked = false;
    window.fileDialog().setChooser([&](SharedFileDialog::Mode mode, const SharedFileDialog &dialog) {
        ++dialogs;
        visibleWhenAsked = window.isVisible();
        [&] {
            QCOMPARE(mode, SharedFileDialog::Mode::Open);
            QCOMPARE(dialog.filter(), u"Port File (*.txt)"_s);
        }();
        return chosenFile ? std::optional<QString>(chosenPath) : std::nullopt;
    });
    int shownMessages = 0;
    window.setDialogHandler([&](const MainWindow::DialogRequest &request) {
        ++shownMessages;
        [&] { QVERIFY(request.text.contains(chosenPath)); }();
        return true;
    });

    window.load();

    QVERIFY(window.isVisible());
    QCOMPARE(window.state().SendCmd10, "$qur10\n\r"_ba);
    QCOMPARE(window.state().SendCmdA1, "$qura1\n\r"_ba);
    QCOMPARE(window.comPortNumber(), number);
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(dialogs, dialogShown ? 1 : 0);
    QCOMPARE(visibleWhenAsked, dialogShown);
    QCOMPARE(shownMessages, messages);
    QCOMPARE(QDir::current().canonicalPath(), QDir(folder.path()).canonicalPath());
}

void TestMainWindow::minimizedIcon_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("iconFile");
    QTest::addColumn<bool>("iconFromFile");
    QTest::newRow("normal start keeps its icon") << false << true << false;
    QTest::newRow("minimized start takes the file") << true << true << true;
    QTest::newRow("minimized, file missing") << true << false << false;
}

void TestMainWindow::minimizedIcon()
{
    QFETCH(bool, minimized);
    QFETCH(bool, iconFile);
    QFETCH(bool, iconFromFile);

    QTemporaryDir folder;
    writeFile(folder.filePath(u"Port.txt"_s), " 2\r\n"_ba);
    if (iconFile) {
        QVERIFY(QDir(folder.path()).mkdir(u"HTML_Help"_s));
        // The icon the build draws beside the executables.
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + u"/HTML_Help/qura3.ico"_s,
                            folder.filePath(u"HTML_Help/qura3.ico"_s)));
    }
    MainWindow window(folder.path());
    const qint64 ownIcon = window.windowIcon().cacheKey();
    if (minimized)
        window.setWindowState(Qt::WindowMinimized);
    window.load();

    QCOMPARE(window.windowIcon().cacheKey() != ownIcon, iconFromFile);
    if (iconFromFile)
        QVERIFY(!window.windowIcon().pixmap(48).isNull());
    QCOMPARE(window.windowTitle(), u" MERIDOC / Instrument connected to COM2"_s);
}

void TestMainWindow::menuTree()
{
    QTemporaryDir folder;
    MainWindow window(folder.path());

    struct Entry
    {
        QString name, caption, shortcut;
    };
    // Each menu with its entries in order; "-" entries are separators.
    const QList<std::pair<Entry, QList<Entry>>> tree = {
        {{u"mnuDatei"_s, u"&File"_s, {}},
         {{u"mnuOpen"_s, u"&Open data file"_s, u"Ctrl+O"_s},
          {u"mnuSpeichern"_s, u"&Save data file as"_s, u"Ctrl+S"_s},
          {u"mnuDrucken"_s, u"&Print data file"_s, u"Ctrl+P"_s},
          {u"mnuTrenn"_s, u"-"_s, {}},
          {u"mnuEnd"_s, u"&End program"_s, u"Ctrl+E"_s}}},
        {{u"mnuCom"_s, u"&Interface"_s, {}}, {{u"mnuInterface1"_s, u"Select interface"_s, u"Ctrl+F1"_s}}},
        {{u"mnuEinlese"_s, u"&Data transfer "_s, {}},
         {{u"mnuCoat"_s, u"&Coating Thickness Meter"_s, {}},
          {u"mnuTrenn6"_s, u"-"_s, {}},
          {u"mnuField"_s, u"Field Strength Meter"_s, {}},
          {u"mnuTrenn10"_s, u"-"_s, {}}}},
        {{u"mnuCoat"_s, u"&Coating Thickness Meter"_s, {}},
         {{u"mnuOV"_s, u"&1 Read data from ORVIK FE-B / FN-B"_s, {}},
          {u"mnuTrenn15"_s, u"-"_s, {}},
          {u"mnuVarden"_s, u"&1 Read data from DURAMO Varden"_s, {}},
          {u"mnuTrenn14"_s, u"-"_s, {}},
          {u"mnuFennix"_s, u"&2 Read data from FENNIX FE-S / FN with Interface Cabel"_s, {}},
          {u"mnuTrenn13"_s, u"-"_s, {}},
          {u"mnuFennix_Radio"_s, u"&3 Read data from FENNIX FE-S / FN with Radio Control"_s, {}},
          {u"mnuTrenn11"_s, u"-"_s, {}},
          {u"mnuDuramoFN"_s, u"&4 Read data from DURAMO FE-S / FN"_s, {}},
          {u"mnuTrenn3"_s, u"-"_s, {}},
          {u"mnuDuramoST"_s, u"&4 Read data from DURAMO 5/10/20 ST"_s, {}},
          {u"mnuTrenn5"_s, u"-"_s, {}},
          {u"mnuKestra2"_s, u"&5 KESTRA II / DURAMO 80F-ST"_s, {}}}},
        {{u"mnuField"_s, u"Field Strength Meter"_s, {}},
         {{u"mnuQF100"_s, u"&1 Read data from QF-100"_s, {}},
          {u"mnuTrenn7"_s, u"-"_s, {}},
          {u"mnuQFU"_s, u"&2 Read data from QFU-ST"_s, {}},
          {u"mnuTrenn8"_s, u"-"_s, {}},
          {u"mnuQF2000"_s, u"&3 Read data from QF-2000"_s, {}}}},
        {{u"mnuHelp"_s, u"&Help"_s, {}},
         {{u"mnuHelp1"_s, u"&Meridoc help "_s, u"F1"_s}, {u"mnuInfo"_s, u"Info"_s, {}}}},
    };

    QStringList barMenus;
    for (QAction *action : window.menuBar()->actions())
        barMenus << action->objectName();
    QCOMPARE(barMenus, (QStringList{u"mnuDatei"_s, u"mnuCom"_s, u"mnuEinlese"_s, u"mnuHelp"_s}));

    for (const auto &[menuEntry, entries] : tree) {
        const auto *menu = window.findChild<QMenu *>(menuEntry.name);
        QVERIFY2(menu, qPrintable(menuEntry.name));
        QCOMPARE(menu->menuAction()->objectName(), menuEntry.name);
        QCOMPARE(menu->title(), menuEntry.caption);
        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QAction *action = actions.at(i);
            const Entry &expected = entries.at(i);
            QCOMPARE(action->objectName(), expected.name);
            if (expected.caption == u"-"_s)
                QVERIFY2(action->isSeparator(), qPrintable(expected.name));
            else
                QCOMPARE(action->text(), expected.caption);
            QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), expected.shortcut);
            QVERIFY(action->isEnabled() && action->isVisible());
        }
    }
}

void TestMainWindow::controlsAtStart()
{
    QTemporaryDir folder;
    writeFile(folder.filePath(u"Port.txt"_s), " 1\r\n"_ba);
    MainWindow window(folder.path());
    window.load();

    QCOMPARE(window.objectName(), u"main"_s);
    QCOMPARE(window.comm().objectName(), u"MSComm1"_s);
    QVERIFY(!window.comm().portOpen());

    const QList<std::pair<const char *, bool>> visibility = {
        {"Picture3", true},      {"Clipboard1", false}, {"Datenscroll1", false}, {"WarnText2", false},
        {"Picture1", true},      {"Text1", true},       {"Picture2", true},      {"stat1", false},
        {"WarnText1", false},    {"QfuText1", false},
    };
    for (const auto &[name, visible] : visibility) {
        const auto *widget = window.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(widget, name);
        QVERIFY2(widget->isVisible() == visible, name);
    }

    QCOMPARE(window.findChild<QPushButton *>(u"Clipboard1"_s)->text(), u"Daten in Clipboard kopieren"_s);
    const auto *bar = window.findChild<QProgressBar *>(u"Datenscroll1"_s);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 1000);
    QCOMPARE(bar->value(), 0);
    const auto *warn2 = window.findChild<QLineEdit *>(u"WarnText2"_s);
    QCOMPARE(warn2->font().family(), u"Arial"_s);
    const auto *warn1 = window.findChild<QLabel *>(u"WarnText1"_s);
    QCOMPARE(warn1->text(), u"When the bar stops moving, - Press key ESC !"_s);
    const auto *qfu = window.findChild<QLabel *>(u"QfuText1"_s);
    QCOMPARE(qfu->text(),
             u"QFU-ST COM-Configuration: baudrate=1200 / data,stopbits=7,2 /  c:00 / L:00 / c.LF / .Pc "_s);
    QCOMPARE(qfu->toolTip(), u"COM-Configuration for QFU-ST ( s.instructions IV. ! )"_s);
    QCOMPARE(window.findChild<QWidget *>(u"Picture1"_s)->toolTip(), u"DURAMO-TEST V1.0"_s);
    const auto *list = window.findChild<QListView *>(u"stat1"_s);
    QVERIFY(list->uniformItemSizes());
    QCOMPARE(list->model(), &window.dataList());
}

void TestMainWindow::lockedMenusSwallowShortcuts_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("entry");
    QTest::newRow("Ctrl+O") << QKeySequence(u"Ctrl+O"_s) << u"mnuOpen"_s;
    QTest::newRow("Ctrl+S") << QKeySequence(u"Ctrl+S"_s) << u"mnuSpeichern"_s;
    QTest::newRow("Ctrl+P") << QKeySequence(u"Ctrl+P"_s) << u"mnuDrucken"_s;
    QTest::newRow("Ctrl+E") << QKeySequence(u"Ctrl+E"_s) << u"mnuEnd"_s;
    QTest::newRow("Ctrl+F1") << QKeySequence(u"Ctrl+F1"_s) << u"mnuInterface1"_s;
    QTest::newRow("F1") << QKeySequence(u"F1"_s) << u"mnuHelp1"_s;
}

void TestMainWindow::lockedMenusSwallowShortcuts()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, entry);

    QTemporaryDir folder;
    UrlRecorder help;
    MainWindow window(folder.path());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.fileDialog().setChooser([](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>();
    });
    window.setPrinterChooser([](QPrinter &) { return false; });
    window.setDialogHandler([](const MainWindow::DialogRequest &) { return false; });
    QSignalSpy commands(&window, &MainWindow::menuCommand);

    // Locked twice, as some downloads do: the shortcut is dead, and so is
    // the entry itself when something triggers it directly.
    window.MenueGesperrt();
    window.MenueGesperrt();
    for (const char *name : {"mnuDatei", "mnuCom", "mnuEinlese", "mnuHelp"})
        QVERIFY(!window.findChild<QMenu *>(QString::fromLatin1(name))->menuAction()->isEnabled());
    QTest::keySequence(&window, keys);
    window.findChild<QAction *>(entry)->trigger();
    QCOMPARE(commands.size(), 0);
    QVERIFY(window.isVisible());

    // One unlock is enough.
    window.MenueFrei();
    QTest::keySequence(&window, keys);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.at(0).at(0).toString(), entry);
}

void TestMainWindow::surfaceLines()
{
    QTemporaryDir folder;
    MainWindow window(folder.path());
    window.show();
    auto *surface = window.findChild<SurfaceText *>();
    QVERIFY(surface);
    const int emptyHeight = surface->sizeHint().height();

    const QString busy = u" Gewählte Schnittstelle ist bereits belegt ! ! ! "_s;
    window.printOnSurface(busy);
    window.printOnSurface(busy);
    QCOMPARE(surface->lines(), (QStringList{busy, busy}));
    QVERIFY(surface->sizeHint().height() > emptyHeight);
    QVERIFY(surface->sizeHint().width() > 0);
}

void TestMainWindow::helpAndVersion()
{
    QTemporaryDir folder;
    UrlRecorder help;
    MainWindow window(folder.path());
    QList<MainWindow::DialogRequest> dialogs;
    window.setDialogHandler([&](const MainWindow::DialogRequest &request) {
        dialogs.append(request);
        return true;
    });
    window.show();

    // Without the page nothing opens and nothing is reported.
    window.findChild<QAction *>(u"mnuHelp1"_s)->trigger();
    QVERIFY(help.urls.isEmpty());
    QVERIFY(dialogs.isEmpty());

    QVERIFY(QDir(folder.path()).mkdir(u"HTML_Help"_s));
    const QString page = folder.filePath(u"HTML_Help/Meridoc_Help_E.html"_s);
    writeFile(page, "<html></html>"_ba);
    window.findChild<QAction *>(u"mnuHelp1"_s)->trigger();
    QTest::mouseClick(window.findChild<QWidget *>(u"Picture3"_s), Qt::LeftButton);
    QCOMPARE(help.urls, (QList<QUrl>{QUrl::fromLocalFile(page), QUrl::fromLocalFile(page)}));

    window.findChild<QAction *>(u"mnuInfo"_s)->trigger();
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs.at(0).kind, MainWindow::DialogKind::Information);
    QCOMPARE(dialogs.at(0).title, u"Program-Version"_s);
    QCOMPARE(dialogs.at(0).text, u"MERIDOC Program-Version 15.1"_s);
}

void TestMainWindow::saveDialogKeepsProposal()
{
    QTemporaryDir folder;
    MainWindow window(folder.path());
    QList<std::pair<QString, QString>> seen; // filter, proposed name
    std::optional<QString> answer = u"/data/first.mes"_s;
    window.fileDialog().setChooser([&](SharedFileDialog::Mode mode, const SharedFileDialog &dialog) {
        [&] {
            QCOMPARE(mode, SharedFileDialog::Mode::Save);
            QCOMPARE(dialog.initDir(), folder.filePath(u"mes"_s));
        }();
        seen.append({dialog.filter(), dialog.fileName()});
        return answer;
    });

    const QString filter = u"Messdatenfile (*.mes)"_s;
    QCOMPARE(window.saveDialog(filter, folder.filePath(u"mes"_s)), answer);
    answer.reset();
    QCOMPARE(window.saveDialog(filter, folder.filePath(u"mes"_s)), std::optional<QString>());
    QCOMPARE(window.saveDialog(filter, folder.filePath(u"mes"_s)), std::optional<QString>());
    // The chosen name is proposed next time; a cancel does not forget it.
    QCOMPARE(seen, (QList<std::pair<QString, QString>>{
                       {filter, QString()}, {filter, u"/data/first.mes"_s}, {filter, u"/data/first.mes"_s}}));
}

void TestMainWindow::selectInterface()
{
    QTemporaryDir folder;
    Pty pty;
    QVERIFY(pty.isOpen());
    QVERIFY(pty.linkAsCom(folder.path(), 6));
    writeFile(folder.filePath(u"Port.txt"_s), " 6\r\n"_ba);
    MainWindow window(folder.path());
    window.setDialogHandler([](const MainWindow::DialogRequest &) { return true; });
    window.load();
    window.comm().setCommPort(6);
    QVERIFY2(window.comm().setPortOpen(true), qPrintable(window.comm().errorString()));

    // The dialog test-opens the port itself, so the window lets go of it.
    window.findChild<QAction *>(u"mnuInterface1"_s)->trigger();
    QVERIFY(!window.comm().portOpen());
    auto *dialog = window.findChild<QDialog *>(u"ComboPort1"_s);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
}

void TestMainWindow::waitForEventsSleepsUntilAnEvent()
{
    QTemporaryDir folder;
    MainWindow window(folder.path());
    QElapsedTimer clock;

    // Idle, the wait sleeps: a few stray events may end it early, but a loop
    // of waits must not spin.
    int passes = 0;
    clock.start();
    while (clock.elapsed() < 300) {
        window.waitForEvents(100);
        ++passes;
    }
    QVERIFY2(passes <= 20, qPrintable(QString::number(passes)));

    bool ran = false;
    QTimer::singleShot(20, &window, [&] { ran = true; });
    clock.start();
    while (!ran && clock.elapsed() < 2000)
        window.waitForEvents(5000);
    QVERIFY(ran);
    QVERIFY2(clock.elapsed() < 1000, "an arriving event did not end the wait");
}

void TestMainWindow::closingAbandonsDownload_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << u"close"_s;
    QTest::newRow("End program") << u"mnuEnd"_s;
}

void TestMainWindow::closingAbandonsDownload()
{
    QFETCH(QString, how);

    QTemporaryDir folder;
    Pty pty;
    QVERIFY(pty.isOpen());
    QVERIFY(pty.linkAsCom(folder.path(), 4));
    writeFile(folder.filePath(u"Port.txt"_s), " 4\r\n"_ba);
    MainWindow window(folder.path());
    int dialogs = 0;
    window.setDialogHandler([&](const MainWindow::DialogRequest &) { return ++dialogs, true; });
    window.fileDialog().setChooser([&](SharedFileDialog::Mode, const SharedFileDialog &) {
        ++dialogs;
        return std::optional<QString>();
    });
    window.load();
    QSignalSpy ending(&window, &MainWindow::programEnding);

    // A download holds the port and waits for the instrument.
    window.comm().setCommPort(4);
    QVERIFY2(window.comm().setPortOpen(true), qPrintable(window.comm().errorString()));
    window.MenueGesperrt();
    QTimer::singleShot(30, &window, [&] {
        if (how == u"close"_s)
            window.close();
        else
            window.mnuEnd_Click();
    });

    bool abandoned = false;
    QElapsedTimer clock;
    clock.start();
    try {
        while (clock.elapsed() < 3000)
            window.waitForEvents(5000);
    } catch (const DownloadAbandoned &) {
        abandoned = true;
    }
    QVERIFY(abandoned);
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!window.comm().portOpen());
    QVERIFY(window.isEnding());
    QVERIFY(!window.isVisible());
    QCOMPARE(ending.size(), 1);
    QCOMPARE(dialogs, 0);
    // Every later attempt of the download to go on fails the same way.
    QVERIFY_THROWS_EXCEPTION(DownloadAbandoned, window.processEvents());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
