// Save, Open, Copy and Print on real files, the clipboard and PDF output.
#include "DataList.h"
#include "DocumentActions.h"
#include "DownloadState.h"
#include "SharedFileDialog.h"

#include "TestFiles.h"
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>


using namespace Qt::StringLiterals;

using Entries = QList<QByteArray>;

namespace {

// The text of a PDF, page by page, each page as its non-empty lines.
QList<QStringList> pdfPages(const QString &pdf)
{
    QProcess tool;
    tool.start(u"pdftotext"_s, {pdf, u"-"_s});
    if (!tool.waitForFinished(20000))
        return {};
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\f');
    // pdftotext ends every page with a form feed.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    QList<QStringList> lines;
    for (const QString &page : std::as_const(pages)) {
        QStringList pageLines;
        for (const QString &line : page.split(u'\n')) {
            if (!line.trimmed().isEmpty())
                pageLines.append(line.trimmed());
        }
        lines.append(pageLines);
    }
    return lines;
}

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
    void saveAndOpenShowMeasurementFiles_data();
    void saveAndOpenShowMeasurementFiles();
    void openWithoutFileKeepsTheList_data();
    void openWithoutFileKeepsTheList();
    void copyPutsTheTextOnTheClipboard();
    void printingNothing_data();
    void printingNothing();
    void printsTheLinesOnThePagesChosen();

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
    int m_fromPage = 0;   // with m_toPage: the page range chosen in the print dialog; 0: all pages
    int m_toPage = 0;
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
    m_fromPage = m_toPage = 0;
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
        if (m_fromPage > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(m_fromPage, m_toPage);
        }
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
    QTest::newRow("folder in the path is a file") << u"plain/data.mes"_s;
    QTest::newRow("target is a folder") << u"mes"_s;
}

// How the writer fails is its own test's matter; Save tells which file and
// what to do, and changes nothing.
void TestDocumentActions::saveFailureKeepsOldFileAndTells()
{
    QFETCH(QString, target);

    QVERIFY(writeFile(path(u"mes/old.mes"_s), "old data\r\n"_ba));
    m_list->setEntries({"H"_ba, "1"_ba});
    m_choice = path(target);
    m_actions->save();

    QCOMPARE(readFile(path(u"mes/old.mes"_s)), "old data\r\n"_ba);
    QCOMPARE(readFile(path(u"plain"_s)), "a plain file"_ba);
    QCOMPARE(QDir(path(u"mes"_s)).entryList(QDir::Files), QStringList{u"old.mes"_s});
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(*m_choice), qPrintable(m_messages[0]));
    QVERIFY2(m_messages[0].contains(u"another folder"_s), qPrintable(m_messages[0]));
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
    const QString dialog = u"dialog in "_s + path(u"mes"_s);
    QCOMPARE(m_events.filter(u"dialog"_s).replaceInStrings(QRegularExpression(u" filter .*"_s), QString()),
             QStringList(4, dialog));
}

void TestDocumentActions::saveAndOpenShowMeasurementFiles_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("Save") << true;
    QTest::newRow("Open") << false;
}

// The real dialog, after the start-up's port-file dialog left its filter, in
// a program folder without mes/: it offers measurement data files, not Port.txt.
void TestDocumentActions::saveAndOpenShowMeasurementFiles()
{
    QFETCH(bool, save);
    QVERIFY(QDir(m_dir->path()).rmdir(u"mes"_s));
    QVERIFY(writeFile(path(u"Port.txt"_s), " 3\r\n"_ba));
    QVERIFY(writeFile(path(u"old.mes"_s), "1\r\n"_ba));
    m_dialog.setFilter(u"Port File (*.txt)"_s);
    m_dialog.setChooser({});

    QStringList filters;
    QString selected;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        filters = dialog->nameFilters();
        selected = dialog->selectedNameFilter();
        dialog->reject();
    });
    save ? m_actions->save() : m_actions->open();

    QCOMPARE(filters, (QStringList{u"Messdatenfile (*.mes)"_s, u"All files (*)"_s}));
    QCOMPARE(selected, u"Messdatenfile (*.mes)"_s);
    QCOMPARE(readFile(path(u"Port.txt"_s)), " 3\r\n"_ba);
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
    // Read whole, a foreign file of gigabytes would exhaust the memory.
    QTest::newRow("larger than 256 MiB") << std::optional<QString>(u"mes/huge.mes"_s) << true;
}

void TestDocumentActions::openWithoutFileKeepsTheList()
{
    QFETCH(std::optional<QString>, choice);
    QFETCH(bool, fails);

    QFile huge(path(u"mes/huge.mes"_s));
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize((qint64(256) << 20) + 1));
    huge.close();
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

void TestDocumentActions::printsTheLinesOnThePagesChosen()
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
    const QList<QStringList> all = pdfPages(m_pdf);
    QVERIFY2(all.size() >= 3, "300 lines need three pages or more");
    QStringList printed;
    for (const QStringList &page : all)
        printed += page;
    QCOMPARE(printed, expected);
    const int last = int(all.size());

    m_fromPage = m_toPage = 2;
    m_actions->print();
    QCOMPARE(pdfPages(m_pdf), QList<QStringList>{all[1]});

    // A range that runs past the end prints what there is.
    m_fromPage = last - 1;
    m_toPage = last + 5;
    m_actions->print();
    QCOMPARE(pdfPages(m_pdf), all.mid(last - 2));
    QVERIFY(m_messages.isEmpty());

    // Pages after the end: nothing is printed, and the user is told why.
    QVERIFY(QFile::remove(m_pdf));
    m_fromPage = last + 1;
    m_toPage = last + 2;
    m_actions->print();
    QVERIFY(!QFile::exists(m_pdf));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(u"only %1 page"_s.arg(last)), qPrintable(m_messages[0]));
}

QTEST_MAIN(TestDocumentActions)
#include "tst_documentactions.moc"
