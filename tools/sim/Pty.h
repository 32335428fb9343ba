// A pseudo-terminal pair for the simulated instrument: the instrument keeps
// the master side, the program opens the slave side as its serial port.
#pragma once

#include <QString>

// The line settings the program has put on its side of the pair.
struct PtyLineSettings
{
    int baud = 0;
    int dataBits = 0;
    char parity = 'n';  // 'n', 'e' or 'o'
    int stopBits = 0;
    bool xonXoff = false;  // the program's side obeys XON/XOFF from the instrument
};

class Pty
{
public:
    // The speed the line rests at while no program holds it: the pair starts
    // with it, and the serial layer puts it back when the program closes.
    static constexpr int RestingBaud = 50;

    // Opens a pair in raw mode (no echo, no line editing), so bytes pass
    // through unchanged in both directions. isOpen() tells whether it worked.
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    // The device path the program opens, e.g. /dev/pts/5.
    QString slavePath() const { return m_slavePath; }

    // A descriptor of the slave side that stays open for the life of the pair.
    int slaveFd() const { return m_slaveKeep; }
    // Bytes that arrived on the slave side and that the program has not read yet.
    qint64 unreadBytes() const;
    PtyLineSettings slaveSettings() const;

    // Closes the master side: the program's side sees the device vanish.
    void closeMaster();

    // Links <programFolder>/ports/com<n> to the slave device (replacing an old link).
    bool linkAsCom(const QString &programFolder, int n) const;

private:
    int m_master = -1;
    int m_slaveKeep = -1;
    QString m_slavePath;
};
