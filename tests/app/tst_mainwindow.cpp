// The main window: start-up with good, missing and damaged port files, the
// controls, locked menus, help in both layouts, the port dialog taking over
// the port, the event wait, and Open of a 10 MB line.
#include "CommControl.h"
#include "DataList.h"
#include "DialogRouter.h"
#include "MainWindow.h"
#include "MainWindowRig.h"
#include "WindowDownloadHost.h"
#include "ProgramFolders.h"
#include "StatusLine.h"

#include "TestFiles.h"
#include <QAction>
#include <QDesktopServices>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QProgressBar>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace {

const QString designCaption = u"MERIDOC data read program"_s;

QByteArray garbage(int size)
{
    QRandomGenerator random(4242);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
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

// A window whose file dialog answers with `choice` and whose messages are recorded.
struct Rig
{
    explicit Rig(const QString &folder) : window(folder)
    {
        window.fileDialog().setChooser([this](SharedFileDialog::Mode, const SharedFileDialog &) {
            ++fileDialogs;
            return choice;
        });
        window.dialogs().setHandler([this](const DialogRouter::Request &request) {
            messages.append(request);
            return false;
        });
    }
    void trigger(const QString &name) { window.findChild<QAction *>(name)->trigger(); }

    MainWindow window;
    std::optional<QString> choice;
    int fileDialogs = 0;
    QList<DialogRouter::Request> messages;
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
    void controlsAtStart();
    void progressBarCountsLines();
    void lockedMenusSwallowShortcuts_data();
    void lockedMenusSwallowShortcuts();
    void helpPage();
    void installedLayout();
    void selectInterfaceReleasesThePort();
    void waitForEventsSleepsUntilAnEvent();
    void hugeLineOpensAndSavesBack();
    void questionsDefaultToNo_data();
    void questionsDefaultToNo();
    void statusLineSaysWhatFilesDid();
};

void TestMainWindow::startup_data()
{
    QTest::addColumn<std::optional<QByteArray>>("portFile");   // nullopt: missing
    QTest::addColumn<std::optional<QByteArray>>("chosenFile"); // nullopt: dialog cancelled
    QTest::addColumn<QString>("numberBefore");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("told");    // a text of the message, when there is one
    QTest::addColumn<QString>("refusal"); // what a download then says; empty: not tried

    using Bytes = std::optional<QByteArray>;
    const Bytes none;
    const auto connected = [](const QString &n) { return u" MERIDOC / Instrument connected to COM"_s + n; };
    const QString outOfRange = u"1 to "_s;
    const QString chooseHow = u"Choose the port with \"Interface\" > \"Select interface\": type the COM number of "
                              "the instrument and press O.K. Its \"?\" button lists the serial ports of this computer "
                              "and the COM numbers they have."_s;
    QTest::newRow("stored port") << Bytes(" 3\r\n"_ba) << none << QString() << u"3"_s << connected(u"3"_s) << 0
                                 << QString() << QString();
    QTest::newRow("only the first line") << Bytes(" 12\r\n 4\r\n"_ba) << none << QString() << u"12"_s
                                         << connected(u"12"_s) << 0 << QString() << u"COM 12 cannot be opened"_s;
    QTest::newRow("empty first line is port 0, no dialog")
        << Bytes("\r\n"_ba) << none << QString() << u"0"_s << connected(u"0"_s) << 0 << QString() << outOfRange;
    QTest::newRow("missing, file chosen") << none << Bytes(" 7\r\n"_ba) << QString() << u"7"_s << designCaption << 0
                                          << QString() << QString();
    QTest::newRow("zero length, file chosen") << Bytes(QByteArray()) << Bytes(" 5\r\n"_ba) << QString() << u"5"_s
                                              << designCaption << 0 << QString() << QString();
    // A newcomer who cancels is told how to choose the port.
    QTest::newRow("missing, cancelled") << none << none << u"9"_s << u"9"_s << designCaption << 1
                                        << u"The program does not know yet which COM port the instrument is "
                                           "connected to.\n"_s + chooseHow
                                        << QString();
    QTest::newRow("missing, chosen file empty")
        << none << Bytes(QByteArray()) << u"9"_s << u"9"_s << designCaption << 1 << chooseHow << QString();

    const auto damaged = [&](const char *name, const QByteArray &content, const QString &number,
                             const QString &refusal) {
        QTest::newRow(name) << Bytes(content) << none << QString() << number << connected(number) << 0 << QString()
                            << refusal;
    };
    damaged("binary garbage", "\x01\x80\xff 7\x00\x02"_ba + garbage(4096), u"0"_s, outOfRange);
    damaged("garbage after a number", " 12\xfe\x00\x9b"_ba + garbage(4096), u"12"_s, u"COM 12 cannot be opened"_s);
    damaged("10 MB line of digits", QByteArray(10 << 20, '9'), QString(1024, u'9'), outOfRange);
    damaged("past 16 bits", " 65539\r\n"_ba, u"65539"_s, outOfRange);
    damaged("negative", "-3\r\n"_ba, u"-3"_s, outOfRange);
}

void TestMainWindow::startup()
{
    QFETCH(std::optional<QByteArray>, portFile);
    QFETCH(std::optional<QByteArray>, chosenFile);
    QFETCH(QString, numberBefore);
    QFETCH(QString, number);
    QFETCH(QString, caption);
    QFETCH(int, messages);
    QFETCH(QString, told);
    QFETCH(QString, refusal);

    QTemporaryDir folder;
    QTemporaryDir elsewhere;
    if (portFile)
        QVERIFY(writeFile(folder.filePath(u"Port.txt"_s), *portFile));
    // COM 12 leads to an unplugged adapter, so no download reaches a real device.
    QVERIFY(QDir(folder.path()).mkpath(u"ports"_s));
    QVERIFY(QFile::link(u"/nonexistent/ttyUSB7"_s, folder.filePath(u"ports/com12"_s)));
    const QString chosenPath = elsewhere.filePath(u"chosen.txt"_s);
    if (chosenFile)
        QVERIFY(writeFile(chosenPath, *chosenFile));

    Rig rig(folder.path());
    rig.window.host().setComPortNumber(numberBefore);
    if (chosenFile)
        rig.choice = chosenPath;
    bool visibleWhenAsked = false;
    rig.window.fileDialog().setChooser([&](SharedFileDialog::Mode mode, const SharedFileDialog &dialog) {
        ++rig.fileDialogs;
        visibleWhenAsked = rig.window.isVisible();
        [&] {
            QCOMPARE(mode, SharedFileDialog::Mode::Open);
            QCOMPARE(dialog.filter(), u"Port File (*.txt)"_s);
            QCOMPARE(dialog.title(), u"Choose the port file (Port.txt) that holds the instrument's COM port"_s);
        }();
        return rig.choice;
    });

    QElapsedTimer clock;
    clock.start();
    rig.window.load();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(u"start-up took %1 ms"_s.arg(clock.elapsed())));

    const bool asked = !portFile || portFile->isEmpty();
    QVERIFY(rig.window.isVisible());
    QCOMPARE(rig.window.host().comPortNumber(), number);
    QCOMPARE(rig.window.windowTitle(), caption);
    QCOMPARE(rig.fileDialogs, asked ? 1 : 0);
    QCOMPARE(visibleWhenAsked, asked);
    QCOMPARE(rig.messages.size(), messages);
    if (messages) {
        QVERIFY2(rig.messages[0].text.endsWith(told), qPrintable(rig.messages[0].text));
        if (chosenFile)
            QVERIFY(rig.messages[0].text.contains(chosenPath));
    }
    QCOMPARE(QDir::current().canonicalPath(), QDir(folder.path()).canonicalPath());

    if (refusal.isEmpty())
        return;
    // A download refuses the port with a message and leaves the menus usable.
    rig.trigger(u"mnuDuramoST"_s);
    QCOMPARE(rig.messages.size(), 1);
    QVERIFY2(rig.messages[0].text.contains(refusal), qPrintable(rig.messages[0].text));
    // A number text read from the file is quoted shortened, however long it is.
    QVERIFY2(rig.messages[0].text.size() < 400, qPrintable(rig.messages[0].text.left(400)));
    QVERIFY(!rig.window.host().comm().portOpen());
    QVERIFY(rig.window.findChild<QMenu *>(u"mnuDatei"_s)->menuAction()->isEnabled());
    QVERIFY(!rig.window.host().isEnding());
    // The status line says it in a few words: every refused row is COM 12 or no COM 1 to 16.
    const QString status = refusal == u"1 to "_s ? u"Nothing was read: the COM number is not one of 1 to 16"_s
                                                 : u"Nothing was read: COM 12 could not be opened"_s;
    QCOMPARE(rig.window.findChild<QLabel *>(u"statusLine"_s)->text(), status);
}

