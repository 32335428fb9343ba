#include "CommControl.h"

#include "OutputDrain.h"
#include "PortNumber.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#include <utility>

using namespace Qt::StringLiterals;

namespace {
// Output that has not left after this long is held by XOFF or a stalled
// adapter; waiting longer would only hang the window.
constexpr int kDrainBoundMs = 1000;
}

CommControl::CommControl(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_programFolder(programFolder)
    , m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::errorOccurred, this, &CommControl::onErrorOccurred);
    connect(m_port, &QSerialPort::readyRead, this, &CommControl::onReadyRead);
}

CommControl::~CommControl()
{
    disconnect(m_port, nullptr, this, nullptr);
    if (m_port->isOpen())
        m_port->close();
}

void CommControl::setCommPort(qint16 port)
{
    m_commPort = port;
}

qint16 CommControl::commPort() const
{
    return m_commPort;
}

QString CommControl::devicePath() const
{
    return m_fixedDevice.isEmpty() ? comDevicePath(m_commPort, m_programFolder) : m_fixedDevice;
}

void CommControl::setFixedDevice(const QString &path)
{
    m_fixedDevice = path;
}

bool CommControl::portOpen() const
{
    return !m_lost && m_port->isOpen();
}

bool CommControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_lost || !m_port->isOpen())
            return true;
        drainOutput();
        if (m_port->isOpen())
            m_port->close();
        return true;
    }

    if (portOpen()) {
        fail(QSerialPort::OpenError, u"COM %1 is open already"_s.arg(m_openPort));
        return false;
    }
    m_lost = false;
    m_leftover.clear();
    resetError();
    m_event = EventNone;
    const QString path = devicePath();
    if (path.isEmpty()) {
        fail(QSerialPort::DeviceNotFoundError, u"COM %1 is not one of the ports COM 1 to COM 16"_s.arg(m_commPort));
        return false;
    }
    // Opening the link's target names the lock file after the device itself,
    // so programs that lock the device by its own name see us, and we them.
    const QString target = QFileInfo(path).canonicalFilePath();
    m_port->setPortName(target.isEmpty() ? path : target);
    // Qt applies these while opening; the line settings the download wants
    // come after, where a device that cannot do them does not fail the open.
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);

    if (runStep(SerialStep::Open, [this] { m_port->open(QIODevice::ReadWrite); }) != ErrorVerdict::Ignore
        || !m_port->isOpen()) {
        if (m_lastError == QSerialPort::NoError)
            fail(QSerialPort::UnknownError, m_port->errorString());
        if (m_port->isOpen())
            m_port->close();
        return false;
    }
    m_openPort = m_commPort;
    m_openPath = path;
    m_rtsSinceOpen.reset();
    m_dtrSinceOpen.reset();
    m_settingsSinceOpen.reset();
    m_handshakingSinceOpen.reset();

    const bool ready = applyLineSettings() && applyHandshaking() && (!m_rts || applySignal(true, *m_rts))
        && (!m_dtr || applySignal(false, *m_dtr));
    if (!ready) {
        if (m_port->isOpen())
            m_port->close();
        return false;
    }
    return true;
}

bool CommControl::setSettings(const QString &settings)
{
    resetError();
    QString why;
    const auto parsed = parseLineSettings(settings, &why);
    if (!parsed) {
        fail(QSerialPort::UnsupportedOperationError, why);
        return false;
    }
    m_settings = *parsed;
    if (m_lost)
        return false;
    return !m_port->isOpen() || applyLineSettings();
}

bool CommControl::setHandshaking(int mode)
{
    resetError();
    if (mode != 0 && mode != 1) {
        fail(QSerialPort::UnsupportedOperationError,
             u"handshaking %1 is not known (0 none, 1 XON/XOFF)"_s.arg(mode));
        return false;
    }
    m_handshaking = mode;
    if (m_lost)
        return false;
    return !m_port->isOpen() || applyHandshaking();
}

bool CommControl::setRTSEnable(bool on)
{
    resetError();
    m_rts = on;
    if (m_lost)
        return false;
    return !m_port->isOpen() || applySignal(true, on);
}

bool CommControl::setDTREnable(bool on)
{
    resetError();
    m_dtr = on;
    if (m_lost)
        return false;
    return !m_port->isOpen() || applySignal(false, on);
}

void CommControl::setInputMode(int mode)
{
    Q_UNUSED(mode);
}

QByteArray CommControl::input()
{
    if (m_lost)
        return std::exchange(m_leftover, QByteArray());
    if (!portOpen())
        return {};
    return m_port->readAll();
}

qint64 CommControl::bytesWaiting() const
{
    if (m_lost)
        return m_leftover.size();
    return portOpen() ? m_port->bytesAvailable() : 0;
}

bool CommControl::output(const QByteArray &bytes)
{
    resetError();
    if (m_lost)
        return false;
    if (!m_port->isOpen()) {
        fail(QSerialPort::NotOpenError, u"COM %1 is not open"_s.arg(m_commPort));
        return false;
    }
    qint64 written = -1;
    const ErrorVerdict verdict = runStep(SerialStep::Transfer, [&] { written = m_port->write(bytes); });
    return verdict == ErrorVerdict::Ignore && written == bytes.size();
}

void CommControl::clearInBuffer()
{
    m_leftover.clear();
    if (!portOpen())
        return;
    runStep(SerialStep::Transfer, [this] {
        m_port->readAll();
        m_port->clear(QSerialPort::Input);
    });
}

void CommControl::clearOutBuffer()
{
    if (!portOpen())
        return;
    // Only what could not leave is dropped: flushing the driver after a
    // complete drain would, on a pseudo-terminal, take back from the other
    // side bytes it has not read yet.
    if (drainOutput() || !portOpen())
        return;
    runStep(SerialStep::Transfer, [this] { m_port->clear(QSerialPort::Output); });
}

