#include "PowerCut.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <limits>
#include <random>

using namespace Qt::StringLiterals;

namespace {

// Splits strace's argument text at its top-level commas.
QList<QByteArray> splitArguments(QByteArrayView text)
{
    QList<QByteArray> args;
    int depth = 0;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[' || c == '{' || c == '(') {
            ++depth;
        } else if (c == ']' || c == '}' || c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            args.append(text.sliced(start, i - start).trimmed().toByteArray());
            start = i + 1;
        }
    }
    if (start < text.size())
        args.append(text.sliced(start).trimmed().toByteArray());
    return args;
}

qint64 number(const QByteArray &arg)
{
    bool ok = false;
    const qint64 value = arg.toLongLong(&ok, 0);
    return ok ? value : -1;
}

QByteArray applied(QByteArray bytes, qint64 offset, const QByteArray &data, qint64 size)
{
    if (size >= 0) {
        const qsizetype old = bytes.size();
        bytes.resize(size);
        if (size > old)
            std::fill(bytes.begin() + old, bytes.end(), '\0');
        return bytes;
    }
    if (offset > bytes.size())
        bytes.append(QByteArray(offset - bytes.size(), '\0'));
    if (offset + data.size() > bytes.size())
        bytes.resize(offset + data.size());
    std::copy(data.begin(), data.end(), bytes.begin() + offset);
    return bytes;
}

} // namespace

QByteArray straceString(const QByteArray &arg)
{
    QByteArray bytes;
    qsizetype i = arg.indexOf('"');
    if (i < 0)
        return bytes;
    for (++i; i < arg.size() && arg[i] != '"'; ++i) {
        if (arg[i] != '\\') {
            bytes.append(arg[i]);
            continue;
        }
        const char kind = arg[++i];
        if (kind == 'x') {
            bytes.append(char(arg.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else {
            static const QByteArray from = "nrt0\\\"";
            static const QByteArray to = QByteArray("\n\r\t\0\\\"", 6);
            bytes.append(to.at(std::max<qsizetype>(0, from.indexOf(kind))));
        }
    }
    return bytes;
}

QList<TracedCall> parseStrace(const QByteArray &trace)
{
    static const QByteArray unfinishedMark = " <unfinished ...>";
    QList<TracedCall> calls;
    QMap<int, QByteArray> unfinished;
    // "1234  1796660591.325583 name(...": strace pads the thread number.
    static const QRegularExpression head(u"^(\\d+) +(\\d+\\.\\d+) "_s);
    for (const QByteArray &line : trace.split('\n')) {
        const QRegularExpressionMatch start = head.match(QString::fromLatin1(line.left(40)));
        if (!start.hasMatch())
            continue;
        const int thread = start.captured(1).toInt();
        const double time = start.captured(2).toDouble();
        QByteArray rest = line.mid(start.capturedEnd());
        if (rest.startsWith("+++") || rest.startsWith("---"))
            continue;
        if (rest.startsWith("<... ")) {
            rest = unfinished.take(thread) + rest.mid(rest.indexOf("resumed>") + 8);
        } else if (rest.endsWith(unfinishedMark)) {
            unfinished[thread] = rest.chopped(unfinishedMark.size());
            continue;
        }
        // "name(args) = result", strace pads short calls: "fsync(4)    = 0".
        static const QRegularExpression tail(u"\\)\\s*= (\\S+)[^)]*$"_s);
        const qsizetype open = rest.indexOf('(');
        const QRegularExpressionMatch end = tail.match(QString::fromLatin1(rest));
        if (open < 0 || !end.hasMatch() || end.capturedStart() < open)
            continue;
        const qsizetype close = end.capturedStart();
        TracedCall call;
        call.thread = thread;
        call.time = time;
        call.name = QString::fromLatin1(rest.left(open));
        call.args = splitArguments(QByteArrayView(rest).sliced(open + 1, close - open - 1));
        const QByteArray result = end.captured(1).toLatin1();
        if (result == "?")
            continue;
        call.result = number(result);
        calls.append(call);
    }
    return calls;
}

QStringList straceOptions(const QString &traceFile)
{
    return {u"-f"_s, u"-ttt"_s, u"-qq"_s, u"-xx"_s, u"-s"_s, u"1000000"_s, u"-o"_s, traceFile, u"-e"_s,
            u"trace=open,openat,creat,read,write,pwrite64,writev,lseek,ftruncate,fsync,fdatasync,sync,syncfs,"
            "rename,renameat,renameat2,link,linkat,unlink,unlinkat,mkdir,mkdirat,rmdir,symlink,symlinkat,close,"
            "dup,dup2,dup3,fcntl"_s};
}

PowerCut::PowerCut(const QString &root, const QString &workingFolder)
    : m_root(QDir::cleanPath(QFileInfo(root).absoluteFilePath()))
    , m_workingFolder(QDir::cleanPath(workingFolder))
{
    m_rootNode = scan(m_root);
}

int PowerCut::newNode(Node::Kind kind)
{
    Node node;
    node.kind = kind;
    m_nodes.append(node);
    return int(m_nodes.size() - 1);
}

// The folder as it is on the disk before the run, all of it durable.
int PowerCut::scan(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const int node = newNode(Node::Link);
        m_nodes[node].target = QFile::encodeName(info.symLinkTarget());
        return node;
    }
    if (!info.isDir()) {
        const int node = newNode(Node::File);
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            m_nodes[node].durable = m_nodes[node].current = file.readAll();
        return node;
    }
    const int node = newNode(Node::Folder);
    const QStringList names =
        QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const int child = scan(path + u'/' + name);
        m_nodes[node].durableNames.insert(name, child);
    }
    m_nodes[node].currentNames = m_nodes[node].durableNames;
    return node;
}

QString PowerCut::absolute(const QByteArray &dirfd, const QByteArray &pathArg) const
{
    const QString path = QFile::decodeName(straceString(pathArg));
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    QString base = m_workingFolder;
    if (!dirfd.isEmpty() && dirfd != "AT_FDCWD")
        base = m_descriptors.value(int(number(dirfd))).path;
    return QDir::cleanPath(path.isEmpty() ? base : base + u'/' + path);
}

bool PowerCut::inRoot(const QString &path) const
{
    return path == m_root || path.startsWith(m_root + u'/');
}

int PowerCut::lookup(const QString &path) const
{
    if (!inRoot(path))
        return -1;
    int node = m_rootNode;
    for (const QString &part : path.mid(m_root.size()).split(u'/', Qt::SkipEmptyParts)) {
        if (m_nodes.at(node).kind != Node::Folder)
            return -1;
        node = m_nodes.at(node).currentNames.value(part, -1);
        if (node < 0)
            return -1;
    }
    return node;
}

int PowerCut::parentOf(const QString &path, QString *name) const
{
    const qsizetype slash = path.lastIndexOf(u'/');
    *name = path.mid(slash + 1);
    const int folder = lookup(path.left(slash));
    return folder >= 0 && m_nodes.at(folder).kind == Node::Folder ? folder : -1;
}

void PowerCut::changeName(int folder, const QString &name, int node, int group)
{
    Node &f = m_nodes[folder];
    f.pendingNames.append({group, name, node});
    if (node < 0)
        f.currentNames.remove(name);
    else
        f.currentNames.insert(name, node);
}

void PowerCut::changeData(int node, const DataChange &change)
{
    Node &n = m_nodes[node];
    n.pending.append(change);
    n.current = applied(n.current, change.offset, change.bytes, change.size);
}

void PowerCut::syncData(int node)
{
    m_nodes[node].durable = m_nodes[node].current;
    m_nodes[node].pending.clear();
}

void PowerCut::syncNames(int folder)
{
    m_nodes[folder].durableNames = m_nodes[folder].currentNames;
    m_nodes[folder].pendingNames.clear();
}

// A name made (node >= 0) or removed (-1) at the path in the root.
bool PowerCut::setName(const TracedCall &call, const QString &path, int node)
{
    QString leaf;
    const int folder = parentOf(path, &leaf);
    if (folder < 0)
        return fail(call, u"no folder for "_s + path);
    changeName(folder, leaf, node, ++m_groups);
    m_changed = true;
    return true;
}

bool PowerCut::fail(const TracedCall &call, const QString &why)
{
    m_error = u"%1 at %2: %3"_s.arg(call.name).arg(call.time, 0, 'f', 6).arg(why);
    return false;
}

// Applies one call to the model; m_changed tells whether it changed what a
// power cut may leave.
bool PowerCut::apply(const TracedCall &call, int index)
{
    const QList<QByteArray> &a = call.args;
    const QString &name = call.name;
    if (call.result < 0)
        return true;
    const auto descriptor = [&](int i) { return m_descriptors.value(int(number(a.value(i))), Descriptor{}); };
    const auto arg = [&](int i) { return a.value(i); };

    if (name == u"open" || name == u"openat" || name == u"creat") {
        const bool at = name == u"openat";
        const QString path = absolute(at ? arg(0) : QByteArray(), arg(at ? 1 : 0));
        const QByteArray flags = name == u"creat" ? QByteArray("O_WRONLY|O_CREAT|O_TRUNC") : arg(at ? 2 : 1);
        Descriptor d;
        d.path = path;
        d.append = flags.contains("O_APPEND");
        d.device = path.startsWith(u"/dev/pts/"_s);
        if (inRoot(path)) {
            if (flags.contains("O_TMPFILE")) {
                d.node = newNode(Node::File);
            } else {
                int node = lookup(path);
                if (node >= 0 && m_nodes.at(node).kind == Node::Link) {
                    const QString target = QFile::decodeName(m_nodes.at(node).target);
                    d.device = target.startsWith(u"/dev/pts/"_s);
                    node = inRoot(target) ? lookup(target) : -2;
                }
                if (node == -1) {
                    QString leaf;
                    const int folder = parentOf(path, &leaf);
                    if (!flags.contains("O_CREAT") || folder < 0)
                        return fail(call, u"opened a file the model does not know: "_s + path);
                    node = newNode(Node::File);
                    changeName(folder, leaf, node, ++m_groups);
                    m_changed = true;
                } else if (node >= 0 && flags.contains("O_TRUNC") && m_nodes.at(node).kind == Node::File) {
                    changeData(node, {0, {}, 0});
                    m_changed = true;
                }
                d.node = std::max(node, -1);
            }
        }
        m_descriptors.insert(int(call.result), d);
        return true;
    }
    if (name == u"close") {
        m_descriptors.remove(int(number(arg(0))));
        return true;
    }
    if (name == u"dup" || name == u"dup2" || name == u"dup3") {
        m_descriptors.insert(int(call.result), descriptor(0));
        return true;
    }
    if (name == u"fcntl") {
        if (arg(1).startsWith("F_DUPFD"))
            m_descriptors.insert(int(call.result), descriptor(0));
        return true;
    }
    if (name == u"lseek") {
        const int fd = int(number(arg(0)));
        if (m_descriptors.contains(fd))
            m_descriptors[fd].offset = call.result;
        return true;
    }
    if (name == u"read") {
        const Descriptor d = descriptor(0);
        if (d.device && call.result > 0)
            m_deviceReads.append({index, call.time, straceString(arg(1)).left(call.result)});
        return true;
    }
    if (name == u"write" || name == u"writev" || name == u"pwrite64") {
        const int fd = int(number(arg(0)));
        QByteArray data;
        if (name == u"writev") {
            static const QRegularExpression base(u"iov_base=(\"[^\"]*\")"_s);
            for (const QRegularExpressionMatch &m : base.globalMatch(QString::fromLatin1(arg(1))))
                data += straceString(m.captured(1).toLatin1());
        } else {
            data = straceString(arg(1));
        }
        data.truncate(call.result);
        if (!m_descriptors.contains(fd)) {
            if (fd == 2)
                m_messages.append({index, call.time, data});
            return true;
        }
        Descriptor &d = m_descriptors[fd];
        if (d.node < 0)
            return true;
        if (m_nodes.at(d.node).kind != Node::File)
            return fail(call, u"a write to a folder"_s);
        const qint64 offset = name == u"pwrite64" ? number(arg(3))
                            : d.append            ? m_nodes.at(d.node).current.size()
                                                  : d.offset;
        changeData(d.node, {offset, data, -1});
        if (name != u"pwrite64")
            d.offset = offset + data.size();
        m_changed = true;
        return true;
    }
    if (name == u"ftruncate") {
        const Descriptor d = descriptor(0);
        if (d.node >= 0) {
            changeData(d.node, {0, {}, number(arg(1))});
            m_changed = true;
        }
        return true;
    }
    if (name == u"fsync" || name == u"fdatasync") {
        const Descriptor d = descriptor(0);
        if (d.node >= 0) {
            if (m_nodes.at(d.node).kind == Node::Folder)
                syncNames(d.node);
            else
                syncData(d.node);
            m_changed = true;
        }
        return true;
    }
    if (name == u"sync" || name == u"syncfs") {
        for (int node = 0; node < m_nodes.size(); ++node) {
            syncData(node);
            syncNames(node);
        }
        m_changed = true;
        return true;
    }
    if (name == u"mkdir" || name == u"mkdirat" || name == u"symlink" || name == u"symlinkat") {
        const bool at = name.endsWith(u"at");
        const bool link = name.startsWith(u"symlink");
        const QString path = link ? absolute(at ? arg(1) : QByteArray(), arg(at ? 2 : 1))
                                  : absolute(at ? arg(0) : QByteArray(), arg(at ? 1 : 0));
        if (!inRoot(path))
            return true;
        const int node = newNode(link ? Node::Link : Node::Folder);
        if (link)
            m_nodes[node].target = straceString(arg(0));
        return setName(call, path, node);
    }
    if (name == u"unlink" || name == u"unlinkat" || name == u"rmdir") {
        const bool at = name == u"unlinkat";
        const QString path = absolute(at ? arg(0) : QByteArray(), arg(at ? 1 : 0));
        return inRoot(path) ? setName(call, path, -1) : true;
    }
    if (name == u"rename" || name == u"renameat" || name == u"renameat2") {
        const bool at = name != u"rename";
        if (name == u"renameat2" && arg(4).contains("RENAME_EXCHANGE"))
            return fail(call, u"RENAME_EXCHANGE is not modelled"_s);
        const QString from = absolute(at ? arg(0) : QByteArray(), arg(at ? 1 : 0));
        const QString to = absolute(at ? arg(2) : QByteArray(), arg(at ? 3 : 1));
        if (!inRoot(from) && !inRoot(to))
            return true;
        QString fromLeaf, toLeaf;
        const int fromFolder = parentOf(from, &fromLeaf);
        const int toFolder = parentOf(to, &toLeaf);
        const int node = lookup(from);
        if (fromFolder < 0 || fromFolder != toFolder || node < 0)
            return fail(call, u"only renames within one folder of the root are modelled"_s);
        const int group = ++m_groups;
        changeName(fromFolder, fromLeaf, -1, group);
        changeName(toFolder, toLeaf, node, group);
        m_changed = true;
        return true;
    }
    if (name == u"link" || name == u"linkat") {
        const bool at = name == u"linkat";
        const QString to = absolute(at ? arg(2) : QByteArray(), arg(at ? 3 : 1));
        if (!inRoot(to))
            return true;
        int node = -1;
        const QString from = absolute(at ? arg(0) : QByteArray(), arg(at ? 1 : 0));
        static const QRegularExpression procFd(u"^/proc/(?:self|\\d+)/fd/(\\d+)$"_s);
        if (const QRegularExpressionMatch m = procFd.match(from); m.hasMatch())
            node = m_descriptors.value(m.captured(1).toInt()).node;
        else if (at && arg(4).contains("AT_EMPTY_PATH"))
            node = descriptor(0).node;
        else
            node = lookup(from);
        if (node < 0)
            return fail(call, u"a link from outside the root: "_s + to);
        return setName(call, to, node);
    }
    return true;
}

DiskState PowerCut::current() const
{
    QMap<int, QMap<QString, int>> names;
    QMap<int, QByteArray> data;
    for (int n = 0; n < m_nodes.size(); ++n) {
        names.insert(n, m_nodes.at(n).currentNames);
        data.insert(n, m_nodes.at(n).current);
    }
    DiskState state;
    QCryptographicHash key(QCryptographicHash::Sha1);
    walk(m_rootNode, QString(), names, data, state, key);
    return state;
}

DiskState PowerCut::onDisk(const QString &root)
{
    DiskState state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString path = QDir(root).relativeFilePath(info.filePath());
        if (info.isSymLink()) {
            state.insert(path, "-> " + QFile::encodeName(info.symLinkTarget()));
        } else if (info.isDir()) {
            state.insert(path + u'/', {});
        } else {
            QFile file(info.filePath());
            state.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
        }
    }
    return state;
}

bool PowerCut::replay(const QList<TracedCall> &calls, int sampleLimit,
                      const std::function<void(const Moment &, const DiskState &)> &check)
{
    int lastChange = -1;
    for (int i = 0; i < calls.size(); ++i) {
        const QList<Node> before = m_nodes;
        m_changed = false;
        if (!apply(calls.at(i), i))
            return false;
        if (!m_changed)
            continue;
        // The states between the previous change and this one.
        QList<Node> after = std::exchange(m_nodes, before);
        listStates({lastChange, i, calls.at(i).time, false}, sampleLimit, check);
        m_nodes = std::move(after);
        lastChange = i;
    }
    listStates({lastChange, int(calls.size()), std::numeric_limits<double>::infinity(), true}, sampleLimit, check);
    return true;
}

// Every content a power cut may leave in the file (pessimistic model).
QList<QByteArray> PowerCut::dataVariants(const Node &node) const
{
    QList<QByteArray> variants{node.durable};
    QByteArray bytes = node.durable;
    for (const DataChange &change : node.pending) {
        if (change.size < 0 && change.bytes.size() >= 2)
            variants.append(applied(bytes, change.offset, change.bytes.left(change.bytes.size() / 2), -1));
        bytes = applied(bytes, change.offset, change.bytes, change.size);
        variants.append(bytes);
    }
    if (!node.pending.isEmpty()) {
        // The size reached the disk, the unsynced bytes did not.
        QByteArray zeros = node.durable.left(bytes.size());
        zeros.append(QByteArray(bytes.size() - zeros.size(), '\0'));
        variants.append(zeros);
    }
    QList<QByteArray> distinct;
    for (const QByteArray &v : variants) {
        if (!distinct.contains(v))
            distinct.append(v);
    }
    return distinct;
}

// Fills the state from the chosen names and contents; the key tells states
// apart without hashing the contents of files nobody changed.
void PowerCut::walk(int folder, const QString &prefix, const QMap<int, QMap<QString, int>> &names,
                    const QMap<int, QByteArray> &data, DiskState &state, QCryptographicHash &key) const
{
    const QMap<QString, int> entries = names.value(folder, m_nodes.at(folder).durableNames);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const QString path = prefix + it.key();
        const Node &node = m_nodes.at(it.value());
        key.addData(path.toUtf8() + '\0' + QByteArray::number(it.value()) + '\0');
        if (node.kind == Node::Folder) {
            state.insert(path + u'/', {});
            walk(it.value(), path + u'/', names, data, state, key);
        } else if (node.kind == Node::Link) {
            state.insert(path, "-> " + node.target);
        } else if (data.contains(it.value())) {
            state.insert(path, data.value(it.value()));
            key.addData(QCryptographicHash::hash(data.value(it.value()), QCryptographicHash::Sha1));
        } else {
            state.insert(path, node.durable);
        }
    }
}

