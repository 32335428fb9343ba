// The serial control of the program: the properties the downloads use
// (CommPort, PortOpen, Settings, Input, Output, ...) on top of QSerialPort.
#pragma once

#include "LineSettings.h"
#include "SerialPolicy.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <optional>

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
    // Leads every COM number to this device path instead (a device named on
    // the command line); empty restores the usual mapping.
    void setFixedDevice(const QString &path);

    // PortOpen. setPortOpen(true) returns false and leaves errorString()
    // (the system's reason) and lastError() when the port cannot be opened.
    // setPortOpen(false) drains what Output queued (bounded) and closes.
    bool portOpen() const;
    bool setPortOpen(bool open);

    // The line setters apply at once while open and at the next open
    // otherwise. What the device cannot do (a pseudo-terminal's RTS, DTR,
    // 7 data bits) is skipped and still counts as success.
    // "38400,n,8,1" style text; malformed text is refused (false, errorString()).
    bool setSettings(const QString &settings);
    // 0 none, 1 XON/XOFF.
    bool setHandshaking(int mode);
    bool setRTSEnable(bool on);
    bool setDTREnable(bool on);
    // 0 = text; the data stay bytes either way, so the mode changes nothing.
    void setInputMode(int mode);

    // Input: every byte waiting, removed from the buffer; empty when none wait.
    // Bytes reach the buffer while the event loop runs (received() tells).
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
    // the port is then closed and every further operation does nothing
    // (Output and the setters return false) until the next PortOpen = true.
    bool deviceLost() const;

    QString errorString() const;
    QSerialPort::SerialPortError lastError() const;

    // The RTS and DTR levels last handed to the port since it was opened;
    // nullopt while none was: the line is as the system opened it (raised,
    // on Linux).
    std::optional<bool> rtsSinceOpen() const { return m_rtsSinceOpen; }
    std::optional<bool> dtrSinceOpen() const { return m_dtrSinceOpen; }
    // The same for the framing and the handshake: what was handed, also where
    // the device could not follow (a pseudo-terminal's 7 data bits).
    std::optional<LineSettings> settingsSinceOpen() const { return m_settingsSinceOpen; }
    std::optional<int> handshakingSinceOpen() const { return m_handshakingSinceOpen; }

Q_SIGNALS:
    // Bytes arrived (the receive event); the download loops wake up on it.
    void received();
    // The open device went away; emitted once.
    void lost(const QString &reason);

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onReadyRead();
    // Runs one QSerialPort call as the given step and acts on the errors it raised.
    template<typename Call>
    ErrorVerdict runStep(SerialStep step, Call &&call);
    // Keeps the most serious error raised inside the step under way.
    void noteStepError(ErrorVerdict verdict, QSerialPort::SerialPortError error, const QString &errorString);
    bool applyLineSettings();
    bool applyHandshaking();
    bool applySignal(bool rts, bool on);
    // Waits, bounded, until queued output has left; false when some could not.
    bool drainOutput();
    void becomeLost(QSerialPort::SerialPortError error, const QString &reason);
    void fail(QSerialPort::SerialPortError error, const QString &reason);
    void resetError();

    QString m_programFolder;
    QString m_fixedDevice;
    QSerialPort *m_port;
    qint16 m_commPort = 1;
    LineSettings m_settings;
    int m_handshaking = 0;
    // Unset until a download sets them: the lines stay as the system opened them.
    std::optional<bool> m_rts;
    std::optional<bool> m_dtr;
    std::optional<bool> m_rtsSinceOpen;
    std::optional<bool> m_dtrSinceOpen;
    std::optional<LineSettings> m_settingsSinceOpen;
    std::optional<int> m_handshakingSinceOpen;
    int m_event = EventNone;
    bool m_lost = false;
    // What Qt had read but nobody taken when the device went away.
    QByteArray m_leftover;
    // What the open port was opened as, for the reason given when it is lost.
    qint16 m_openPort = 0;
    QString m_openPath;

    // The step under way; errors raised inside it are weighed by runStep.
    std::optional<SerialStep> m_step;
    ErrorVerdict m_stepVerdict = ErrorVerdict::Ignore;
    QSerialPort::SerialPortError m_stepError = QSerialPort::NoError;
    QString m_stepErrorString;

    QSerialPort::SerialPortError m_lastError = QSerialPort::NoError;
    QString m_errorString;
};
