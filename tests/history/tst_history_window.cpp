// The history window on its own: its rows and columns, the counts that come
// after it opened and that a second opening takes from the count store
// instead of reading the downloads again, a store that does not fit its
// files, the Delete key, a history of thousands, and Show folder without a
// file manager.
#include "AppendFile.h"
#include "HistoryWindow.h"
#include "TestFiles.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString storeName = u".line-counts"_s;

// Sets a file's modification time, as a copy or a backup program may.
bool setModified(const QString &path, qint64 msecs)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::fromMSecsSinceEpoch(msecs), QFileDevice::FileModificationTime);
}

struct Opened
{
    std::unique_ptr<HistoryWindow> window;
    QAbstractItemView *list = nullptr;
    QList<std::pair<QString, QString>> asked;
    bool answer = false;

    const QAbstractItemModel *model() const { return list->model(); }
    QStringList row(int r) const
    {
        QStringList texts;
        for (int c = 0; c < model()->columnCount(); ++c)
            texts.append(model()->index(r, c).data().toString());
        return texts;
    }
    QString lines(int r) const { return model()->index(r, 2).data().toString(); }
    bool allCounted(int rows) const
    {
        if (model()->rowCount() != rows)
            return false;
        for (int r = 0; r < rows; ++r) {
            if (lines(r) == u"…")
                return false;
        }
        return true;
    }
};

std::unique_ptr<Opened> openWindow(const QString &folder)
{
    auto opened = std::make_unique<Opened>();
    Opened *o = opened.get();
    o->window = std::make_unique<HistoryWindow>(folder, [o](const QString &title, const QString &text) {
        o->asked.append({title, text});
        return o->answer;
    });
    o->window->show();
    o->list = o->window->findChild<QAbstractItemView *>(u"historyList"_s);
    return opened;
}

// The Lines column once every count is in, the window closed again (which
// waits for the store to be written); empty when the counts did not come.
QStringList linesShown(const QString &folder, int rows)
{
    const auto o = openWindow(folder);
    if (!QTest::qWaitFor([&] { return o->allCounted(rows); }))
        return {};
    QStringList lines;
    for (int r = 0; r < rows; ++r)
        lines.append(o->lines(r));
    return lines;
}

// Remembers which rows the view had measured or painted.
class WatchingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    mutable QSet<int> rows;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        rows.insert(index.row());
        return QStyledItemDelegate::sizeHint(option, index);
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        rows.insert(index.row());
        QStyledItemDelegate::paint(painter, option, index);
    }
};

} // namespace

class TestHistoryWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void rowsAndColumns();
    void secondOpeningReadsNoUnchangedFile();
    void storeThatDoesNotFitIsMadeAnew_data();
    void storeThatDoesNotFitIsMadeAnew();
    void deleteKeyAsksAndSparesRunningDownloads();
    void thousandsOfDownloadsAreNotAllMeasured();
    void showFolderWithoutFileManagerNamesTheFolder();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString place(const QString &name, const QByteArray &bytes)
    {
        const QString path = QDir(m_folder).filePath(name);
        if (!writeFile(path, bytes))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
};

void TestHistoryWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->filePath(u"history"_s);
    QVERIFY(QDir().mkpath(m_folder));
}

