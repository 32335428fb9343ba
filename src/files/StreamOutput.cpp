#include "StreamOutput.h"

#include "SystemCalls.h"

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString reasonOf(int error)
{
    return qt_error_string(error);
}

} // namespace

StreamOutput::StreamOutput(QObject *parent)
    : QObject(parent)
{
}

StreamOutput::~StreamOutput()
{
    if (m_owned)
        sys::close(m_fd, m_name);
}

bool StreamOutput::openStandardOutput(QString *reason)
{
    m_name = u"standard output"_s;
    struct stat info {};
    if (const sys::Status status = sys::fstat(STDOUT_FILENO, m_name, &info); !status.ok()) {
        *reason = reasonOf(status.error);
        return false;
    }
    // A regular file ("meridoc read > file") never makes a write wait, and
    // the shell's descriptor keeps its position and its append mode.
    if (S_ISREG(info.st_mode)) {
        m_fd = STDOUT_FILENO;
        return true;
    }
    // A pipe, a terminal: a descriptor of our own that does not block, so the
    // shell's descriptor (shared with others) keeps its flags.
    int fd = -1;
    if (sys::open(u"/proc/self/fd/1"_s, O_WRONLY | O_NONBLOCK | O_NOCTTY, &fd).ok()) {
        adopt(fd);
        return true;
    }
    // A socket cannot be opened again, and a pipe whose reader is gone
    // already neither: written as it is (the first write finds a gone reader).
    m_fd = STDOUT_FILENO;
    return true;
}

bool StreamOutput::openPath(const QString &path, const std::function<void()> &waitingForReader, QString *reason)
{
    m_name = path;
    int fd = -1;
    sys::Status opened = sys::open(path, O_WRONLY | O_NONBLOCK | O_NOCTTY, &fd);
    std::error_code ignored;
    if (opened.error == ENXIO && std::filesystem::is_fifo(QFile::encodeName(path).toStdString(), ignored)) {
        if (waitingForReader)
            waitingForReader();
        opened = sys::open(path, O_WRONLY | O_NOCTTY, &fd);
        // Our own descriptor: from now on its writes must not wait either.
        if (opened.ok())
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    if (!opened.ok()) {
        *reason = reasonOf(opened.error);
        return false;
    }
    adopt(fd);
    return true;
}

void StreamOutput::adopt(int fd)
{
    m_fd = fd;
    m_owned = true;
}

void StreamOutput::write(const QByteArray &bytes)
{
    if (m_state != State::Open || bytes.isEmpty())
        return;
    m_waiting.append(bytes);
    // While the reader has no room, the notifier writes when it has.
    if (!m_room || !m_room->isEnabled())
        writeWaiting();
}

void StreamOutput::writeWaiting()
{
    while (!m_waiting.isEmpty()) {
        const QByteArray &first = m_waiting.first();
        qint64 written = 0;
        const sys::Status status = sys::write(m_fd, QByteArrayView(first).sliced(m_firstWritten), m_name, &written);
        m_firstWritten += written;
        if (!status.ok()) {
            if (status.error == EAGAIN || status.error == EWOULDBLOCK) {
                waitForRoom();
                return;
            }
            stop(status.error);
            return;
        }
        m_waiting.removeFirst();
        m_firstWritten = 0;
    }
    if (m_room)
        m_room->setEnabled(false);
    if (m_finishing)
        m_finishing->quit();
}

void StreamOutput::waitForRoom()
{
    if (!m_room) {
        m_room = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        connect(m_room, &QSocketNotifier::activated, this, &StreamOutput::writeWaiting);
    }
    m_room->setEnabled(true);
}

void StreamOutput::stop(int error)
{
    m_state = error == EPIPE ? State::ReaderGone : State::Failed;
    m_error = reasonOf(error);
    m_waiting.clear();
    if (m_room)
        m_room->setEnabled(false);
    if (m_finishing)
        m_finishing->quit();
    if (m_state == State::ReaderGone)
        Q_EMIT readerGone();
    else
        Q_EMIT failed(m_error);
}

bool StreamOutput::finish()
{
    if (m_state == State::Open && !m_waiting.isEmpty() && !m_givenUp) {
        QEventLoop loop;
        m_finishing = &loop;
        loop.exec();
        m_finishing = nullptr;
    }
    return m_state == State::Open && !m_givenUp && m_waiting.isEmpty();
}

void StreamOutput::giveUp()
{
    m_givenUp = true;
    m_waiting.clear();
    if (m_room)
        m_room->setEnabled(false);
    if (m_finishing)
        m_finishing->quit();
}
