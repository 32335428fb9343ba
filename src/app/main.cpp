#include "CommandLineMain.h"
#include "MainWindow.h"
#include "ProgramFolders.h"
#include "SystemCalls.h"

#include <QApplication>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

ProgramFolders programFolders()
{
    return chooseProgramFolders(
        folderFacts(QCoreApplication::applicationDirPath(),
                    QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit (ulimit -f) ends a process with SIGXFSZ at the write
    // that crosses it; ignored, the write fails with EFBIG, which the file
    // writers report and survive like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    // With arguments the program runs on the command line: decided before any
    // QApplication exists, so no display is needed.
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(u"meridoc"_s);
        return runCommandLine(QCoreApplication::arguments().mid(1), programFolders().dataFolder);
    }

    // Without a display Qt would abort; a console or an SSH session gets one
    // line instead. QT_QPA_PLATFORM set means the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("meridoc: no display was found (DISPLAY and WAYLAND_DISPLAY are not set); the window needs one, "
                   "\"meridoc read\" works without one (see meridoc --help).\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // Names the per-user data folder (~/.local/share/meridoc) whatever the
    // executable is called.
    QCoreApplication::setApplicationName(u"meridoc"_s);

    const ProgramFolders folders = programFolders();
    // Port.txt is written with a save file, which needs its folder to exist
    // (and on the disk, so that the file in it is).
    sys::makeFolders(folders.dataFolder);

    MainWindow window(folders.dataFolder);
    window.setHelpFolder(folders.helpFolder);
    window.load();
    return app.exec();
}