int CommControl::commEvent() const
{
    return m_event;
}

bool CommControl::deviceLost() const
{
    return m_lost;
}

QString CommControl::errorString() const
{
    return m_errorString;
}

QSerialPort::SerialPortError CommControl::lastError() const
{
    return m_lastError;
}

void CommControl::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    if (m_step) {
        noteStepError(classifySerialError(*m_step, error), error, m_port->errorString());
        return;
    }
    if (m_lost)
        return;
    switch (classifySerialError(SerialStep::Transfer, error)) {
    case ErrorVerdict::DeviceLost:
        // At once: a hung-up device keeps raising the error while the port stays open.
        becomeLost(error, m_port->errorString());
        break;
    case ErrorVerdict::Failure:
        fail(error, m_port->errorString());
        break;
    case ErrorVerdict::Ignore:
    case ErrorVerdict::Unsupported:
        break;
    }
}

void CommControl::onReadyRead()
{
    m_event = EventReceive;
    Q_EMIT received();
}

template<typename Call>
ErrorVerdict CommControl::runStep(SerialStep step, Call &&call)
{
    // A slot of received() may call back into the control while a wait
    // inside a step reads bytes; the outer step then acts on what the inner raised.
    const std::optional<SerialStep> outerStep = m_step;
    const ErrorVerdict outerVerdict = m_stepVerdict;
    const QSerialPort::SerialPortError outerError = m_stepError;
    const QString outerErrorString = m_stepErrorString;

    m_step = step;
    m_stepVerdict = ErrorVerdict::Ignore;
    m_stepError = QSerialPort::NoError;
    m_stepErrorString.clear();
    call();
    const ErrorVerdict verdict = m_stepVerdict;
    const QSerialPort::SerialPortError error = m_stepError;
    const QString errorString = m_stepErrorString;

    m_step = outerStep;
    m_stepVerdict = outerVerdict;
    m_stepError = outerError;
    m_stepErrorString = outerErrorString;
    if (outerStep) {
        noteStepError(verdict, error, errorString);
        return verdict;
    }
    if (verdict == ErrorVerdict::DeviceLost)
        becomeLost(error, errorString);
    else if (verdict == ErrorVerdict::Failure)
        fail(error, errorString);
    return verdict;
}

void CommControl::noteStepError(ErrorVerdict verdict, QSerialPort::SerialPortError error,
                                const QString &errorString)
{
    if (verdict == m_stepVerdict || worseVerdict(verdict, m_stepVerdict) != verdict)
        return;
    m_stepVerdict = verdict;
    m_stepError = error;
    m_stepErrorString = errorString;
}

bool CommControl::applyLineSettings()
{
    m_settingsSinceOpen = m_settings;
    const auto framing = [this](auto &&call) {
        const ErrorVerdict verdict = runStep(SerialStep::Framing, call);
        return verdict == ErrorVerdict::Ignore || verdict == ErrorVerdict::Unsupported;
    };
    return framing([this] { m_port->setBaudRate(m_settings.baudRate); })
        && framing([this] { m_port->setDataBits(m_settings.dataBits); })
        && framing([this] { m_port->setParity(m_settings.parity); })
        && framing([this] { m_port->setStopBits(m_settings.stopBits); });
}

bool CommControl::applyHandshaking()
{
    m_handshakingSinceOpen = m_handshaking;
    const auto flow = m_handshaking == 1 ? QSerialPort::SoftwareControl : QSerialPort::NoFlowControl;
    const ErrorVerdict verdict = runStep(SerialStep::Framing, [&] { m_port->setFlowControl(flow); });
    return verdict == ErrorVerdict::Ignore || verdict == ErrorVerdict::Unsupported;
}

bool CommControl::applySignal(bool rts, bool on)
{
    (rts ? m_rtsSinceOpen : m_dtrSinceOpen) = on;
    const ErrorVerdict verdict = runStep(SerialStep::Signal, [&] {
        if (rts)
            m_port->setRequestToSend(on);
        else
            m_port->setDataTerminalReady(on);
    });
    return verdict == ErrorVerdict::Ignore || verdict == ErrorVerdict::Unsupported;
}

bool CommControl::drainOutput()
{
    const QDeadlineTimer deadline(kDrainBoundMs);
    runStep(SerialStep::Drain, [&] {
        while (m_port->bytesToWrite() > 0 && !deadline.hasExpired()) {
            if (!m_port->waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
                break;
        }
    });
    if (!portOpen())
        return false;
    return m_port->bytesToWrite() == 0 && waitForOutputQueueEmpty(int(m_port->handle()), deadline);
}

void CommControl::becomeLost(QSerialPort::SerialPortError error, const QString &reason)
{
    if (m_lost)
        return;
    m_lost = true;
    m_event = EventDeviceLost;
    // A hung-up device reports ReadError with whatever errno was left over,
    // which would only mislead the reader.
    QString text = u"COM %1 (%2): the device was disconnected"_s.arg(m_openPort).arg(m_openPath);
    if (error != QSerialPort::ReadError && !reason.isEmpty())
        text += u" (%1)"_s.arg(reason);
    fail(QSerialPort::ResourceError, text);
    // Bytes Qt read before the hang-up are still the instrument's data.
    if (m_port->isOpen()) {
        m_leftover = m_port->readAll();
        m_port->close();
    }
    Q_EMIT lost(text);
}

void CommControl::fail(QSerialPort::SerialPortError error, const QString &reason)
{
    m_lastError = error;
    m_errorString = reason;
}

void CommControl::resetError()
{
    if (m_lost)
        return;
    m_lastError = QSerialPort::NoError;
    m_errorString.clear();
}
