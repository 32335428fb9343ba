// Save, Open, Copy and Print on real files, the clipboard and PDF output.
#include "DataList.h"
#include "DocumentActions.h"
#include "DownloadState.h"
#include "SharedFileDialog.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using Entries = QList<QByteArray>;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Caps the size of files this process writes, so a write fails for real even as root.
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// Root may write into any folder: for the length of one scope this process
// gives up the capabilities that allow it, so file permissions hold as they
// do for a user.
class WithoutFileOverride
{
public:
    WithoutFileOverride()
    {
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
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

} // namespace

class TestDocumentActions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void saveAndOpenGiveBackTheBytes();
    void saveFailureKeepsOldFileAndTells_data();
    void saveFailureKeepsOldFileAndTells();
    void dialogStateBetweenUses();
    void openWithoutFileKeepsTheList_data();
    void openWithoutFileKeepsTheList();
    void copyPutsTheTextOnTheClipboard();
    void printedPdfHoldsTheLines();
    void printingNothing_data();
    void printingNothing();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::optional<QTemporaryDir> m_dir;
    std::optional<QWidget> m_window;
    std::optional<DataList> m_list;
    DownloadState m_state;
    SharedFileDialog m_dialog;
    DocumentActions *m_actions = nullptr;

    std::optional<QString> m_choice;
    QString m_pdf;
    bool m_printAccepted = true;
    QStringList m_events;
    QStringList m_proposals;
    QStringList m_messages;
};

void TestDocumentActions::init()
{
    m_dir.emplace();
    QVERIFY(QDir(m_dir->path()).mkdir(u"mes"_s));
    QVERIFY(writeFile(path(u"plain"_s), "a plain file"_ba));
    m_window.emplace();
    m_list.emplace();
    m_state = DownloadState();
    m_dialog = SharedFileDialog();
    m_choice.reset();
    m_pdf = path(u"out.pdf"_s);
    m_printAccepted = true;
    m_events.clear();
    m_proposals.clear();
    m_messages.clear();

    m_dialog.setChooser([this](SharedFileDialog::Mode, const SharedFileDialog &dialog) {
        m_events.append(u"dialog in "_s + dialog.initDir() + u" filter "_s + dialog.filter());
        m_proposals.append(dialog.fileName());
        return m_choice;
    });
    DocumentActions::Hooks hooks;
    hooks.setCopyButtonVisible = [this](bool visible) {
        m_events.append(visible ? u"show button"_s : u"hide button"_s);
    };
    hooks.showList = [this] { m_events.append(u"show list"_s); };
    hooks.showMessage = [this](const QString &, const QString &text) { m_messages.append(text); };
    hooks.choosePrinter = [this](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdf);
        return m_printAccepted;
    };
    m_actions = new DocumentActions(&*m_window, *m_list, m_state, m_dialog, m_dir->path(), hooks);
}

void TestDocumentActions::saveAndOpenGiveBackTheBytes()
{
    // Every byte that may stand inside a line, in one entry and each alone.
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all.append(char(b));
    }
    Entries list{"Memory 1"_ba, all, "A\r\nB"_ba};
    // What Open gives back: an entry with a line break comes back as two.
    Entries opened{"Memory 1"_ba, all, "A"_ba, "B"_ba};
    QByteArray expected = "Memory 1\r\n"_ba + all + "\r\nA\r\nB\r\n"_ba;
    for (char b : std::as_const(all)) {
        list.append(QByteArray(1, b));
        opened.append(QByteArray(1, b));
        expected += QByteArray(1, b) + "\r\n"_ba;
    }
    expected += "\r\n\r\n"_ba;
    m_list->setEntries(list);
    const QString first = path(u"mes/first"_s);
    QVERIFY(writeFile(first, "an old file, longer than the new one"_ba));

    m_choice = first;
    m_actions->save();
    QCOMPARE(readFile(first), expected);
    QCOMPARE(m_state.ReceiveBuffer + "\r\n"_ba, expected);

    m_list->setEntries({"old"_ba});
    m_actions->open();
    QCOMPARE(m_list->entries(), opened);

    const QString second = path(u"mes/second.mes"_s);
    m_choice = second;
    m_actions->save();
    QCOMPARE(readFile(second), expected);

    m_list->clear();
    m_actions->save();
    QCOMPARE(readFile(second), "\r\n"_ba);
    QVERIFY(m_messages.isEmpty());
}

