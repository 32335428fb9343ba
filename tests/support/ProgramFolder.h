// A program folder of a test's own, removed at its end: where the program
// under test (the window, the command line, a widget-free host) keeps
// Port.txt, finds its instruments as ports/comN links and keeps the download
// history in history/; a portable copy also holds the executables and
// HTML_Help.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ProgramFolder
{
public:
    // In the system's temporary folder.
    ProgramFolder() = default;
    // From a template: a path ending in XXXXXX.
    explicit ProgramFolder(const QString &templatePath);

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Port.txt naming COM n, as the port dialog stores it.
    bool choosePort(int com) const;
    // Makes it a portable copy: each executable under its own name (a hard
    // link where the file system allows, else a copy) and HTML_Help beside them.
    bool makePortable(const QStringList &executables) const;

    // history/, or a file in it.
    QString historyPath(const QString &name = {}) const;
    // The names of the files in history/ (all, or those matching pattern),
    // hidden ones too, ordered by name.
    QStringList historyFiles(const QString &pattern = {}) const;
    // Removes history/ with everything in it (true when it was not there).
    bool clearHistory() const;

private:
    QTemporaryDir m_dir;
};
