// Where COM 1 to COM 16 lead (the ports/comN links of the program folder),
// the serial devices present, and making or removing such links.
#pragma once

#include <QList>
#include <QString>

struct ComLink
{
    int com = 0;
    // The path COM n opens now: ports/comN, or /dev/ttyS<N-1> when there is no link.
    QString device;
    // What ports/comN points at, as written in the link; empty without a link.
    QString linkTarget;
    bool isLink = false;
    // Whether the device behind it exists right now.
    bool present = false;
};

struct SerialDevice
{
    QString path;
    QString description;
    QString manufacturer;
    QString serialNumber;
    int vendorId = -1;
    int productId = -1;
    // The link under /dev/serial/by-id that leads to the device; it keeps its
    // name when the adapter comes back as another ttyUSB number.
    QString stablePath;
};

// The folder of the links, ports/ in the program folder, and a link in it.
QString comLinkFolder(const QString &programFolder);
QString comLinkPath(const QString &programFolder, int com);
QList<ComLink> comLinks(const QString &programFolder);
// True when anything, even a dangling link, sits at ports/comN.
bool comLinkTaken(const QString &programFolder, int com);

// The by-id link in byIdFolder that resolves to device, or empty.
QString stablePathOf(const QString &device, const QString &byIdFolder);
QList<SerialDevice> presentSerialDevices(const QString &byIdFolder);
// The COM numbers whose ports/comN link resolves to device.
QList<int> comNumbersOf(const QString &device, const QList<ComLink> &links);

// Makes ports/comN a symbolic link to target, replacing what was there in one
// step. False with a reason in *error when it cannot.
bool linkCom(const QString &programFolder, int com, const QString &target, QString *error);
// Removes ports/comN when it is a symbolic link; anything else is left alone.
bool unlinkCom(const QString &programFolder, int com, QString *error);