void TestMainWindow::minimizedIcon_data()
{
    QTest::addColumn<bool>("minimized");
    QTest::addColumn<bool>("iconFile");
    QTest::newRow("normal start keeps its icon") << false << true;
    QTest::newRow("minimized start takes the file") << true << true;
    QTest::newRow("minimized, file missing") << true << false;
}

void TestMainWindow::minimizedIcon()
{
    QFETCH(bool, minimized);
    QFETCH(bool, iconFile);

    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(u"Port.txt"_s), " 2\r\n"_ba));
    if (iconFile) {
        QVERIFY(QDir(folder.path()).mkdir(u"HTML_Help"_s));
        // The icon the build draws beside the executables.
        QVERIFY(QFile::copy(QStringLiteral(MERIDOC_HELP_DIR "/qura3.ico"),
                            folder.filePath(u"HTML_Help/qura3.ico"_s)));
    }
    MainWindow window(folder.path());
    const qint64 ownIcon = window.windowIcon().cacheKey();
    if (minimized)
        window.setWindowState(Qt::WindowMinimized);
    window.load();

    const bool fromFile = minimized && iconFile;
    QCOMPARE(window.windowIcon().cacheKey() != ownIcon, fromFile);
    if (fromFile)
        QVERIFY(!window.windowIcon().pixmap(48).isNull());
}