void TestDocumentActions::saveFailureKeepsOldFileAndTells_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<QString>("hint");

    QTest::newRow("folder in the path is a file") << u"plain/data.mes"_s << 10 << false << QString();
    QTest::newRow("target is a folder") << u"mes"_s << 10 << false << QString();
    // Small data wait in the file's buffer until the flush; large data are
    // written at once, and only in part.
    QTest::newRow("buffered write fails") << u"mes/old.mes"_s << 2000 << false << QString();
    QTest::newRow("direct write fails") << u"mes/old.mes"_s << 64 * 1024 << false << QString();
    QTest::newRow("read-only folder") << u"mes/old.mes"_s << 10 << true << u"another folder"_s;
}

void TestDocumentActions::saveFailureKeepsOldFileAndTells()
{
    QFETCH(QString, target);
    QFETCH(int, dataSize);
    QFETCH(bool, readOnlyFolder);
    QFETCH(QString, hint);

    QVERIFY(writeFile(path(u"mes/old.mes"_s), "old data\r\n"_ba));
    m_list->setEntries({"H"_ba, QByteArray(dataSize, 'x')});
    m_choice = path(target);
    const QFileDevice::Permissions writable = QFile::permissions(path(u"mes"_s));
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(path(u"mes"_s), writable & ~QFileDevice::Permissions(0x2222)));

    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    limitFileSize(1024);
    {
        WithoutFileOverride asUser;
        if (readOnlyFolder && !asUser.active() && geteuid() == 0)
            QSKIP("root cannot give up its file capabilities here");
        m_actions->save();
    }
    setrlimit(RLIMIT_FSIZE, &before);
    QVERIFY(QFile::setPermissions(path(u"mes"_s), writable));

    QCOMPARE(readFile(path(u"mes/old.mes"_s)), "old data\r\n"_ba);
    QCOMPARE(readFile(path(u"plain"_s)), "a plain file"_ba);
    QCOMPARE(QDir(path(u"mes"_s)).entryList(QDir::Files), QStringList{u"old.mes"_s});
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(*m_choice), qPrintable(m_messages[0]));
    QVERIFY2(m_messages[0].contains(hint), qPrintable(m_messages[0]));
}

void TestDocumentActions::dialogStateBetweenUses()
{
    const QString blockFilter = u"Messdatenfile (*.mes)"_s;
    m_dialog.setFilter(blockFilter);
    m_dialog.setInitDir(u"/elsewhere"_s);

    m_actions->save();
    m_dialog.setInitDir(u"/elsewhere"_s);
    m_actions->open();
    m_choice = path(u"mes/a.mes"_s);
    m_actions->save();
    m_choice.reset();
    m_actions->save();

    QCOMPARE(m_proposals, (QStringList{QString(), u"Test.mes"_s, u"Test.mes"_s, *m_choice}));
    QVERIFY(!QFile::exists(path(u"mes/Test.mes"_s)));
    const QString dialog = u"dialog in "_s + path(u"mes"_s) + u" filter "_s + blockFilter;
    QCOMPARE(m_events.filter(u"dialog"_s), QStringList(4, dialog));
}

