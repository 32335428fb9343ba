// Where the help and the user's files live: the portable layout beside the
// executable, an installed program, the facts read from a real tree, and a
// window that uses both folders.
#include "MainWindow.h"
#include "ProgramFolders.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Records the pages the window asks the desktop to open.
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

class TestProgramFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void factsOfTree();
    void installedWindowUsesBothFolders();
};

void TestProgramFolders::choice_data()
{
    QTest::addColumn<QString>("exe");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("helpBeside");
    QTest::addColumn<bool>("installedHelp");
    QTest::addColumn<QString>("help");
    QTest::addColumn<QString>("data");

    const QString user = u"/home/u/.local/share/meridoc"_s;
    QTest::newRow("build tree") << u"/src/build/bin"_s << true << true << false
                                << u"/src/build/bin/HTML_Help"_s << u"/src/build/bin"_s;
    QTest::newRow("installed, run by a user") << u"/usr/bin"_s << false << false << true
                                              << u"/usr/share/meridoc/HTML_Help"_s << user;
    // root may write to /usr/bin, which must not turn it into a program folder.
    QTest::newRow("installed, run by root") << u"/usr/bin"_s << true << false << true
                                            << u"/usr/share/meridoc/HTML_Help"_s << user;
    QTest::newRow("portable copy in a prefix with an installed one")
        << u"/opt/x/bin"_s << true << true << true << u"/opt/x/bin/HTML_Help"_s << u"/opt/x/bin"_s;
    QTest::newRow("portable copy on read-only media") << u"/media/cd"_s << false << true << false
                                                      << u"/media/cd/HTML_Help"_s << user;
    QTest::newRow("portable copy without its help") << u"/tmp/m"_s << true << false << false
                                                    << u"/tmp/m/HTML_Help"_s << u"/tmp/m"_s;
}

void TestProgramFolders::choice()
{
    QFETCH(QString, exe);
    QFETCH(bool, writable);
    QFETCH(bool, helpBeside);
    QFETCH(bool, installedHelp);
    QFETCH(QString, help);
    QFETCH(QString, data);

    FolderFacts facts;
    facts.executableFolder = exe;
    facts.executableFolderWritable = writable;
    facts.helpBesideExecutable = helpBeside;
    facts.installedHelpExists = installedHelp;
    facts.userDataFolder = u"/home/u/.local/share/meridoc"_s;
    const ProgramFolders folders = chooseProgramFolders(facts);
    QCOMPARE(folders.helpFolder, help);
    QCOMPARE(folders.dataFolder, data);
}

void TestProgramFolders::factsOfTree()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QDir root(prefix.path());
    QVERIFY(root.mkpath(u"bin"_s));
    QVERIFY(root.mkpath(u"share/meridoc/HTML_Help"_s));
    const QString bin = root.filePath(u"bin"_s);

    QCOMPARE(installedHelpFolder(bin), root.filePath(u"share/meridoc/HTML_Help"_s));
    const FolderFacts facts = folderFacts(bin, u"/data"_s);
    QVERIFY(facts.installedHelpExists);
    QVERIFY(!facts.helpBesideExecutable);
    QCOMPARE(chooseProgramFolders(facts).helpFolder, root.filePath(u"share/meridoc/HTML_Help"_s));
    QCOMPARE(chooseProgramFolders(facts).dataFolder, u"/data"_s);

    // A copy with its help beside it stays portable in the same prefix.
    QVERIFY(root.mkpath(u"bin/HTML_Help"_s));
    const ProgramFolders portable = chooseProgramFolders(folderFacts(bin, u"/data"_s));
    QCOMPARE(portable.helpFolder, root.filePath(u"bin/HTML_Help"_s));
    QCOMPARE(portable.dataFolder, bin);
}

void TestProgramFolders::installedWindowUsesBothFolders()
{
    QTemporaryDir prefix;
    QTemporaryDir userData;
    QVERIFY(prefix.isValid() && userData.isValid());
    QDir root(prefix.path());
    QVERIFY(root.mkpath(u"bin"_s));
    QVERIFY(root.mkpath(u"share/meridoc/HTML_Help"_s));
    const QString page = root.filePath(u"share/meridoc/HTML_Help/Meridoc_Help_E.html"_s);
    QVERIFY(writeFile(page, "<html></html>"_ba));
    QVERIFY(writeFile(QDir(userData.path()).filePath(u"Port.txt"_s), " 3\r\n"_ba));

    const ProgramFolders folders = chooseProgramFolders(folderFacts(root.filePath(u"bin"_s), userData.path()));
    UrlRecorder help;
    MainWindow window(folders.dataFolder);
    window.setHelpFolder(folders.helpFolder);
    window.setDialogHandler([](const MainWindow::DialogRequest &) { return false; });
    window.load();

    QCOMPARE(window.portFilePath(), QDir(userData.path()).filePath(u"Port.txt"_s));
    QCOMPARE(window.comPortNumber(), u"3"_s);
    window.findChild<QAction *>(u"mnuHelp1"_s)->trigger();
    QCOMPARE(help.urls, QList<QUrl>{QUrl::fromLocalFile(page)});
}

QTEST_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"