void TestMainWindow::controlsAtStart()
{
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(u"Port.txt"_s), " 1\r\n"_ba));
    MainWindow window(folder.path());
    window.load();

    QVERIFY(!window.host().comm().portOpen());
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
}

// The bar wraps at its maximum; its text counts the received lines instead.
void TestMainWindow::progressBarCountsLines()
{
    QTemporaryDir folder;
    MainWindow window(folder.path());
    auto *bar = window.findChild<QProgressBar *>(u"Datenscroll1"_s);
    QVERIFY(bar);
    QVERIFY(bar->isTextVisible());
    window.host().setProgressValue(3);
    const QList<std::pair<qsizetype, QString>> shown = {
        {0, u"0 lines received"_s}, {1, u"1 line received"_s}, {12345, u"12345 lines received"_s}};
    for (const auto &[lines, text] : shown) {
        window.host().showReceivedCount(lines);
        QCOMPARE(bar->text(), text);
    }
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
    Rig rig(folder.path());
    MainWindow &window = rig.window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.setPrinterChooser([](QPrinter &) { return false; });
    QSignalSpy commands(&window, &MainWindow::menuCommand);

    // Locked twice, as some downloads do: the shortcut is dead, and so is
    // the entry itself when something triggers it directly.
    window.host().MenueGesperrt();
    window.host().MenueGesperrt();
    for (const char *name : {"mnuDatei", "mnuCom", "mnuEinlese", "mnuHelp"})
        QVERIFY(!window.findChild<QMenu *>(QString::fromLatin1(name))->menuAction()->isEnabled());
    QTest::keySequence(&window, keys);
    rig.trigger(entry);
    QCOMPARE(commands.size(), 0);
    QVERIFY(window.isVisible());

    // One unlock is enough.
    window.host().MenueFrei();
    QTest::keySequence(&window, keys);
    QCOMPARE(commands.size(), 1);
    QCOMPARE(commands.at(0).at(0).toString(), entry);
}

void TestMainWindow::helpPage()
{
    QTemporaryDir folder;
    UrlRecorder help;
    Rig rig(folder.path());
    rig.window.show();

    // Without the page nothing opens and nothing is reported.
    rig.trigger(u"mnuHelp1"_s);
    QVERIFY(help.urls.isEmpty());
    QVERIFY(rig.messages.isEmpty());

    QVERIFY(QDir(folder.path()).mkdir(u"HTML_Help"_s));
    const QString page = folder.filePath(u"HTML_Help/Meridoc_Help_E.html"_s);
    QVERIFY(writeFile(page, "<html></html>"_ba));
    rig.trigger(u"mnuHelp1"_s);
    QTest::mouseClick(rig.window.findChild<QWidget *>(u"Picture3"_s), Qt::LeftButton);
    QCOMPARE(help.urls, (QList<QUrl>{QUrl::fromLocalFile(page), QUrl::fromLocalFile(page)}));
}

