// Which files of a folder are opened or read, as the kernel reports it
// (inotify), whoever opens them: the benchmark sees the program's reads from
// outside. A thread of its own drains the kernel's queue, so a long listing
// does not overflow it.
#pragma once

#include <QSet>
#include <QString>

#include <mutex>
#include <thread>

class FolderReads
{
public:
    explicit FolderReads(const QString &folder);
    ~FolderReads();
    FolderReads(const FolderReads &) = delete;
    FolderReads &operator=(const FolderReads &) = delete;

    // False with error() when the folder cannot be watched.
    bool isWatching() const { return m_fd >= 0; }
    QString error() const { return m_error; }

    struct Reads
    {
        qsizetype files = 0;      // distinct files opened or read; hidden files left out
        bool overflowed = false;  // the kernel dropped events: files is a lower bound
    };
    // What happened since the last take(), up to now.
    Reads take();

private:
    void drain();
    void run();

    int m_fd = -1;
    int m_stop = -1;   // an eventfd that ends the thread
    QString m_error;
    std::thread m_thread;
    std::mutex m_mutex;   // guards the two below
    QSet<QString> m_names;
    bool m_overflowed = false;
};
