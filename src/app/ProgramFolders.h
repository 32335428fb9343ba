// Where the program finds its help and keeps its files: beside the executable
// in the portable layout, in the share folder and the user's data folder once installed.
#pragma once

#include <QString>

// The installed layout puts the executable in <prefix>/bin and the help in
// <prefix>/share/meridoc/HTML_Help; the install rules use the same two paths.
inline constexpr char16_t installedHelpRelativePath[] = u"../share/meridoc/HTML_Help";

struct FolderFacts
{
    QString executableFolder;
    bool executableFolderWritable = false;
    bool helpBesideExecutable = false;   // <executableFolder>/HTML_Help exists
    bool installedHelpExists = false;    // the installed help folder exists
    QString userDataFolder;              // the per-user data folder
};

struct ProgramFolders
{
    QString helpFolder;   // Meridoc_Help_E.html and qura3.ico
    QString dataFolder;   // Port.txt, ports/, mes/
};

// The installed help folder that belongs to an executable folder.
QString installedHelpFolder(const QString &executableFolder);

// An installed program (help in the share folder, none beside the executable)
// keeps its data in the user's folder even when run by someone who may write
// to bin/; a portable copy keeps its data beside itself unless it cannot
// write there.
ProgramFolders chooseProgramFolders(const FolderFacts &facts);

// The facts about the running executable's folders, read from the disk.
FolderFacts folderFacts(const QString &executableFolder, const QString &userDataFolder);
