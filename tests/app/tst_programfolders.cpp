// Where the help and the user's files live: the portable layout beside the
// executable, an installed program, and the facts read from a real tree.
#include "ProgramFolders.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

class TestProgramFolders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void factsOfInstalledTree();
    void factsOfPortableCopy();
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

void TestProgramFolders::factsOfInstalledTree()
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

    // Permissions bind everyone but root.
    if (geteuid() != 0) {
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(!folderFacts(bin, u"/data"_s).executableFolderWritable);
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
}

void TestProgramFolders::factsOfPortableCopy()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkpath(u"HTML_Help"_s));

    const FolderFacts facts = folderFacts(folder.path(), u"/data"_s);
    QVERIFY(facts.executableFolderWritable);
    QVERIFY(facts.helpBesideExecutable);
    const ProgramFolders folders = chooseProgramFolders(facts);
    QCOMPARE(folders.dataFolder, folder.path());
    QCOMPARE(folders.helpFolder, folder.path() + u"/HTML_Help"_s);
}

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"
