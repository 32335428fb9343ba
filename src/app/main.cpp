#include "MainWindow.h"
#include "ProgramFolders.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Names the per-user data folder (~/.local/share/meridoc) whatever the
    // executable is called.
    QCoreApplication::setApplicationName(u"meridoc"_s);

    const ProgramFolders folders = chooseProgramFolders(
        folderFacts(QCoreApplication::applicationDirPath(),
                    QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    // Port.txt is written with a save file, which needs its folder to exist.
    QDir().mkpath(folders.dataFolder);

    MainWindow window(folders.dataFolder);
    window.setHelpFolder(folders.helpFolder);
    window.load();
    return app.exec();
}