void TestHistoryWindow::rowsAndColumns()
{
    place(u"2026-12-06 09-00-00 QF-100 (stopped by ESC).mes"_s, "a\r\nb\r\n\r\n\r\n"_ba);
    place(u"2026-12-07 08-30-00 DURAMO 5-10-20 ST.mes"_s, "x 1\r\nx 2\r\nEnd\r\n\r\n\r\n"_ba);
    place(u"2026-12-05 07-00-00 ORVIK FE-B - FN-B (connection lost, incomplete copy).mes"_s, QByteArray(999, 'z'));
    place(u"2026-12-04 06-00-00 QF-2000 (stopped by ESC, incomplete copy).mes"_s, "q\r\n"_ba);
    // Nobody holds it: its program ended during the download.
    place(u"2026-12-03 05-00-00 QFU-ST.mes.part"_s, "1\r\n2\r\n3\r\n"_ba);
    place(u"notes.txt"_s, "not a download"_ba);
    place(u"Test.mes"_s, "a saved file\r\n"_ba);
    const auto o = openWindow(m_folder);
    QTRY_VERIFY(o->allCounted(5));
    QStringList headers;
    for (int c = 0; c < o->model()->columnCount(); ++c)
        headers.append(o->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headers, (QStringList{u"Started"_s, u"Instrument"_s, u"Lines"_s, u"Size"_s, u"Ended"_s}));
    QCOMPARE(o->row(0), (QStringList{u"2026-12-07 08:30:00"_s, u"DURAMO 5/10/20 ST"_s, u"3"_s, u"19 bytes"_s,
                                     u"complete"_s}));
    QCOMPARE(o->row(1), (QStringList{u"2026-12-06 09:00:00"_s, u"QF-100"_s, u"2"_s, u"10 bytes"_s,
                                     u"stopped by ESC"_s}));
    QCOMPARE(o->row(2), (QStringList{u"2026-12-05 07:00:00"_s, u"ORVIK FE-B / FN-B"_s, u"1"_s, u"999 bytes"_s,
                                     u"connection lost, incomplete copy"_s}));
    QCOMPARE(o->row(3), (QStringList{u"2026-12-04 06:00:00"_s, u"QF-2000"_s, u"1"_s, u"3 bytes"_s,
                                     u"stopped by ESC, incomplete copy"_s}));
    QCOMPARE(o->row(4), (QStringList{u"2026-12-03 05:00:00"_s, u"QFU-ST"_s, u"3"_s, u"9 bytes"_s, u"interrupted"_s}));
    QCOMPARE(o->model()->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);
    // The widest texts a column shows are not cut short ("999 bytes"
    // is wider than any size in kB). The view keeps a focus-frame margin
    // and a pixel free on each side of a cell's text.
    const int free = 2 * (o->list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, o->list) + 1);
    for (int row = 0; row < 4; ++row) {
        for (const int column : {0, 2, 3, 4}) {
            const QModelIndex index = o->model()->index(row, column);
            const int needed = o->list->fontMetrics().horizontalAdvance(index.data().toString());
            QVERIFY2(o->list->visualRect(index).width() >= needed + free,
                     qPrintable(u"row %1 column %2: %3"_s.arg(row).arg(column).arg(index.data().toString())));
        }
    }
    // The newest is chosen, ready for Open.
    QCOMPARE(o->window->chosenPaths(),
             QStringList{QDir(m_folder).filePath(u"2026-12-07 08-30-00 DURAMO 5-10-20 ST.mes"_s)});
}

void TestHistoryWindow::secondOpeningReadsNoUnchangedFile()
{
    const QString a = place(u"2026-12-07 08-30-00 QF-100.mes"_s, "a\r\nb\r\n"_ba);
    const QString b = place(u"2026-12-06 08-30-00 QFU-ST.mes"_s, "x\r\n"_ba);
    QVERIFY(setModified(a, 1796000000123));
    QVERIFY(setModified(b, 1795000000456));
    QCOMPARE(linesShown(m_folder, 2), (QStringList{u"2"_s, u"1"_s}));
    // The counts are kept in a hidden file beside the downloads, which the
    // listing leaves out.
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{storeName, u"2026-12-06 08-30-00 QFU-ST.mes"_s, u"2026-12-07 08-30-00 QF-100.mes"_s}));

    // Other bytes of the same size under the same time: a file that is read
    // shows its new count, one that is not keeps the old.
    QVERIFY(writeFile(a, "abcdef"_ba));
    QVERIFY(writeFile(b, "y\rz"_ba));
    QVERIFY(setModified(a, 1796000000123));
    QVERIFY(setModified(b, 1795000000456));
    QCOMPARE(linesShown(m_folder, 2), (QStringList{u"2"_s, u"1"_s}));

    // A file whose time changed is read again.
    QVERIFY(setModified(a, 1796000001123));
    QCOMPARE(linesShown(m_folder, 2), (QStringList{u"1"_s, u"1"_s}));
}

void TestHistoryWindow::storeThatDoesNotFitIsMadeAnew_data()
{
    QTest::addColumn<QByteArray>("store");   // empty: none
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QByteArray>("storeAfter");

    const QByteArray fresh = "MERIDOC line counts 1\n2 6 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba;
    QTest::newRow("none") << QByteArray() << u"2"_s << fresh;
    QTest::newRow("fits") << "MERIDOC line counts 1\n7 6 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba
                          << u"7"_s
                          << "MERIDOC line counts 1\n7 6 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba;
    QTest::newRow("other size") << "MERIDOC line counts 1\n7 5 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba
                                << u"2"_s << fresh;
    QTest::newRow("other time") << "MERIDOC line counts 1\n7 6 1796000000122 2026-12-07 08-30-00 QF-100.mes\n"_ba
                                << u"2"_s << fresh;
    QTest::newRow("cut off") << "MERIDOC line counts 1\n7 6 1796000000123 2026-12-07 08-30-00 QF-100.mes"_ba
                             << u"2"_s << fresh;
    QTest::newRow("damaged line") << "MERIDOC line counts 1\n-7 6 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"
                                     "7 x 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba
                                  << u"2"_s << fresh;
    QTest::newRow("foreign") << "\x7f" "ELF\x02\x01\n7 6 1796000000123 2026-12-07 08-30-00 QF-100.mes\n"_ba
                             << u"2"_s << fresh;
    QTest::newRow("deleted download") << "MERIDOC line counts 1\n4 8 1 2026-12-01 08-30-00 QF-100.mes\n"_ba
                                      << u"2"_s << fresh;
}

