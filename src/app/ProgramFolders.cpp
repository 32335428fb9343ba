#include "ProgramFolders.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString installedHelpFolder(const QString &executableFolder)
{
    return QDir::cleanPath(QDir(executableFolder).filePath(QString::fromUtf16(installedHelpRelativePath)));
}

ProgramFolders chooseProgramFolders(const FolderFacts &facts)
{
    const bool installed = !facts.helpBesideExecutable && facts.installedHelpExists;
    ProgramFolders folders;
    folders.helpFolder = installed ? installedHelpFolder(facts.executableFolder)
                                   : QDir(facts.executableFolder).filePath(u"HTML_Help"_s);
    folders.dataFolder = facts.executableFolderWritable && !installed ? facts.executableFolder
                                                                      : facts.userDataFolder;
    return folders;
}

FolderFacts folderFacts(const QString &executableFolder, const QString &userDataFolder)
{
    FolderFacts facts;
    facts.executableFolder = executableFolder;
    facts.executableFolderWritable = QFileInfo(executableFolder).isWritable();
    facts.helpBesideExecutable = QFileInfo(QDir(executableFolder).filePath(u"HTML_Help"_s)).isDir();
    facts.installedHelpExists = QFileInfo(installedHelpFolder(executableFolder)).isDir();
    facts.userDataFolder = userDataFolder;
    return facts;
}