void TestDocumentActions::openWithoutFileKeepsTheList_data()
{
    QTest::addColumn<std::optional<QString>>("choice");
    QTest::addColumn<bool>("fails");

    QTest::newRow("cancelled") << std::optional<QString>() << false;
    QTest::newRow("empty name") << std::optional<QString>(QString()) << false;
    QTest::newRow("missing file") << std::optional<QString>(u"mes/missing.mes"_s) << true;
    QTest::newRow("folder") << std::optional<QString>(u"mes"_s) << true;
    QTest::newRow("folder in the path is a file")
            << std::optional<QString>(u"plain/data.mes"_s) << true;
}

void TestDocumentActions::openWithoutFileKeepsTheList()
{
    QFETCH(std::optional<QString>, choice);
    QFETCH(bool, fails);

    const Entries before{"H"_ba, "kept"_ba};
    m_list->setEntries(before);
    if (choice)
        m_choice = choice->isEmpty() ? QString() : path(*choice);

    m_actions->open();

    QCOMPARE(m_list->entries(), before);
    QCOMPARE(m_messages.size(), fails ? 1 : 0);
    if (fails)
        QVERIFY2(m_messages[0].contains(*m_choice), qPrintable(m_messages[0]));
    QCOMPARE(m_events.size(), 4);
    QCOMPARE(m_events[0], u"hide button"_s);
    QCOMPARE(m_events.mid(2), (QStringList{u"show list"_s, u"show button"_s}));
}

void TestDocumentActions::copyPutsTheTextOnTheClipboard()
{
    m_state.ReceiveBuffer = "earlier"_ba;
    m_list->setEntries({"A"_ba, "B\xe4"_ba, "C\r\nD"_ba});
    m_actions->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"A\r\nB\u00e4\r\nC\r\nD\r\n\r\n\r\n"_s);
    QCOMPARE(m_state.ReceiveBuffer, "earlier"_ba);

    m_list->clear();
    m_actions->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"\r\n"_s);
}

void TestDocumentActions::printedPdfHoldsTheLines()
{
    if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty())
        QSKIP("pdftotext is not installed");

    Entries entries{"Memory 1"_ba, "12.5 \xb5m"_ba, "A\r\nB"_ba};
    QStringList expected{u"Memory 1"_s, u"12.5 \u00b5m"_s, u"A"_s, u"B"_s};
    for (int i = 1; i <= 300; ++i) {
        entries.append("line " + QByteArray::number(i));
        expected.append(u"line %1"_s.arg(i));
    }
    m_list->setEntries(entries);

    m_actions->print();

    QVERIFY(m_state.ReceiveBuffer.startsWith("Memory 1\r\n12.5 \xb5m\r\nA\r\nB\r\nline 1\r\n"));
    QProcess tool;
    tool.start(u"pdftotext"_s, {m_pdf, u"-"_s});
    QVERIFY(tool.waitForFinished(20000));
    const QString text = QString::fromUtf8(tool.readAllStandardOutput());
    QVERIFY2(text.count(u'\f') >= 3, "300 lines need several pages");
    QStringList printed = text.split(QRegularExpression(u"\\s*[\n\f]\\s*"_s), Qt::SkipEmptyParts);
    QCOMPARE(printed, expected);
    QVERIFY(m_messages.isEmpty());
}

void TestDocumentActions::printingNothing_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("pdf");

    QTest::newRow("print dialog cancelled") << false << u"out.pdf"_s;
    QTest::newRow("output cannot be written") << true << u"plain/out.pdf"_s;
}

void TestDocumentActions::printingNothing()
{
    QFETCH(bool, accepted);
    QFETCH(QString, pdf);

    m_printAccepted = accepted;
    m_pdf = path(pdf);
    m_list->setEntries({"H"_ba, "1"_ba});

    m_actions->print();

    QVERIFY(!QFile::exists(m_pdf));
    QCOMPARE(m_messages.size(), accepted ? 1 : 0);
    if (accepted)
        QVERIFY2(m_messages[0].contains(m_pdf), qPrintable(m_messages[0]));
}

QTEST_MAIN(TestDocumentActions)
#include "tst_documentactions.moc"
