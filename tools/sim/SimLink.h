// The ports/comN link that leads the program to the simulated instrument. It
// replaces only a link into /dev/pts (an earlier simulator's), and removes only
// what it made itself.
#pragma once

#include <QString>

class SimLink
{
public:
    SimLink() = default;
    ~SimLink();
    SimLink(const SimLink &) = delete;
    SimLink &operator=(const SimLink &) = delete;

    bool create(const QString &programFolder, int n, const QString &target);
    // Removes the link if it still leads to our target, and the ports folder if
    // we made it and it is empty.
    void remove();

    QString path() const { return m_path; }
    bool replacedOld() const { return m_replacedOld; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_target;
    QString m_createdFolder;
    bool m_replacedOld = false;
    QString m_error;
};