void TestHistoryWindow::storeThatDoesNotFitIsMadeAnew()
{
    QFETCH(QByteArray, store);
    QFETCH(QString, lines);
    QFETCH(QByteArray, storeAfter);

    QVERIFY(setModified(place(u"2026-12-07 08-30-00 QF-100.mes"_s, "a\r\nb\r\n"_ba), 1796000000123));
    if (!store.isEmpty())
        place(storeName, store);
    QCOMPARE(linesShown(m_folder, 1), QStringList{lines});
    QCOMPARE(readFile(QDir(m_folder).filePath(storeName)), storeAfter);
}

void TestHistoryWindow::deleteKeyAsksAndSparesRunningDownloads()
{
    place(u"2026-12-07 08-30-00 QF-100.mes"_s, "a\r\n"_ba);
    place(u"2026-12-06 08-30-00 QFU-ST.mes"_s, "b\r\n"_ba);
    // Another copy of the program writes this one, and holds its lock.
    int running = -1;
    QVERIFY(AppendFile::create(QDir(m_folder).filePath(u"2026-12-08 08-30-00 QF-2000.mes.part"_s), &running).ok());
    const auto release = qScopeGuard([running] { ::close(running); });
    const auto o = openWindow(m_folder);
    QTRY_VERIFY(o->allCounted(3));
    auto *deleteButton = o->window->findChild<QPushButton *>(u"historyDelete"_s);
    QCOMPARE(o->row(0).last(), u"running"_s);
    QVERIFY(!deleteButton->isEnabled());
    QTest::keyClick(o->list, Qt::Key_Delete);
    QVERIFY(o->asked.isEmpty());

    o->list->setCurrentIndex(o->model()->index(1, 0));
    QVERIFY(deleteButton->isEnabled());
    QTest::keyClick(o->list, Qt::Key_Delete);
    QCOMPARE(o->asked, (QList<std::pair<QString, QString>>{
                           {u"Delete downloads"_s,
                            u"Delete the download 2026-12-07 08-30-00 QF-100.mes from the history?"_s}}));
    QCOMPARE(QDir(m_folder).entryList(QDir::Files).size(), 3);

    o->answer = true;
    QTest::keyClick(o->list, Qt::Key_Delete);
    QTRY_VERIFY(o->allCounted(2));
    QCOMPARE(QDir(m_folder).entryList(QDir::Files),
             (QStringList{u"2026-12-06 08-30-00 QFU-ST.mes"_s, u"2026-12-08 08-30-00 QF-2000.mes.part"_s}));
    // The list goes on at the deleted download's place.
    QCOMPARE(o->list->currentIndex().row(), 1);
}

void TestHistoryWindow::thousandsOfDownloadsAreNotAllMeasured()
{
    // A view that fits its columns to their contents measures every row at
    // each count; the window asks only for the rows it shows.
    const int downloads = 2000;
    QDateTime start(QDate(2026, 12, 7), QTime(8, 30));
    for (int i = 0; i < downloads; ++i)
        place(start.addSecs(-3600 * i).toString(u"yyyy-MM-dd HH-mm-ss"_s) + u" QF-100.mes"_s, "1.0\r\n"_ba);
    const auto o = openWindow(m_folder);
    auto *watch = new WatchingDelegate(o->list);
    o->list->setItemDelegate(watch);
    QTRY_VERIFY_WITH_TIMEOUT(o->allCounted(downloads), 30000);
    QTRY_VERIFY(!watch->rows.isEmpty());
    QVERIFY2(watch->rows.size() <= 40, qPrintable(u"%1 rows were measured or painted"_s.arg(watch->rows.size())));
}

void TestHistoryWindow::showFolderWithoutFileManagerNamesTheFolder()
{
    // A desktop without a file manager: nothing on the path opens a folder.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", m_dir->filePath(u"empty"_s).toLocal8Bit());
    const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
    const auto o = openWindow(m_folder);
    o->window->findChild<QPushButton *>(u"historyFolder"_s)->click();
    QMessageBox *box = nullptr;
    QTRY_VERIFY((box = o->window->findChild<QMessageBox *>()) != nullptr);
    QVERIFY2(box->text().contains(QDir::toNativeSeparators(m_folder)), qPrintable(box->text()));
    QVERIFY(box->isVisible());
}

QTEST_MAIN(TestHistoryWindow)
#include "tst_history_window.moc"
