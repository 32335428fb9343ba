// Renders the windows shown in the README: the main window after a download
// from the simulated ORVIK, the port dialog, the "Serial ports" window and
// the download history.
// Usage: meridoc-screenshots OUTPUT-FOLDER

#include "HistoryWindow.h"
#include "DialogRouter.h"
#include "MainWindow.h"
#include "PortDialogOwner.h"
#include "PortFile.h"
#include "SimulatedInstrument.h"
#include "WholeFile.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Lets the windows lay themselves out and paint before they are grabbed.
void settle(int ms = 300)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *widget, const QString &path)
{
    if (!widget) {
        QTextStream(stderr) << "meridoc-screenshots: nothing to grab for " << path << "\n";
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    QString reason = u"the window could not be encoded as PNG"_s;
    if (!buffer.open(QIODevice::WriteOnly) || !widget->grab().save(&buffer, "PNG")
        || !writeWholeFile(path, {png}, &reason)) {
        QTextStream(stderr) << "meridoc-screenshots: cannot write " << path << ": " << reason << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

bool copyFolder(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QString &name : source.entryList(QDir::Files)) {
        if (!QFile::copy(source.filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        QTextStream(stderr) << "usage: meridoc-screenshots OUTPUT-FOLDER\n";
        return 2;
    }
    const QDir output(app.arguments().at(1));
    QTemporaryDir folder;
    if (!folder.isValid() || !output.mkpath(u"."_s)) {
        QTextStream(stderr) << "meridoc-screenshots: cannot make the folders\n";
        return 1;
    }

    // A program folder as a user has it: the help beside the program, COM 3 chosen.
    const QString helpSource = QStringLiteral(MERIDOC_HELP_DIR);
    if (!copyFolder(helpSource, QDir(folder.path()).filePath(u"HTML_Help"_s))
        || !QDir(folder.path()).mkpath(u"mes"_s)
        || !writeWholeFile(portFilePath(folder.path()), {formatPortFile(3)})) {
        QTextStream(stderr) << "meridoc-screenshots: cannot prepare a program folder from " << helpSource << "\n";
        return 1;
    }

    SimulatedInstrument instrument(InstrumentFamily::Orvik);
    if (!instrument.isOpen() || !instrument.linkAsCom(folder.path(), 3)) {
        QTextStream(stderr) << "meridoc-screenshots: no simulated instrument: " << instrument.errorString() << "\n";
        return 1;
    }
    instrument.setStartDelayMs(250);

    MainWindow window(folder.path());
    // The blocks are saved as batch(1).mes, batch(2).mes, ... in mes/.
    window.dialogs().setHandler([](const DialogRouter::Request &) { return false; });
    const QString blocks = QDir(folder.path()).filePath(u"mes/batch"_s);
    window.fileDialog().setChooser([&blocks](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>(blocks);
    });
    window.load();
    settle();
    instrument.pressKey();
    window.findChild<QAction *>(u"mnuOV"_s)->trigger();
    settle();

    bool ok = save(&window, output.filePath(u"main-window.png"_s));

    window.portDialog().showDialog();
    settle();
    ok = save(window.portDialog().dialog(), output.filePath(u"port-dialog.png"_s)) && ok;

    window.portDialog().showDeviceManager();
    settle();
    ok = save(window.portDialog().serialPortsWindow(), output.filePath(u"serial-ports.png"_s)) && ok;
    window.portDialog().serialPortsWindow()->close();
    window.portDialog().dialog()->close();

    // Beside the ORVIK download just made, two earlier ones of other kinds.
    const QDir history(QDir(folder.path()).filePath(u"history"_s));
    const QDateTime now = QDateTime::currentDateTime();
    const auto named = [&now](qint64 secondsAgo, const char *rest) {
        return now.addSecs(-secondsAgo).toString(u"yyyy-MM-dd HH-mm-ss "_s) + QString::fromLatin1(rest);
    };
    const QList<std::pair<QString, QByteArray>> earlier{
        {named(2 * 3600 + 17, "QFU-ST (stopped by ESC).mes"), "1.52 V/m\r\n1.49 V/m\r\n\r\n\r\n"_ba},
        {named(26 * 3600 + 1203, "DURAMO 5-10-20 ST (interrupted).mes"), "12.5 um\r\n13.1 um\r\n12.9 um\r\n"_ba}};
    for (const auto &[name, bytes] : earlier) {
        QFile file(history.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            ok = false;
    }
    window.findChild<QAction *>(u"mnuHistory"_s)->trigger();
    settle();
    ok = save(window.findChild<HistoryWindow *>(), output.filePath(u"history.png"_s)) && ok;
    return ok ? 0 : 1;
}