void TestMainWindow::installedLayout()
{
    QTemporaryDir prefix;
    QTemporaryDir userData;
    QDir root(prefix.path());
    QVERIFY(root.mkpath(u"bin"_s));
    QVERIFY(root.mkpath(u"share/meridoc/HTML_Help"_s));
    const QString bin = root.filePath(u"bin"_s);
    const QString page = root.filePath(u"share/meridoc/HTML_Help/Meridoc_Help_E.html"_s);
    QVERIFY(writeFile(page, "<html></html>"_ba));
    QVERIFY(writeFile(QDir(userData.path()).filePath(u"Port.txt"_s), " 3\r\n"_ba));

    const ProgramFolders folders = chooseProgramFolders(folderFacts(bin, userData.path()));
    UrlRecorder help;
    Rig rig(folders.dataFolder);
    rig.window.setHelpFolder(folders.helpFolder);
    rig.window.load();

    QCOMPARE(rig.window.portFilePath(), QDir(userData.path()).filePath(u"Port.txt"_s));
    QCOMPARE(rig.window.host().comPortNumber(), u"3"_s);
    rig.trigger(u"mnuHelp1"_s);
    QCOMPARE(help.urls, QList<QUrl>{QUrl::fromLocalFile(page)});

    // A copy with its help beside it stays portable in the same prefix.
    QVERIFY(root.mkpath(u"bin/HTML_Help"_s));
    const ProgramFolders portable = chooseProgramFolders(folderFacts(bin, userData.path()));
    QCOMPARE(portable.helpFolder, root.filePath(u"bin/HTML_Help"_s));
    QCOMPARE(portable.dataFolder, bin);
}

void TestMainWindow::selectInterfaceReleasesThePort()
{
    MainWindowRig rig;
    QVERIFY(rig.plugSilent().pty().isOpen());
    MainWindow &window = rig.start();
    window.host().comm().setCommPort(3);
    QVERIFY2(window.host().comm().setPortOpen(true), qPrintable(window.host().comm().errorString()));

    // The dialog test-opens the port itself, so the window lets go of it.
    rig.trigger("mnuInterface1");
    QVERIFY(!window.host().comm().portOpen());
    auto *dialog = window.findChild<QDialog *>(u"ComboPort1"_s);
    QVERIFY(dialog && dialog->isVisible());
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
        window.host().waitForEvents(100);
        ++passes;
    }
    QVERIFY2(passes <= 20, qPrintable(QString::number(passes)));

    bool ran = false;
    QTimer::singleShot(20, &window, [&] { ran = true; });
    clock.start();
    while (!ran && clock.elapsed() < 2000)
        window.host().waitForEvents(5000);
    QVERIFY(ran);
    QVERIFY2(clock.elapsed() < 1000, "an arriving event did not end the wait");
}

void TestMainWindow::hugeLineOpensAndSavesBack()
{
    const QByteArray huge(10 << 20, 'm');
    const QList<QByteArray> lines{"first"_ba, huge, "last"_ba};
    const QByteArray file = "first\r\n"_ba + huge + "\r\nlast\r\n"_ba;
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(u"mes"_s));
    const QString path = folder.filePath(u"mes/huge.mes"_s);
    QVERIFY(writeFile(path, file));
    Rig rig(folder.path());
    rig.choice = path;
    rig.window.show();

    QElapsedTimer clock;
    clock.start();
    rig.trigger(u"mnuOpen"_s);
    rig.window.grab();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(u"Open and drawing took %1 ms"_s.arg(clock.elapsed())));
    QVERIFY(rig.messages.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(rig.window.host().dataList().entries(), lines);

    // Saved again, the file comes back byte for byte (with the closing empty line).
    rig.choice = folder.filePath(u"mes/again.mes"_s);
    rig.trigger(u"mnuSpeichern"_s);
    QCOMPARE(readFile(*rig.choice), file + "\r\n\r\n"_ba);
}

void TestMainWindow::questionsDefaultToNo_data()
{
    QTest::addColumn<int>("key");  // 0: a click on Yes
    QTest::addColumn<bool>("yes");
    QTest::newRow("Return") << int(Qt::Key_Return) << false;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << false;
    QTest::newRow("Yes clicked") << 0 << true;
}

