#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::StringLiterals;

ProgramFolder::ProgramFolder(const QString &templatePath)
    : m_dir(templatePath)
{
}

bool ProgramFolder::choosePort(int com) const
{
    QFile file(filePath(u"Port.txt"_s));
    const QByteArray line = ' ' + QByteArray::number(com) + "\r\n";
    return file.open(QIODevice::WriteOnly) && file.write(line) == line.size() && file.flush();
}

bool ProgramFolder::makePortable(const QStringList &executables) const
{
    for (const QString &built : executables) {
        const QString placed = filePath(QFileInfo(built).fileName());
        // A hard link costs nothing; another file system gets a copy.
        if (::link(QFile::encodeName(built).constData(), QFile::encodeName(placed).constData()) != 0
            && !(QFile::copy(built, placed) && QFile::setPermissions(placed, QFile::permissions(built))))
            return false;
    }
    return QDir(path()).mkpath(u"HTML_Help"_s);
}

QString ProgramFolder::historyPath(const QString &name) const
{
    return name.isEmpty() ? filePath(u"history"_s) : filePath(u"history/"_s + name);
}

QStringList ProgramFolder::historyFiles(const QString &pattern) const
{
    return QDir(historyPath()).entryList(pattern.isEmpty() ? QStringList() : QStringList{pattern},
                                         QDir::Files | QDir::Hidden, QDir::Name);
}

bool ProgramFolder::clearHistory() const
{
    return QDir(historyPath()).removeRecursively();
}
