#include "ByteReader.h"

#include <QFile>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

void ByteReader::start(int fd)
{
    if (fd < 0)
        return;
    m_fd = fd;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        if (!readAvailable())
            m_notifier->setEnabled(false);
    });
}

ByteReader::~ByteReader()
{
    stop();
    if (m_opened >= 0)
        ::close(m_opened);
}

bool ByteReader::open(const QString &path, int flags)
{
    m_opened = ::open(QFile::encodeName(path).constData(), flags);
    start(m_opened);
    return m_opened >= 0;
}

void ByteReader::stop()
{
    m_notifier.reset();
    m_fd = -1;
}

QByteArray ByteReader::all()
{
    readAvailable();
    return bytes;
}

bool ByteReader::waitFor(const QByteArray &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return bytes.contains(text); }, timeoutMs);
}

QByteArray ByteReader::untilQuiet(int quietMs)
{
    qsizetype seen = 0;
    do {
        seen = all().size();
        QTest::qWait(quietMs);
    } while (all().size() != seen);
    return bytes;
}

bool ByteReader::readAvailable()
{
    if (m_fd < 0)
        return true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

PtyReader::PtyReader()
{
    start(m_pty.masterFd());
}

PtyReader::~PtyReader()
{
    stop();
}

void PtyReader::write(const QByteArray &bytes)
{
    QCOMPARE(::write(m_pty.masterFd(), bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
}

void PtyReader::pull()
{
    stop();
    m_pty.closeMaster();
}
