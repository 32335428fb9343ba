#include "SimLink.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString linkTarget(const QByteArray &path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer - 1);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

SimLink::~SimLink()
{
    remove();
}

bool SimLink::create(const QString &programFolder, int n, const QString &target)
{
    remove();
    m_replacedOld = false;
    const QDir folder(programFolder);
    const QString portsPath = folder.filePath(u"ports"_s);
    if (!QFileInfo(portsPath).isDir()) {
        if (!folder.mkpath(u"ports"_s)) {
            m_error = u"Cannot create the folder %1."_s.arg(portsPath);
            return false;
        }
        m_createdFolder = portsPath;
    }
    const QString path = QDir(portsPath).filePath(u"com%1"_s.arg(n));
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(encoded.constData(), &st) == 0) {
        const QString old = linkTarget(encoded);
        if (!S_ISLNK(st.st_mode) || !old.startsWith(u"/dev/pts/"_s)) {
            m_error = u"%1 already exists and does not lead to a simulated instrument; "
                      "choose another COM number or remove it."_s.arg(path);
            return false;
        }
        if (::unlink(encoded.constData()) != 0) {
            m_error = u"Cannot replace %1: %2."_s.arg(path, systemError());
            return false;
        }
        m_replacedOld = true;
    }
    if (::symlink(QFile::encodeName(target).constData(), encoded.constData()) != 0) {
        m_error = u"Cannot create the link %1: %2."_s.arg(path, systemError());
        return false;
    }
    m_path = path;
    m_target = target;
    return true;
}

void SimLink::remove()
{
    if (!m_path.isEmpty()) {
        const QByteArray encoded = QFile::encodeName(m_path);
        if (linkTarget(encoded) == m_target)
            ::unlink(encoded.constData());
        m_path.clear();
    }
    if (!m_createdFolder.isEmpty()) {
        QDir().rmdir(m_createdFolder);
        m_createdFolder.clear();
    }
}
