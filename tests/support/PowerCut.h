// What a power cut may leave on the disk at any moment of a program's run,
// in the spirit of ALICE ("All File Systems Are Not Created Equal", OSDI
// 2014): the program runs under strace, its file-system calls are replayed
// on a model of the folder it works in, and after every call that changes
// the disk the model lists the states a power cut at that moment may leave.
//
// The model is pessimistic:
//   - data survive once their file was synced (fsync, fdatasync); unsynced
//     writes may be lost whole or in part, a cut write may leave its first
//     half, and a file whose size grew may come back with zeros where the
//     unsynced bytes were;
//   - a new, renamed or removed name survives once its folder was synced
//     (fsync of the folder); before that any of the folder's unsynced name
//     changes may or may not have reached the disk, each rename whole;
//   - sync() and syncfs() make everything durable.
// Only the folder given (the root) is modelled; what the program does
// elsewhere is ignored. Reads from the serial device and writes to standard
// error are kept with their times, for the promises that depend on them.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

// One state of the root after a power cut: relative path → content for files,
// "path/" → empty for folders, "path" → "-> target" for symbolic links.
using DiskState = QMap<QString, QByteArray>;

struct TracedCall
{
    int thread = 0;
    double time = 0;       // seconds since the epoch, as strace -ttt prints it
    QString name;
    QList<QByteArray> args;
    qint64 result = 0;     // -1 on failure
};

// The calls of a trace written by strace -f -ttt -xx (a call split by
// another thread's is joined, at the time it returned).
QList<TracedCall> parseStrace(const QByteArray &trace);
// The bytes of a string argument as strace -xx prints it ("\x41\x42").
QByteArray straceString(const QByteArray &arg);

// The strace options the model needs: which calls, how strings are shown.
QStringList straceOptions(const QString &traceFile);

class PowerCut
{
public:
    struct Moment
    {
        int call = 0;              // the index of the call after which the power fails ...
        int nextChange = 0;        // ... at the latest just before this call (or at the end of the run)
        double latest = 0;         // the time of that next call; infinity after the run
        bool afterRun = false;
    };
    struct Received
    {
        int call;
        double time;
        QByteArray bytes;
    };

    // root: the folder the program works in, as it was before the run;
    // workingFolder: the program's current folder, for relative paths.
    PowerCut(const QString &root, const QString &workingFolder);

    // Replays the calls and hands every state a power cut may leave after each
    // call that changed the disk (and after the end of the run) to `check`.
    // Where a moment has more than `sampleLimit` states, that many are drawn
    // from them (seeded), the state with only synced data and names and the
    // state with everything among them. False with error() when a call on the
    // root is not understood.
    bool replay(const QList<TracedCall> &calls, int sampleLimit,
                const std::function<void(const Moment &, const DiskState &)> &check);
    QString error() const { return m_error; }
    // The folder as the model has it after the calls replayed, nothing lost:
    // after a whole run it must be what is on the disk (onDisk), or the model
    // missed a call.
    DiskState current() const;
    static DiskState onDisk(const QString &root);

    // What the program read from the serial device (a /dev/pts/ path) and
    // wrote to standard error, in order, known once replay() has run.
    const QList<Received> &deviceReads() const { return m_deviceReads; }
    const QList<Received> &messages() const { return m_messages; }
    // Moments whose states were all listed, and those that were sampled.
    int moments() const { return m_moments; }
    int sampledMoments() const { return m_sampledMoments; }

private:
    struct DataChange
    {
        qint64 offset = 0;
        QByteArray bytes;      // a write; empty with size >= 0: a truncation
        qint64 size = -1;
    };
    struct NameChange
    {
        int group = 0;         // a rename is one group of two changes
        QString name;
        int node = -1;         // -1: the name goes
    };
    struct Node
    {
        enum Kind { File, Folder, Link } kind = File;
        QByteArray durable;
        QList<DataChange> pending;
        QByteArray current;
        QMap<QString, int> durableNames;
        QList<NameChange> pendingNames;
        QMap<QString, int> currentNames;
        QByteArray target;
    };
    struct Descriptor
    {
        int node = -1;         // -1: outside the root
        qint64 offset = 0;
        bool append = false;
        bool device = false;
        QString path;
    };

    int scan(const QString &path);
    QString absolute(const QByteArray &dirfd, const QByteArray &path) const;
    bool inRoot(const QString &path) const;
    // The folder node and the name in it for a path in the root; -1 when a
    // folder on the way is missing.
    int parentOf(const QString &path, QString *name) const;
    int lookup(const QString &path) const;
    int newNode(Node::Kind kind);
    void changeName(int folder, const QString &name, int node, int group);
    bool setName(const TracedCall &call, const QString &path, int node);
    void changeData(int node, const DataChange &change);
    void syncData(int node);
    void syncNames(int folder);
    bool apply(const TracedCall &call, int index);
    bool fail(const TracedCall &call, const QString &why);

    QList<QByteArray> dataVariants(const Node &node) const;
    void listStates(const Moment &moment, int sampleLimit,
                    const std::function<void(const Moment &, const DiskState &)> &check);
    void walk(int folder, const QString &prefix, const QMap<int, QMap<QString, int>> &names,
              const QMap<int, QByteArray> &data, DiskState &state, QCryptographicHash &key) const;

    QString m_root;
    QString m_workingFolder;
    QList<Node> m_nodes;
    int m_rootNode = 0;
    int m_groups = 0;
    QMap<int, Descriptor> m_descriptors;
    QList<Received> m_deviceReads;
    QList<Received> m_messages;
    QString m_error;
    bool m_changed = false;
    int m_moments = 0;
    int m_sampledMoments = 0;
};
