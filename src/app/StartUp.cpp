#include "StartUp.h"

#include "DialogRouter.h"
#include "HistoryListing.h"
#include "PortEntry.h"
#include "PortFile.h"
#include "SharedFileDialog.h"

#include <QDir>
#include <QLocale>

using namespace Qt::StringLiterals;

StartUp::StartUp(PortDialogHooks port, SharedFileDialog &fileDialog, DialogRouter &dialogs, QWidget *window)
    : m_port(std::move(port))
    , m_fileDialog(fileDialog)
    , m_dialogs(dialogs)
    , m_window(window)
{
}

void StartUp::GetPortFile()
{
    QDir::setCurrent(m_port.programFolder);
    m_portFilePath = ::portFilePath(m_port.programFolder);
}

void StartUp::Lese_ComPort()
{
    GetPortFile();
    QString error;
    if (const std::optional<QString> number = readComPortNumber(m_portFilePath, &error)) {
        m_port.setComPortNumber(*number);
        m_port.setCaption(connectedCaption(*number));
        return;
    }

    // No usable Port.txt (the first start): the user may pick a port file;
    // the caption stays.
    m_fileDialog.setFilter(u"Port File (*.txt)"_s);
    const std::optional<QString> chosen = m_fileDialog.exec(
        m_window, SharedFileDialog::Mode::Open, u"Choose the port file (Port.txt) that holds the instrument's COM port"_s);
    const QString howToChoose =
        u"Choose the port with \"Interface\" > \"Select interface\": type the COM number of the instrument and "
        "press O.K. Its \"?\" button lists the serial ports of this computer and the COM numbers they have."_s;
    if (!chosen) {
        m_dialogs.message(u"No COM port chosen"_s,
                          u"The program does not know yet which COM port the instrument is connected to.\n"_s
                              + howToChoose);
        return;
    }
    m_portFilePath = *chosen;
    if (const std::optional<QString> number = readComPortNumber(m_portFilePath, &error)) {
        m_port.setComPortNumber(*number);
        return;
    }
    m_dialogs.message(u"Port file"_s, u"The port file %1 could not be read: %2\n"_s.arg(
                                          QDir::toNativeSeparators(m_portFilePath), error)
                                          + howToChoose);
}

void StartUp::tellInterruptedDownloads(const QString &historyFolder,
                                       const std::function<void(const QString &)> &open)
{
    for (const HistoryItem &item : claimInterrupted(historyFolder)) {
        const QString text =
            u"The download from %1 started %2 was interrupted: the program ended during it.\n"
            "%3 lines were kept in the download history."_s
                .arg(item.instrument, QLocale().toString(item.start.date(), QLocale::LongFormat) + u' '
                                          + item.start.time().toString(u"HH:mm:ss"_s))
                .arg(item.lines);
        if (m_dialogs.notice(u"Interrupted download"_s, text))
            open(item.path);
    }
}
