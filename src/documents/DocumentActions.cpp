#include "DocumentActions.h"

#include "DataList.h"
#include "DownloadState.h"
#include "MeasurementFile.h"
#include "PrintedText.h"
#include "Printing.h"
#include "ReceivedText.h"
#include "SharedFileDialog.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

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
    const std::optional<QString> chosen = m_fileDialog.exec(m_window, SharedFileDialog::Mode::Save);
    if (!chosen || chosen->isEmpty()) {
        if (m_fileDialog.fileName().isEmpty())
            m_fileDialog.setFileName(u"Test.mes"_s);
        return;
    }

    const QString path = *chosen;
    QSaveFile file(path);
    // QSaveFile's commit() renames the file even when its last flush failed,
    // and a short write sets no error: both are checked before committing.
    // Without a commit the old file stays and the partial one is removed.
    const bool saved = file.open(QIODevice::WriteOnly)
            && writeMeasurementFile(file, m_state.ReceiveBuffer)
            && file.flush()
            && file.commit();
    if (!saved) {
        const QString reason = file.error() != QFileDevice::NoError
                ? file.errorString()
                : u"Not all data could be written; the disk may be full."_s;
        message(u"Save data file"_s,
                u"The data could not be saved to %1:\n%2\n\n"
                "Choose another folder or file name and save again."_s
                        .arg(QDir::toNativeSeparators(path), reason));
    }
}

void DocumentActions::open()
{
    if (m_hooks.setCopyButtonVisible)
        m_hooks.setCopyButtonVisible(false);
    if (m_hooks.clearListSelection)
        m_hooks.clearListSelection();

    m_fileDialog.setInitDir(dataFolder());
    const std::optional<QString> chosen = m_fileDialog.exec(m_window, SharedFileDialog::Mode::Open);
    if (chosen && !chosen->isEmpty()) {
        const QString path = *chosen;
        QFile file(path);
        bool read = false;
        {
            // A file of millions of lines takes seconds to read and cut.
            const BusyCursor busy;
            read = file.open(QIODevice::ReadOnly);
            QByteArray bytes;
            if (read) {
                bytes = file.readAll();
                read = file.error() == QFileDevice::NoError;
            }
            if (read)
                m_list.setEntries(measurementFileEntries(std::move(bytes)));
        }
        if (!read) {
            message(u"Open data file"_s,
                    u"The file %1 could not be read:\n%2\n\n"
                    "The data in the list are unchanged. Check the file and open it again."_s
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
        }
    }

    if (m_hooks.showList)
        m_hooks.showList();
    if (m_hooks.setCopyButtonVisible)
        m_hooks.setCopyButtonVisible(true);
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
    if (!printLines(printer, printedLines(m_state.ReceiveBuffer))) {
        message(u"Print data file"_s,
                u"The data could not be printed on %1.\n\n"
                "Check that the printer is ready and print again."_s
                        .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                : printer.outputFileName()));
    }
}
