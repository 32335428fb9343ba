// The window with damaged or unusual input: a Port.txt of garbage, huge or
// out-of-range numbers; .mes files with NUL bytes or one huge line; Save
// into a folder the user may not write.
#include "CommControl.h"
#include "DataList.h"
#include "MainWindow.h"
#include "SharedFileDialog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray garbage(int size)
{
    QRandomGenerator random(4242);
    QByteArray bytes(size, '\0');
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// Root may write into any folder: for the length of one scope this process
// gives up the capabilities that allow it, so file permissions hold as they
// do for a user.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        m_active = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutFileOverride()
    {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }
    WithoutFileOverride(const WithoutFileOverride &) = delete;
    WithoutFileOverride &operator=(const WithoutFileOverride &) = delete;
    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void damagedPortFile_data();
    void damagedPortFile();
    void unusualFilesOpen_data();
    void unusualFilesOpen();
    void saveIntoReadOnlyFolderKeepsOldFile();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<MainWindow> m_window;
    std::optional<QString> m_choice;
    QList<MainWindow::DialogRequest> m_messages;
};

void TestBadInput::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_folder->path()).mkpath(u"mes"_s));
    m_choice.reset();
    m_messages.clear();
}

void TestBadInput::damagedPortFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("refusal");

    const QString outOfRange = u"1 to "_s;

    QTest::newRow("binary garbage") << "\x01\x80\xff 7\x00\x02"_ba + garbage(4096) << u"0"_s << outOfRange;
    QTest::newRow("garbage after a number") << " 12\xfe\x00\x9b"_ba + garbage(4096) << u"12"_s << u"COM 12 cannot be opened"_s;
    QTest::newRow("10 MB line of letters") << QByteArray(10 << 20, 'x') << u"0"_s << outOfRange;
    QTest::newRow("10 MB line of digits") << QByteArray(10 << 20, '9') << QString(1024, u'9') << outOfRange;
    QTest::newRow("past 16 bits") << " 65539\r\n"_ba << u"65539"_s << outOfRange;
    QTest::newRow("top of 16 bits") << " 32767\r\n"_ba << u"32767"_s << outOfRange;
    QTest::newRow("negative") << "-3\r\n"_ba << u"-3"_s << outOfRange;
    QTest::newRow("zero") << " 0\r\n"_ba << u"0"_s << outOfRange;
    QTest::newRow("17") << " 17\r\n"_ba << u"17"_s << outOfRange;
    QTest::newRow("fraction rounding to 0") << " 0.5\r\n"_ba << u"0.5"_s << outOfRange;
}

void TestBadInput::damagedPortFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, number);
    QFETCH(QString, refusal);

    QVERIFY(writeFile(QDir(m_folder->path()).filePath(u"Port.txt"_s), content));
    // COM 12 leads to an unplugged adapter, so no row reaches a real device.
    QVERIFY(QDir(m_folder->path()).mkpath(u"ports"_s));
    QVERIFY(QFile::link(u"/nonexistent/ttyUSB7"_s, QDir(m_folder->path()).filePath(u"ports/com12"_s)));
    MainWindow window(m_folder->path());
    window.fileDialog().setChooser([](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>();
    });
    window.setDialogHandler([&](const MainWindow::DialogRequest &request) {
        m_messages.append(request);
        return false;
    });

    QElapsedTimer clock;
    clock.start();
    window.load();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(u"start-up took %1 ms"_s.arg(clock.elapsed())));
    QCOMPARE(window.comPortNumber(), number);
    QCOMPARE(window.windowTitle(), u" MERIDOC / Instrument connected to COM"_s + number);
    QVERIFY(m_messages.isEmpty());

    // A download refuses the port with a message and leaves the menus usable.
    window.findChild<QAction *>(u"mnuDuramoST"_s)->trigger();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(refusal), qPrintable(m_messages[0].text));
    QVERIFY(!window.comm().portOpen());
    QVERIFY(window.findChild<QMenu *>(u"mnuDatei"_s)->menuAction()->isEnabled());
    QVERIFY(!window.isEnding());
}

void TestBadInput::unusualFilesOpen_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QByteArray withNul = "a\x00"_ba + "b\r\n"_ba + QByteArray(3, '\0') + "\r\nc"_ba;
    QTest::newRow("NUL bytes") << withNul
                               << QList<QByteArray>{"a\x00"_ba + "b"_ba, QByteArray(3, '\0'), "c"_ba};
    const QByteArray huge(10 << 20, 'm');
    QTest::newRow("10 MB line") << "first\r\n"_ba + huge + "\r\nlast\r\n"_ba
                                << QList<QByteArray>{"first"_ba, huge, "last"_ba};
}

void TestBadInput::unusualFilesOpen()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QByteArray>, lines);

    const QString path = QDir(m_folder->path()).filePath(u"mes/unusual.mes"_s);
    QVERIFY(writeFile(path, file));
    MainWindow window(m_folder->path());
    window.fileDialog().setChooser([&](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>(path);
    });
    window.setDialogHandler([&](const MainWindow::DialogRequest &request) {
        m_messages.append(request);
        return false;
    });
    window.show();

    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction *>(u"mnuOpen"_s)->trigger();
    window.grab();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(u"Open and drawing took %1 ms"_s.arg(clock.elapsed())));
    QVERIFY(m_messages.isEmpty());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(window.dataList().entries(), QList<QByteArray>{path.toLatin1()} + lines);

    // Saved again, the file comes back byte for byte (with the closing empty line).
    const QString again = QDir(m_folder->path()).filePath(u"mes/again.mes"_s);
    window.fileDialog().setChooser([&](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>(again);
    });
    window.findChild<QAction *>(u"mnuSpeichern"_s)->trigger();
    QCOMPARE(readFile(again), lines.join("\r\n") + "\r\n\r\n\r\n"_ba);
}

void TestBadInput::saveIntoReadOnlyFolderKeepsOldFile()
{
    const QString folder = QDir(m_folder->path()).filePath(u"mes"_s);
    const QString path = QDir(folder).filePath(u"old.mes"_s);
    QVERIFY(writeFile(path, "old data\r\n"_ba));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                  | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    MainWindow window(m_folder->path());
    window.dataList().setEntries({"H"_ba, "new data"_ba});
    window.fileDialog().setChooser([&](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>(path);
    });
    window.setDialogHandler([&](const MainWindow::DialogRequest &request) {
        m_messages.append(request);
        return false;
    });
    {
        WithoutFileOverride asUser;
        if (!asUser.active() && geteuid() == 0)
            QSKIP("root cannot give up its file capabilities here");
        window.findChild<QAction *>(u"mnuSpeichern"_s)->trigger();
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(readFile(path), "old data\r\n"_ba);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"old.mes"_s});
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].text.contains(path), qPrintable(m_messages[0].text));
    QVERIFY2(m_messages[0].text.contains(u"another folder"_s), qPrintable(m_messages[0].text));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
