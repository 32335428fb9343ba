// What the window does once it is shown at start-up: the COM number from
// Port.txt into ComPortNumber and the caption (or, without a usable port
// file, a port file the user chooses, or how to choose the port), and the
// downloads an earlier run left interrupted.
#pragma once

#include "PortDialog.h"

#include <QString>
#include <functional>

class DialogRouter;
class SharedFileDialog;

class StartUp
{
public:
    // port: the program folder and how ComPortNumber and the caption are
    // set; window: the parent of the file dialog.
    StartUp(PortDialogHooks port, SharedFileDialog &fileDialog, DialogRouter &dialogs, QWidget *window);

    void Lese_ComPort();
    // The path the port was read from (the one chosen when Port.txt was missing).
    QString portFilePath() const { return m_portFilePath; }

    // One notice for each download of historyFolder that a program ending
    // during it left unfinished; open is given the file the user chose to see.
    void tellInterruptedDownloads(const QString &historyFolder, const std::function<void(const QString &)> &open);

private:
    void GetPortFile();

    PortDialogHooks m_port;
    SharedFileDialog &m_fileDialog;
    DialogRouter &m_dialogs;
    QWidget *m_window;
    QString m_portFilePath;
};