// A key pressed in passing never replaces or deletes anything: Return and
// Esc answer a question with No; only the Yes button says yes.
void TestMainWindow::questionsDefaultToNo()
{
    QFETCH(int, key);
    QFETCH(bool, yes);

    QTemporaryDir folder;
    MainWindow window(folder.path());
    window.show();
    QString asked;
    QTimer answer;
    connect(&answer, &QTimer::timeout, &window, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        answer.stop();
        asked = box->text();
        if (key)
            QTest::keyClick(box, Qt::Key(key));
        else
            box->button(QMessageBox::Yes)->click();
    });
    answer.start(20);

    QCOMPARE(window.host().askYesNo(u"Save blocks"_s, u"3 of the 3 block files exist already.\nReplace them?"_s),
             yes);
    QCOMPARE(asked, u"3 of the 3 block files exist already.\nReplace them?"_s);
}

// Open and Save say on the status line what they did; the line stays while
// the pointer passes over the menus, and the history copy's stop shows at once.
void TestMainWindow::statusLineSaysWhatFilesDid()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath(u"mes"_s));
    QVERIFY(writeFile(folder.filePath(u"mes/probe.mes"_s), "P1\r\n12.5 um\r\nEnd\r\n"_ba));
    Rig rig(folder.path());
    rig.window.show();
    const auto *line = rig.window.findChild<QLabel *>(u"statusLine"_s);
    QVERIFY(line && line->isVisible());
    const auto status = [&](const char *entry, const std::optional<QString> &choice) {
        rig.choice = choice;
        rig.trigger(QString::fromLatin1(entry));
        return line->text();
    };

    QCOMPARE(status("mnuOpen", folder.filePath(u"mes/probe.mes"_s)), u"Opened probe.mes: 3 lines"_s);
    // A menu entry without a status tip shows an empty one while the pointer is on it.
    QStatusTipEvent hover{QString()};
    QCoreApplication::sendEvent(&rig.window, &hover);
    QCOMPARE(line->text(), u"Opened probe.mes: 3 lines"_s);
    QCOMPARE(status("mnuOpen", std::nullopt), u"Open cancelled; the list is as it was"_s);
    QCOMPARE(status("mnuOpen", folder.filePath(u"mes/none.mes"_s)), u"none.mes could not be opened; the list is as it was"_s);
    QCOMPARE(status("mnuSpeichern", folder.filePath(u"mes/again.mes"_s)), u"3 lines saved to again.mes"_s);
    QCOMPARE(status("mnuSpeichern", std::nullopt), u"Save cancelled; nothing was written"_s);
    QCOMPARE(status("mnuSpeichern", folder.filePath(u"gone/x.mes"_s)), u"x.mes could not be saved; nothing was written"_s);
    QCOMPARE(rig.messages.size(), 2);

    rig.window.host().historyCopyStopped(u"The history copy stopped after 2 lines: write /h/x.mes.part: No space left on device"_s);
    QCOMPARE(line->text(), u"The history copy stopped after 2 lines: write /h/x.mes.part: No space left on device; "
                           "the download goes on"_s);

    // A text wider than the window is cut in its middle, so that the line
    // still says why and that the download goes on; its tool tip is whole.
    const QString whole = u"The history copy stopped after 2 lines: write /home/technician/measurements/meridoc/history/"
                          "2026-12-07 08-30-00 KESTRA II - DURAMO 80F-ST (stopped by ESC).mes.part: No space left on "
                          "device; the download goes on"_s;
    rig.window.resize(600, rig.window.height());
    rig.window.host().historyCopyStopped(whole.chopped(int(qstrlen("; the download goes on"))));
    QCoreApplication::processEvents();
    const QString shown = qobject_cast<const StatusLine *>(line)->shownText();
    QVERIFY2(shown.startsWith(u"The history copy stopped after 2 lines: "_s), qPrintable(shown));
    QVERIFY2(shown.endsWith(u"No space left on device; the download goes on"_s), qPrintable(shown));
    QVERIFY2(line->fontMetrics().horizontalAdvance(shown) <= line->contentsRect().width(), qPrintable(shown));
    QCOMPARE(line->toolTip(), whole);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
