#include "DocumentActions.h"

#include "DataList.h"
#include "DownloadState.h"
#include "MeasurementFile.h"
#include "PrintedText.h"
#include "Printing.h"
#include "ReceivedText.h"
#include "SharedFileDialog.h"
#include "SmallFile.h"
#include "WholeFile.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Save and Open offer measurement data files first, so the port file in the
// program folder is not offered to be overwritten or read as data.
const QString measurementFilter = u"Messdatenfile (*.mes);;All files (*)"_s;

// Open reads at most this much: an instrument's memory holds far less, and a
// foreign file of gigabytes read whole would exhaust the memory and end the
// program with the list.
constexpr qsizetype openLimit = qsizetype(256) << 20;

class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace

DocumentActions::DocumentActions(QWidget *window, DataList &list, DownloadState &state,
                                 SharedFileDialog &fileDialog, QString programFolder, Hooks hooks)
    : QObject(window)
    , m_window(window)
    , m_list(list)
    , m_state(state)
    , m_fileDialog(fileDialog)
    , m_programFolder(std::move(programFolder))
    , m_hooks(std::move(hooks))
{
}

QString DocumentActions::dataFolder() const
{
    return m_programFolder + u"/mes"_s;
}

void DocumentActions::message(const QString &title, const QString &text) const
{
    if (m_hooks.showMessage) {
        m_hooks.showMessage(title, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, m_window);
    box.exec();
}

bool DocumentActions::choosePrinter(QPrinter &printer) const
{
    if (m_hooks.choosePrinter)
        return m_hooks.choosePrinter(printer);
    QPrintDialog dialog(&printer, m_window);
    return dialog.exec() == QDialog::Accepted;
}

void DocumentActions::save()
{
    m_state.ReceiveBuffer = assembleReceivedText(m_list.entries());

    m_fileDialog.setInitDir(dataFolder());
    m_fileDialog.setFilter(measurementFilter);
    const std::optional<QString> chosen = m_fileDialog.exec(m_window, SharedFileDialog::Mode::Save);
    FileOutcome outcome{FileOutcome::Operation::Save, FileOutcome::Result::Cancelled, {}, m_list.count()};
    if (!chosen || chosen->isEmpty()) {
        if (m_fileDialog.fileName().isEmpty())
            m_fileDialog.setFileName(u"Test.mes"_s);
        Q_EMIT finished(outcome);
        return;
    }

    outcome.path = *chosen;
    QString reason;
    outcome.result = writeWholeFile(outcome.path, measurementFileContent(m_state.ReceiveBuffer), &reason)
        ? FileOutcome::Result::Done
        : FileOutcome::Result::Failed;
    if (outcome.result == FileOutcome::Result::Failed) {
        message(u"Save data file"_s,
                u"The data could not be saved to %1:\n%2.\n\n"
                "Choose another folder or file name and save again."_s
                        .arg(QDir::toNativeSeparators(outcome.path), reason));
    }
    Q_EMIT finished(outcome);
}

void DocumentActions::open()
{
    if (m_hooks.setCopyButtonVisible)
        m_hooks.setCopyButtonVisible(false);
    if (m_hooks.clearListSelection)
        m_hooks.clearListSelection();

    m_fileDialog.setInitDir(dataFolder());
    m_fileDialog.setFilter(measurementFilter);
    const std::optional<QString> chosen = m_fileDialog.exec(m_window, SharedFileDialog::Mode::Open);
    if (!chosen || chosen->isEmpty()) {
        openEnded(FileOutcome::Result::Cancelled, {});
        return;
    }
    openEnded(readIntoList(*chosen) ? FileOutcome::Result::Done : FileOutcome::Result::Failed, *chosen);
}

void DocumentActions::openPath(const QString &path)
{
    if (m_hooks.setCopyButtonVisible)
        m_hooks.setCopyButtonVisible(false);
    if (m_hooks.clearListSelection)
        m_hooks.clearListSelection();
    openEnded(readIntoList(path) ? FileOutcome::Result::Done : FileOutcome::Result::Failed, path);
}

void DocumentActions::openEnded(FileOutcome::Result result, const QString &path)
{
    if (m_hooks.showList)
        m_hooks.showList();
    if (m_hooks.setCopyButtonVisible)
        m_hooks.setCopyButtonVisible(true);
    Q_EMIT finished({FileOutcome::Operation::Open, result, path, m_list.count()});
}

bool DocumentActions::readIntoList(const QString &path)
{
    SmallFile file;
    {
        // A file of millions of lines takes seconds to read and cut.
        const BusyCursor busy;
        file = readSmallFile(path, openLimit);
        if (file.read && !file.larger)
            m_list.setEntries(measurementFileEntries(std::move(file.bytes)));
    }
    if (!file.read || file.larger) {
        const QString reason = file.larger
                ? u"It is larger than %1 MiB, too large for measurement data."_s.arg(openLimit >> 20)
                : file.reason;
        message(u"Open data file"_s,
                u"The file %1 could not be read:\n%2\n\n"
                "The data in the list are unchanged. Check the file and open it again."_s
                        .arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    return true;
}

void DocumentActions::copy()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    const QByteArray text = assembleReceivedText(m_list.entries()) + "\r\n"_ba;
    clipboard->setText(QString::fromLatin1(text));
}

void DocumentActions::print()
{
    QPrinter printer;
    if (!choosePrinter(printer))
        return;

    m_state.ReceiveBuffer = assembleReceivedText(m_list.entries());
    const PrintResult result = printLines(printer, printedLines(m_state.ReceiveBuffer));
    switch (result.outcome) {
    case PrintResult::Printed:
        break;
    case PrintResult::NoChosenPage:
        message(u"Print data file"_s,
                u"Pages %1 to %2 were chosen, but the data fill only %3 page(s): nothing was printed.\n\n"
                "Print again and choose pages from 1 to %3, or all pages."_s
                        .arg(printer.fromPage())
                        .arg(printer.toPage())
                        .arg(result.pageCount));
        break;
    case PrintResult::Failed:
        message(u"Print data file"_s,
                u"The data could not be printed on %1.\n\n"
                "Check that the printer is ready and print again."_s
                        .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                : printer.outputFileName()));
        break;
    }
}
