// The blocks of the ORVIK, Varden and QF-2000 data and their numbered files.
#include "BlockFiles.h"
#include "Blocks.h"
#include "FakeHost.h"

#include "FailingDisk.h"
#include "TestFiles.h"
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray U20 = QByteArray(20, '_');
using Files = QMap<QString, QByteArray>;
const QList<QByteArray> ThreeBlocks{"a\r\n\xe4\xff\r\n" + U20 + "\r\n", "b\r\n" + U20 + "\r\n", "c\r\n" + U20 + "\r\n"};

} // namespace

Q_DECLARE_METATYPE(DownloadOutcome::Blocks)

class TestBlocks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyBlockIsKept();
    void saving_data();
    void saving();
    void blockCutShortKeepsTheOldFile();
};

// Nothing drops the blocks after the hundredth.
void TestBlocks::everyBlockIsKept()
{
    QList<QByteArray> entries{"H"};
    for (int i = 0; i < 40000; ++i)
        entries << QByteArray::number(i) << U20;
    const QList<QByteArray> blocks = cutBlocks(entries);
    QCOMPARE(blocks.size(), 40000);
    QCOMPARE(blocks.last(), "39999\r\n" + U20 + "\r\n");
}

void TestBlocks::saving_data()
{
    QTest::addColumn<QList<std::optional<QString>>>("names");  // typed in the dialog each time it shows
    QTest::addColumn<QString>("existing");              // a file there before, "" for none
    QTest::addColumn<bool>("yes");                      // the answer to "replace?"
    QTest::addColumn<Files>("after");                   // every file of the folder afterwards
    QTest::addColumn<DownloadOutcome::Blocks>("blocks");
    QTest::addColumn<int>("written");

    using Names = QList<std::optional<QString>>;
    const std::optional<QString> cancel;
    const QString probe = u"probe.mes"_s;
    const Files none;
    const Files probes{{u"probe.mes(1).mes"_s, ThreeBlocks.at(0) + "\r\n"},
                       {u"probe.mes(2).mes"_s, ThreeBlocks.at(1) + "\r\n"},
                       {u"probe.mes(3).mes"_s, ThreeBlocks.at(2) + "\r\n"}};
    const Files oldKept{{u"probe.mes(2).mes"_s, "old"}};
    Files oldAndOthers = oldKept;
    oldAndOthers.insert(u"other(1).mes"_s, ThreeBlocks.at(0) + "\r\n");
    oldAndOthers.insert(u"other(2).mes"_s, ThreeBlocks.at(1) + "\r\n");
    oldAndOthers.insert(u"other(3).mes"_s, ThreeBlocks.at(2) + "\r\n");
    const auto NotSaved = DownloadOutcome::Blocks::NotSaved;
    const auto Saved = DownloadOutcome::Blocks::Saved;

    QTest::newRow("byte for byte, the name's .mes kept") << Names{probe} << QString() << false << probes << Saved << 3;
    QTest::newRow("cancelled") << Names{cancel} << QString() << false << none << NotSaved << 0;
    QTest::newRow("empty name") << Names{QString()} << QString() << false << none << NotSaved << 0;
    // "No" keeps the old files and asks for another name; only a cancel then
    // leaves the blocks unsaved.
    QTest::newRow("block 2 exists, No, then cancelled")
        << Names{probe, cancel} << u"probe.mes(2).mes"_s << false << oldKept << NotSaved << 0;
    QTest::newRow("block 2 exists, No, then another name")
        << Names{probe, u"other"_s} << u"probe.mes(2).mes"_s << false << oldAndOthers << Saved << 3;
    QTest::newRow("block 2 exists, Yes") << Names{probe} << u"probe.mes(2).mes"_s << true << probes << Saved << 3;
}

void TestBlocks::saving()
{
    QFETCH(QList<std::optional<QString>>, names);
    QFETCH(QString, existing);
    QFETCH(bool, yes);
    QFETCH(Files, after);
    QFETCH(DownloadOutcome::Blocks, blocks);
    QFETCH(int, written);

    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    FakeHost host(folder.path());
    host.state().ValueList = QList<QByteArray>{QByteArray()} + ThreeBlocks;
    host.state().LastValueIndex = ThreeBlocks.size();
    if (!existing.isEmpty()) {
        QFile file(folder.filePath(existing));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
    }
    for (const std::optional<QString> &name : names)
        host.queueSavePath(name && !name->isEmpty() ? std::optional<QString>(folder.filePath(*name)) : name);
    host.setDefaultAnswer(yes);

    DownloadOutcome outcome;
    SaveBlockFiles(host, outcome);

    QCOMPARE(host.saveRequests().size(), names.size());
    QCOMPARE(host.questions().size(), existing.isEmpty() ? 0 : 1);
    if (!existing.isEmpty())
        QVERIFY(host.questions().first().text.contains(u"probe.mes(2).mes"_s));
    Files now;
    for (const QString &name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
        now.insert(name, readFile(folder.filePath(name)));
    QCOMPARE(now, after);
    QCOMPARE(outcome.blocks, blocks);
    QCOMPARE(outcome.blocksWritten, written);
    QCOMPARE(outcome.blocksName, written > 0 ? folder.filePath(*names.last()) : QString());
    QVERIFY(host.messages().isEmpty());
}

// Under a file-size limit of 1 KiB, block 2 of 5,026 bytes cannot be written
// whole: the user hears which file failed and why, the old file stays as it
// was, and no later block is written.
void TestBlocks::blockCutShortKeepsTheOldFile()
{
    QTemporaryDir folder;
    FakeHost host(folder.path());
    const QByteArray big = QByteArray(5000, '7') + "\r\n" + U20 + "\r\n";
    host.state().ValueList = {QByteArray(), ThreeBlocks.at(0), big, ThreeBlocks.at(2)};
    host.state().LastValueIndex = 3;
    const QString name = folder.filePath(u"probe"_s);
    QFile old(name + u"(2).mes"_s);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old block\r\n") == 11);
    old.close();
    host.queueSavePath(name);
    host.setDefaultAnswer(true);

    DownloadOutcome outcome;
    {
        SwappedCalls calls;
        calls->write = writeWithFileSizeLimit(1024);
        SaveBlockFiles(host, outcome);
    }

    QCOMPARE(readFile(name + u"(1).mes"_s), ThreeBlocks.at(0) + "\r\n");
    QCOMPARE(readFile(name + u"(2).mes"_s), "old block\r\n"_ba);
    QVERIFY(!QFile::exists(name + u"(3).mes"_s));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"probe(1).mes"_s, u"probe(2).mes"_s}));
    QCOMPARE(host.messages().size(), 1);
    const QString text = host.messages().first().text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(name + u"(2).mes"_s)), qPrintable(text));
    QVERIFY2(text.contains(u"File too large"_s), qPrintable(text));
    QVERIFY2(text.contains(u"This block and the one after it were not saved"_s), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestBlocks)
#include "tst_blocks.moc"
