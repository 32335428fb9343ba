// The blocks of the ORVIK, Varden and QF-2000 data and their numbered files.
#include "BlockFiles.h"
#include "Blocks.h"
#include "FakeHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray U20 = QByteArray(20, '_');

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void giveBlocks(FakeHost &host, const QList<QByteArray> &blocks)
{
    host.state().ValueList = QList<QByteArray>{QByteArray()} + blocks;
    host.state().LastValueIndex = blocks.size();
}

} // namespace

class TestBlocks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cutting_data();
    void cutting();
    void everyBlockIsKept();
    void fileNames();

    void savesEachBlockByteForByte();
    void cancelOrEmptyNameWritesNothing_data();
    void cancelOrEmptyNameWritesNothing();
    void existingFilesAreReplacedOnlyOnYes_data();
    void existingFilesAreReplacedOnlyOnYes();
    void unwritableFileStopsWithItsName();
};

void TestBlocks::cutting_data()
{
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::addColumn<QList<QByteArray>>("blocks");

    QTest::newRow("two blocks, header and tail left out")
        << QList<QByteArray>{"P1", "a", "b", U20, "c", U20, "End"}
        << QList<QByteArray>{"a\r\nb\r\n" + U20 + "\r\n", "c\r\n" + U20 + "\r\n"};
    QTest::newRow("40 underscores close a block")
        << QList<QByteArray>{"H", "a", QByteArray(40, '_')}
        << QList<QByteArray>{"a\r\n" + QByteArray(40, '_') + "\r\n"};
    QTest::newRow("19 underscores do not")
        << QList<QByteArray>{"H", "a", QByteArray(19, '_'), "b"} << QList<QByteArray>{};
    QTest::newRow("underscores inside a line")
        << QList<QByteArray>{"H", "x" + U20 + "y"} << QList<QByteArray>{"x" + U20 + "y\r\n"};
    QTest::newRow("entry 0 never closes a block")
        << QList<QByteArray>{U20, "a"} << QList<QByteArray>{};
    QTest::newRow("empty list") << QList<QByteArray>{} << QList<QByteArray>{};
    QTest::newRow("closing line right after entry 0")
        << QList<QByteArray>{"H", U20, U20} << QList<QByteArray>{U20 + "\r\n", U20 + "\r\n"};
    QTest::newRow("bytes kept as received")
        << QList<QByteArray>{"H", "\xb5m 12\r", U20 + "\r"}
        << QList<QByteArray>{"\xb5m 12\r\r\n" + U20 + "\r\r\n"};
}

void TestBlocks::cutting()
{
    QFETCH(QList<QByteArray>, entries);
    QFETCH(QList<QByteArray>, blocks);
    QCOMPARE(cutBlocks(entries), blocks);
}

void TestBlocks::everyBlockIsKept()
{
    QList<QByteArray> entries{"H"};
    for (int i = 0; i < 40000; ++i)
        entries << QByteArray::number(i) << U20;
    const QList<QByteArray> blocks = cutBlocks(entries);
    QCOMPARE(blocks.size(), 40000);
    QCOMPARE(blocks.last(), "39999\r\n" + U20 + "\r\n");
}

void TestBlocks::fileNames()
{
    QCOMPARE(blockFileName(u"/m/probe"_s, 1), u"/m/probe(1).mes"_s);
    QCOMPARE(blockFileName(u"/m/probe.mes"_s, 12), u"/m/probe.mes(12).mes"_s);
}

void TestBlocks::savesEachBlockByteForByte()
{
    QTemporaryDir folder;
    FakeHost host(folder.path());
    const QList<QByteArray> blocks{"a\r\n\xe4\xff\r\n" + U20 + "\r\n", "c\r\n" + U20 + "\r\n"};
    giveBlocks(host, blocks);
    const QString name = folder.filePath(u"probe"_s);
    host.queueSavePath(name);

    SaveBlockFiles(host);

    QCOMPARE(host.saveRequests().size(), 1);
    QCOMPARE(host.saveRequests().first().filter, u"Messdatenfile (*.mes)"_s);
    QCOMPARE(host.saveRequests().first().initDir, QDir(folder.path()).filePath(u"mes"_s));
    QCOMPARE(readAll(name + u"(1).mes"_s), blocks.at(0) + "\r\n");
    QCOMPARE(readAll(name + u"(2).mes"_s), blocks.at(1) + "\r\n");
    QVERIFY(!QFile::exists(name + u"(3).mes"_s));
    QVERIFY(host.questions().isEmpty());
    QVERIFY(host.messages().isEmpty());
}

void TestBlocks::cancelOrEmptyNameWritesNothing_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::newRow("cancelled") << std::optional<QString>();
    QTest::newRow("empty name") << std::optional<QString>(QString());
}

void TestBlocks::cancelOrEmptyNameWritesNothing()
{
    QFETCH(std::optional<QString>, answer);
    QTemporaryDir folder;
    FakeHost host(folder.path());
    giveBlocks(host, {"a\r\n" + U20 + "\r\n"});
    host.queueSavePath(answer);
    QDir::setCurrent(folder.path());

    SaveBlockFiles(host);

    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
    QVERIFY(host.messages().isEmpty());
}

void TestBlocks::existingFilesAreReplacedOnlyOnYes_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
}

void TestBlocks::existingFilesAreReplacedOnlyOnYes()
{
    QFETCH(bool, yes);
    QTemporaryDir folder;
    FakeHost host(folder.path());
    const QString name = folder.filePath(u"probe"_s);
    writeFile(name + u"(2).mes"_s, "old 2");
    writeFile(name + u"(3).mes"_s, "old 3");
    giveBlocks(host, {"a\r\n" + U20 + "\r\n", "b\r\n" + U20 + "\r\n", "c\r\n" + U20 + "\r\n"});
    host.queueSavePath(name);
    host.queueAnswer(yes);

    SaveBlockFiles(host);

    QCOMPARE(host.questions().size(), 1);
    QVERIFY(host.questions().first().text.contains(u"probe(2).mes"_s));
    if (yes) {
        QCOMPARE(readAll(name + u"(1).mes"_s), "a\r\n" + U20 + "\r\n\r\n");
        QCOMPARE(readAll(name + u"(3).mes"_s), "c\r\n" + U20 + "\r\n\r\n");
    } else {
        QVERIFY(!QFile::exists(name + u"(1).mes"_s));
        QCOMPARE(readAll(name + u"(2).mes"_s), "old 2");
        QCOMPARE(readAll(name + u"(3).mes"_s), "old 3");
    }
}

void TestBlocks::unwritableFileStopsWithItsName()
{
    QTemporaryDir folder;
    FakeHost host(folder.path());
    const QString name = folder.filePath(u"probe"_s);
    // A folder where block 2 should go: that file cannot be written.
    QVERIFY(QDir(folder.path()).mkdir(u"probe(2).mes"_s));
    giveBlocks(host, {"a\r\n" + U20 + "\r\n", "b\r\n" + U20 + "\r\n", "c\r\n" + U20 + "\r\n"});
    host.queueSavePath(name);
    host.setDefaultAnswer(true);

    SaveBlockFiles(host);

    QCOMPARE(readAll(name + u"(1).mes"_s), "a\r\n" + U20 + "\r\n\r\n");
    QVERIFY(!QFile::exists(name + u"(3).mes"_s));
    QCOMPARE(host.messages().size(), 1);
    QVERIFY(host.messages().first().text.contains(QDir::toNativeSeparators(name + u"(2).mes"_s)));
}

QTEST_GUILESS_MAIN(TestBlocks)
#include "tst_blocks.moc"
