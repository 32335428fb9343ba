// The serial control of the program: the properties the downloads use
// (CommPort, PortOpen, Settings, Input, Output, ...) on top of QSerialPort.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class CommControl : public QObject
{
    Q_OBJECT
public:
    // CommEvent values the program looks at; a lost device is an event of its own.
    enum Event : int { EventNone = 0, EventReceive = 2, EventEof = 7, EventDeviceLost = 1001 };

    // programFolder decides where COM n leads (see comDevicePath).
    explicit CommControl(const QString &programFolder, QObject *parent = nullptr);
    ~CommControl() override;

    // CommPort: the COM number 1..16 that the next PortOpen = true opens.
    void setCommPort(qint16 port);
    qint16 commPort() const;
    // The device path that COM commPort() leads to right now.
    QString devicePath() const;

    // PortOpen. setPortOpen(true) returns false and leaves errorString()
    // (the system's reason) and lastError() when the port cannot be opened.
    // setPortOpen(false) drains what Output queued (bounded) and closes.
    bool portOpen() const;
    bool setPortOpen(bool open);

    // "38400,n,8,1" style text; malformed text is refused (false, errorString()).
    bool setSettings(const QString &settings);
    // 0 none, 1 XON/XOFF.
    bool setHandshaking(int mode);
    bool setRTSEnable(bool on);
    bool setDTREnable(bool on);
    // 0 = text; the data stay bytes either way.
    void setInputMode(int mode);

    // Input: every byte waiting, removed from the buffer; empty when none wait.
    QByteArray input();
    // Bytes waiting right now, without taking them.
    qint64 bytesWaiting() const;
    // Output: queues the bytes for sending.
    bool output(const QByteArray &bytes);
    // InBufferCount = 0: drops received bytes not yet read (also the driver's).
    void clearInBuffer();
    // OutBufferCount = 0: what Output queued reaches the wire first (drained,
    // bounded by about one second so a line held by XOFF cannot hang us).
    void clearOutBuffer();

    // CommEvent: the most recent event, kept until another replaces it.
    int commEvent() const;
    // True once the open device went away (pulled adapter, closed pty);
    // the port is then closed and every further operation is a no-op.
    bool deviceLost() const;

    QString errorString() const;
    QSerialPort::SerialPortError lastError() const;

Q_SIGNALS:
    // Bytes arrived (the receive event); the download loops wake up on it.
    void received();
    // The open device went away; emitted once.
    void lost(const QString &reason);

private:
    // (implementation's own members)
};