void PowerCut::listStates(const Moment &moment, int sampleLimit,
                          const std::function<void(const Moment &, const DiskState &)> &check)
{
    // The dimensions of the choice: each folder's unsynced name changes (each
    // group on or off), each file's content among its variants.
    struct Groups
    {
        int folder;
        QList<int> groups;
    };
    QList<Groups> folders;
    QList<int> files;
    QList<QList<QByteArray>> variants;
    QSet<int> named;
    for (int n = 0; n < m_nodes.size(); ++n) {
        const Node &node = m_nodes.at(n);
        if (node.kind != Node::Folder)
            continue;
        for (int child : node.durableNames)
            named.insert(child);
        for (const NameChange &change : node.pendingNames) {
            named.insert(change.node);
        }
        if (node.pendingNames.isEmpty())
            continue;
        Groups g{n, {}};
        for (const NameChange &change : node.pendingNames) {
            if (!g.groups.contains(change.group))
                g.groups.append(change.group);
        }
        folders.append(g);
    }
    for (int n = 0; n < m_nodes.size(); ++n) {
        if (m_nodes.at(n).kind == Node::File && !m_nodes.at(n).pending.isEmpty() && named.contains(n)) {
            files.append(n);
            variants.append(dataVariants(m_nodes.at(n)));
        }
    }
    QList<int> radix;
    for (const Groups &g : folders) {
        for (qsizetype i = 0; i < g.groups.size(); ++i)
            radix.append(2);
    }
    for (const QList<QByteArray> &v : variants)
        radix.append(int(v.size()));
    double total = 1;
    for (int r : radix)
        total *= r;

    const auto stateOf = [&](const QList<int> &digits) {
        QMap<int, QMap<QString, int>> names;
        int d = 0;
        for (const Groups &g : folders) {
            QSet<int> chosen;
            for (int group : g.groups) {
                if (digits.at(d++))
                    chosen.insert(group);
            }
            QMap<QString, int> entries = m_nodes.at(g.folder).durableNames;
            for (const NameChange &change : m_nodes.at(g.folder).pendingNames) {
                if (!chosen.contains(change.group))
                    continue;
                if (change.node < 0)
                    entries.remove(change.name);
                else
                    entries.insert(change.name, change.node);
            }
            names.insert(g.folder, entries);
        }
        QMap<int, QByteArray> data;
        for (qsizetype f = 0; f < files.size(); ++f)
            data.insert(files.at(f), variants.at(f).at(digits.at(d++)));
        DiskState state;
        QCryptographicHash key(QCryptographicHash::Sha1);
        walk(m_rootNode, QString(), names, data, state, key);
        return std::pair(state, key.result());
    };

    QSet<QByteArray> seen;
    const auto visit = [&](const QList<int> &digits) {
        const auto [state, key] = stateOf(digits);
        if (seen.contains(key))
            return;
        seen.insert(key);
        check(moment, state);
    };

    ++m_moments;
    QList<int> digits(radix.size(), 0);
    if (total <= sampleLimit) {
        for (;;) {
            visit(digits);
            qsizetype i = 0;
            while (i < radix.size() && ++digits[i] == radix.at(i))
                digits[i++] = 0;
            if (i == radix.size())
                break;
        }
        return;
    }
    ++m_sampledMoments;
    visit(digits);   // only what was synced
    // Everything: each name change made, each file as the program left it.
    QList<int> everything;
    for (const Groups &g : folders)
        everything.append(QList<int>(g.groups.size(), 1));
    for (qsizetype f = 0; f < files.size(); ++f)
        everything.append(int(variants.at(f).indexOf(m_nodes.at(files.at(f)).current)));
    visit(everything);
    std::mt19937 random(quint32(moment.call + 2));
    for (int s = 2; s < sampleLimit; ++s) {
        for (qsizetype i = 0; i < radix.size(); ++i)
            digits[i] = int(random() % quint32(radix.at(i)));
        visit(digits);
    }
}
