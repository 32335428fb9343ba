#include "ComLinks.h"

#include "PortNumber.h"
#include "SystemCalls.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

bool isLink(const QString &path)
{
    struct stat info{};
    return sys::lstat(path, &info).ok() && S_ISLNK(info.st_mode);
}

bool validCom(int com, QString *error)
{
    if (com >= 1 && com <= 16)
        return true;
    if (error)
        *error = u"COM %1 is outside COM 1 to COM 16."_s.arg(com);
    return false;
}

} // namespace

QString comLinkFolder(const QString &programFolder)
{
    return QDir(programFolder).filePath(u"ports"_s);
}

QString comLinkPath(const QString &programFolder, int com)
{
    return QDir(comLinkFolder(programFolder)).filePath(u"com%1"_s.arg(com));
}

QList<ComLink> comLinks(const QString &programFolder)
{
    QList<ComLink> links;
    for (int com = 1; com <= 16; ++com) {
        ComLink link;
        link.com = com;
        link.device = comDevicePath(com, programFolder);
        QString target;
        if (sys::readlink(comLinkPath(programFolder, com), &target).ok()) {
            link.isLink = true;
            link.linkTarget = target;
        }
        link.present = QFileInfo::exists(link.device);
        links.append(link);
    }
    return links;
}

bool comLinkTaken(const QString &programFolder, int com)
{
    return sys::exists(comLinkPath(programFolder, com));
}

QString stablePathOf(const QString &device, const QString &byIdFolder)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (canonical.isEmpty())
        return {};
    const QDir folder(byIdFolder);
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        if (QFileInfo(path).isSymLink() && QFileInfo(path).canonicalFilePath() == canonical)
            return path;
    }
    return {};
}

QList<SerialDevice> presentSerialDevices(const QString &byIdFolder)
{
    QList<SerialDevice> devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        SerialDevice device;
        device.path = info.systemLocation();
        device.description = info.description();
        device.manufacturer = info.manufacturer();
        device.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier())
            device.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            device.productId = info.productIdentifier();
        device.stablePath = stablePathOf(device.path, byIdFolder);
        devices.append(device);
    }
    return devices;
}

QList<int> comNumbersOf(const QString &device, const QList<ComLink> &links)
{
    QList<int> numbers;
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (canonical.isEmpty())
        return numbers;
    for (const ComLink &link : links) {
        if (link.isLink && link.present && QFileInfo(link.device).canonicalFilePath() == canonical)
            numbers.append(link.com);
    }
    return numbers;
}

bool linkCom(const QString &programFolder, int com, const QString &target, QString *error)
{
    if (!validCom(com, error))
        return false;
    const QString folder = comLinkFolder(programFolder);
    if (const sys::Status made = sys::makeFolders(folder); !made.ok()) {
        if (error)
            *error = u"Cannot create the folder %1: %2."_s.arg(folder, made.message);
        return false;
    }
    // Built beside the old link and renamed over it, so COM n never leads
    // nowhere; the folder synced, so the link outlives a power cut.
    const QString fresh = QDir(folder).filePath(u".com%1.new"_s.arg(com));
    sys::unlink(fresh);
    sys::Status status = sys::symlink(target, fresh);
    if (status.ok())
        status = sys::rename(fresh, comLinkPath(programFolder, com));
    if (status.ok())
        status = sys::syncFolder(folder);
    if (!status.ok()) {
        sys::unlink(fresh);
        if (error)
            *error = u"Cannot link %1 to %2: %3."_s.arg(comLinkPath(programFolder, com), target, status.message);
        return false;
    }
    return true;
}

bool unlinkCom(const QString &programFolder, int com, QString *error)
{
    if (!validCom(com, error))
        return false;
    const QString path = comLinkPath(programFolder, com);
    if (!isLink(path)) {
        if (error)
            *error = u"%1 is not a link; it is left as it is."_s.arg(path);
        return false;
    }
    sys::Status status = sys::unlink(path);
    if (status.ok())
        status = sys::syncFolder(QFileInfo(path).absolutePath());
    if (!status.ok()) {
        if (error)
            *error = u"Cannot remove %1: %2."_s.arg(path, status.message);
        return false;
    }
    return true;
}
