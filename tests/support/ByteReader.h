// What a program writes into a descriptor (the instrument's side of a
// pseudo-terminal, a FIFO, a pipe, the program's side of a line), read
// without blocking whenever the event loop runs and kept in order; and a
// pseudo-terminal whose master side a test reads that way.
#pragma once

#include "Pty.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QString>

#include <memory>

class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(int fd) { start(fd); }
    ~ByteReader();
    ByteReader(const ByteReader &) = delete;
    ByteReader &operator=(const ByteReader &) = delete;

    // Reads fd, made non-blocking, from now until stop(); fd stays the caller's.
    void start(int fd);
    // Opens path with these open(2) flags and reads it; the descriptor is
    // this reader's and is closed with it. False when it cannot be opened.
    bool open(const QString &path, int flags);
    void stop();
    // The descriptor read, -1 when none.
    int fd() const { return m_fd; }
    // Everything read so far, with what the event loop has not delivered yet.
    QByteArray all();
    // Waits, the event loop running, until what was read holds text; false
    // after timeoutMs (by default a bound against a hang, not a timing).
    bool waitFor(const QByteArray &text, int timeoutMs = 20000);
    // Waits until nothing more came for quietMs; everything read so far.
    QByteArray untilQuiet(int quietMs);

    QByteArray bytes;

private:
    // Reads what is there; false when the other side is gone (end of file
    // or an error), after which the descriptor stays readable for ever.
    bool readAvailable();

    int m_fd = -1;
    int m_opened = -1;   // the descriptor open() made
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// The test holds the master side: the instrument's end of a scripted line,
// or the terminal a program writes its messages to.
class PtyReader : public ByteReader
{
public:
    PtyReader();
    ~PtyReader();

    Pty &pty() { return m_pty; }
    // The device the program opens.
    QString path() const { return m_pty.slavePath(); }
    // Writes all of bytes as the instrument (or the user at the terminal).
    void write(const QByteArray &bytes);
    // The device goes away: the program's side sees it vanish.
    void pull();

private:
    Pty m_pty;
};
