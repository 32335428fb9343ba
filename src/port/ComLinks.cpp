#include "ComLinks.h"

#include "PortNumber.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

fs::path toPath(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString fromPath(const fs::path &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

QString reason(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message());
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

QString comLinkPath(const QString &programFolder, int com)
{
    return QDir(programFolder).filePath(u"ports/com%1"_s.arg(com));
}

QList<ComLink> comLinks(const QString &programFolder)
{
    QList<ComLink> links;
    for (int com = 1; com <= 16; ++com) {
        ComLink link;
        link.com = com;
        link.device = comDevicePath(com, programFolder);
        const QString linkPath = comLinkPath(programFolder, com);
        std::error_code ec;
        const fs::path target = fs::read_symlink(toPath(linkPath), ec);
        if (!ec) {
            link.isLink = true;
            link.linkTarget = fromPath(target);
        }
        link.present = QFileInfo::exists(link.device);
        links.append(link);
    }
    return links;
}

bool comLinkTaken(const QString &programFolder, int com)
{
    std::error_code ec;
    return fs::symlink_status(toPath(comLinkPath(programFolder, com)), ec).type() != fs::file_type::not_found
        && !ec;
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
    const QString folder = QDir(programFolder).filePath(u"ports"_s);
    std::error_code ec;
    fs::create_directories(toPath(folder), ec);
    if (ec) {
        if (error)
            *error = u"Cannot create the folder %1: %2."_s.arg(folder, reason(ec));
        return false;
    }
    // Built beside the old link and renamed over it, so COM n never leads nowhere.
    const fs::path fresh = toPath(QDir(folder).filePath(u".com%1.new"_s.arg(com)));
    fs::remove(fresh, ec);
    fs::create_symlink(toPath(target), fresh, ec);
    if (!ec)
        fs::rename(fresh, toPath(comLinkPath(programFolder, com)), ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(fresh, ignored);
        if (error)
            *error = u"Cannot link %1 to %2: %3."_s.arg(comLinkPath(programFolder, com), target, reason(ec));
        return false;
    }
    return true;
}

bool unlinkCom(const QString &programFolder, int com, QString *error)
{
    if (!validCom(com, error))
        return false;
    const QString path = comLinkPath(programFolder, com);
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(toPath(path), ec))) {
        if (error)
            *error = u"%1 is not a link; it is left as it is."_s.arg(path);
        return false;
    }
    fs::remove(toPath(path), ec);
    if (ec) {
        if (error)
            *error = u"Cannot remove %1: %2."_s.arg(path, reason(ec));
        return false;
    }
    return true;
}
