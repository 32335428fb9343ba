// The receive loop of the old design, for comparison: it polls the serial
// port without ever sleeping, letting pending events run once per pass, and
// cuts records at CR LF until a line contains "End".
// Usage: meridoc-busypoll DEVICE OUTPUT-FILE

#include "WholeFile.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QTextStream>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "usage: meridoc-busypoll DEVICE OUTPUT-FILE\n";
        return 2;
    }

    QSerialPort port(arguments.at(1));
    port.setBaudRate(38400);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    if (!port.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "meridoc-busypoll: cannot open " << arguments.at(1) << ": " << port.errorString()
                            << "\n";
        return 1;
    }

    const QByteArray recordEnd = "\r\n"_ba;
    QByteArray pending;
    QByteArray received;
    bool endSeen = false;
    while (!endSeen) {
        QCoreApplication::processEvents();
        if (port.error() == QSerialPort::ResourceError)
            break;
        pending += port.readAll();
        qsizetype cut;
        while (!endSeen && (cut = pending.indexOf(recordEnd)) >= 0) {
            const QByteArray line = pending.left(cut);
            received += line + recordEnd;
            pending.remove(0, cut + recordEnd.size());
            endSeen = line.contains("End");
        }
    }

    QString reason;
    if (!writeWholeFile(arguments.at(2), {received}, &reason)) {
        QTextStream(stderr) << "meridoc-busypoll: cannot write " << arguments.at(2) << ": " << reason << "\n";
        return 1;
    }
    return endSeen ? 0 : 1;
}
