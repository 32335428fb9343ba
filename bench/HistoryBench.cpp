#include "Benches.h"

#include "FolderReads.h"
#include "HistoryNames.h"
#include "HistoryWindow.h"
#include "InstrumentNames.h"
#include "ProcessUsage.h"
#include "Report.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetShownMs = 500;
constexpr double TargetKeyMs = 100;
constexpr int LinesColumn = 2;
constexpr int KeyPauseMs = 20;   // between the answer to one key and the next key
constexpr int LeastKeys = 20;

QString loadAverage()
{
    QFile file(u"/proc/loadavg"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine().trimmed()) : u"unknown"_s;
}

// Five downloads a working day, newest on 2026-12-07, of every instrument and
// ending, each a few KB of lines as the gauges send them.
bool fillHistory(const QString &folder, int downloads, QString *error)
{
    std::mt19937 random(1);
    QDateTime start(QDate(2026, 12, 7), QTime(16, 40, 13));
    const int instruments = int(std::size(InstrumentNames::All));
    for (int i = 0; i < downloads; ++i) {
        const QString instrument = QString::fromLatin1(InstrumentNames::All[random() % instruments]);
        const unsigned roll = random() % 100;
        const HistoryEnding ending = roll < 90 ? HistoryEnding::Complete
                                   : roll < 96 ? HistoryEnding::StoppedByEsc
                                   : roll < 99 ? HistoryEnding::ConnectionLost
                                               : HistoryEnding::Interrupted;
        const int lines = 100 + int(random() % 400);
        QByteArray bytes;
        bytes.reserve(lines * 12);
        for (int l = 0; l < lines; ++l)
            bytes += QByteArray::number(10 + random() % 900) + " um\r\n";
        if (ending == HistoryEnding::Complete)
            bytes += "End\r\n\r\n\r\n";
        QFile file(QDir(folder).filePath(finishedFileName(journalBaseName(start, instrument), ending)));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
            *error = u"cannot write %1: %2"_s.arg(file.fileName(), file.errorString());
            return false;
        }
        // Working hours on working days: 5 downloads between 7:00 and 17:00.
        start = start.addSecs(-(5400 + qint64(random() % 1800)));
        if (start.time().hour() < 7)
            start = QDateTime(start.date().addDays(start.date().dayOfWeek() == 1 ? -3 : -1), QTime(16, 40, 13));
    }
    return true;
}

struct Opening
{
    double shownMs = -1;         // until the window was shown with its first rows painted
    double countsMs = -1;        // until every row had its count ("?" included)
    double guiCpuSeconds = 0;    // of the GUI thread, until every count was in
    double closedMs = -1;        // from Escape until the window was gone
    int keys = 0;
    double longestKeyMs = 0;
    QString longestKey;
    qsizetype filesRead = 0;
    bool readsOverflowed = false;
};

// Posts each key as a window system would, through the event loop, and
// measures until it was handled: a marker posted behind the key is handled
// right after it.
class KeyDriver : public QObject
{
public:
    std::function<void(double ms)> answered;

    // How long the key posted last has been waiting; 0 once it was answered.
    double waitingMs() const { return m_waiting ? double(m_clock.nsecsElapsed()) / 1e6 : 0; }

    void post(QWidget *target, int key)
    {
        m_waiting = true;
        m_clock.start();
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        m_waiting = false;
        answered(double(m_clock.nsecsElapsed()) / 1e6);
        return true;
    }

private:
    QElapsedTimer m_clock;
    bool m_waiting = false;
};

// Tells when the view first painted rows.
class PaintWatch : public QObject
{
public:
    std::function<void()> painted;
    const QAbstractItemModel *model = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted && model && model->rowCount() > 0) {
            // Once the paint is done.
            QTimer::singleShot(0, this, painted);
            painted = nullptr;
        }
        return QObject::eventFilter(watched, event);
    }
};

Opening measureOpening(const QString &folder, FolderReads &reads, int limitSeconds, QString *problem)
{
    Opening opening;
    QEventLoop loop;
    QElapsedTimer clock;
    reads.take();
    const double cpuBefore = threadCpuSeconds();
    clock.start();

    int asked = 0;
    QPointer<HistoryWindow> window = new HistoryWindow(folder, [&asked](const QString &, const QString &) {
        ++asked;
        return false;
    });
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto *view = window->findChild<QAbstractItemView *>(u"historyList"_s);
    if (!view) {
        *problem = u"the window has no list named historyList"_s;
        delete window;
        return opening;
    }
    const QAbstractItemModel *model = view->model();

    // Which rows have their count, as the model tells through its signals.
    std::vector<char> counted;
    qsizetype countedRows = 0;
    const auto check = [&](int first, int last) {
        for (int row = first; row <= last && row < int(counted.size()); ++row) {
            if (!counted[row] && model->index(row, LinesColumn).data().toString() != u"…") {
                counted[row] = 1;
                ++countedRows;
            }
        }
    };
    const auto allCounted = [&] { return countedRows == qsizetype(counted.size()); };
    const auto noteCountsDone = [&] {
        if (opening.countsMs < 0 && allCounted()) {
            opening.countsMs = double(clock.nsecsElapsed()) / 1e6;
            opening.guiCpuSeconds = threadCpuSeconds() - cpuBefore;
            const FolderReads::Reads r = reads.take();
            opening.filesRead = r.files;
            opening.readsOverflowed = r.overflowed;
        }
    };
    const auto rescan = [&] {
        counted.assign(size_t(model->rowCount()), 0);
        countedRows = 0;
        check(0, model->rowCount() - 1);
        noteCountsDone();
    };
    counted.assign(size_t(model->rowCount()), 0);
    QObject::connect(model, &QAbstractItemModel::dataChanged, &loop,
                     [&](const QModelIndex &from, const QModelIndex &to) {
                         check(from.row(), to.row());
                         noteCountsDone();
                     });
    QObject::connect(model, &QAbstractItemModel::modelReset, &loop, rescan);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &loop, [&](const QModelIndex &, int first, int last) {
        counted.insert(counted.begin() + first, size_t(last - first + 1), 0);
        check(first, last);
    });

    KeyDriver keys;
    PaintWatch paint;
    paint.model = model;
    const QList<std::pair<int, QString>> cycle{{Qt::Key_Down, u"Down"_s}, {Qt::Key_Down, u"Down"_s},
                                               {Qt::Key_Up, u"Up"_s}, {Qt::Key_Delete, u"Delete"_s}};
    QString current;
    const auto nextKey = [&] {
        if (!window)
            return;
        if (allCounted() && opening.shownMs >= 0 && opening.keys >= LeastKeys) {
            current = u"Escape"_s;
            keys.post(view, Qt::Key_Escape);
            return;
        }
        current = cycle.at(opening.keys % cycle.size()).second;
        keys.post(view, cycle.at(opening.keys % cycle.size()).first);
    };
    QElapsedTimer closing;
    keys.answered = [&](double ms) {
        ++opening.keys;
        if (ms > opening.longestKeyMs) {
            opening.longestKeyMs = ms;
            opening.longestKey = current;
        }
        if (current == u"Escape") {
            closing.start();
            return;
        }
        QTimer::singleShot(KeyPauseMs, &loop, nextKey);
    };
    paint.painted = [&] {
        opening.shownMs = double(clock.nsecsElapsed()) / 1e6;
        rescan();
    };
    view->viewport()->installEventFilter(&paint);
    QObject::connect(window, &QObject::destroyed, &loop, [&] {
        if (closing.isValid())
            opening.closedMs = double(closing.nsecsElapsed()) / 1e6;
        loop.quit();
    });
    // A window that holds its thread for good is given up; the timer fires
    // between two rounds of the events it is busy with.
    QTimer::singleShot(limitSeconds * 1000, &loop, [&] {
        *problem = u"%1 of %2 counts were in after %3 s"_s.arg(grouped(double(countedRows)))
                       .arg(grouped(double(counted.size()))).arg(limitSeconds);
        if (keys.waitingMs() > opening.longestKeyMs) {
            opening.longestKeyMs = keys.waitingMs();
            opening.longestKey = current + u", still unanswered"_s;
        }
        opening.guiCpuSeconds = threadCpuSeconds() - cpuBefore;
        closing.start();
        if (window)
            window->close();
    });
    window->open();
    // The user presses keys from the moment the window is there.
    nextKey();
    loop.exec();
    return opening;
}

QString keyText(const Opening &o)
{
    return u"longest wait of %1 keys %2 ms (%3)"_s.arg(o.keys).arg(o.longestKeyMs, 0, 'f', 1).arg(o.longestKey);
}

} // namespace

int runHistoryBench(int downloads, int limitSeconds)
{
    const QString name = u"history"_s;
    printNote(name, u"load average before: "_s + loadAverage());
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"history"_s);
    QString problem;
    if (!dir.isValid() || !QDir().mkpath(folder))
        return cannotRun(name, u"no temporary folder could be made"_s);
    QElapsedTimer filling;
    filling.start();
    if (!fillHistory(folder, downloads, &problem))
        return cannotRun(name, problem);
    printNote(name, u"%1 downloads written in %2 s"_s.arg(grouped(downloads)).arg(filling.elapsed() / 1000.0));
    FolderReads reads(folder);
    if (!reads.isWatching())
        return cannotRun(name, reads.error());

    bool met = true;
    for (const QString &which : {u"first"_s, u"second"_s}) {
        const Opening o = measureOpening(folder, reads, limitSeconds, &problem);
        if (!problem.isEmpty() && o.keys == 0 && o.longestKey.isEmpty())
            return cannotRun(name, problem);
        const bool secondReadsNothing = which == u"first" || (o.filesRead == 0 && !o.readsOverflowed);
        const bool ok = problem.isEmpty() && o.shownMs >= 0 && o.shownMs <= TargetShownMs
                     && o.longestKeyMs <= TargetKeyMs && secondReadsNothing;
        met = met && ok;
        printFigure(name,
                    u"%1 downloads, %2 opening: shown with rows after %3, %4, every count in after %5, "
                    "GUI thread %6 CPU s, %7 files read, closed %8 ms after Escape"_s
                        .arg(grouped(downloads), which)
                        .arg(o.shownMs < 0 ? u"(never)"_s : u"%1 s"_s.arg(o.shownMs / 1000.0, 0, 'f', 3))
                        .arg(keyText(o))
                        .arg(o.countsMs < 0 ? u"(never: %1)"_s.arg(problem)
                                            : u"%1 s"_s.arg(o.countsMs / 1000.0, 0, 'f', 2))
                        .arg(o.guiCpuSeconds, 0, 'f', 2)
                        .arg(grouped(double(o.filesRead)) + (o.readsOverflowed ? u" or more"_s : QString()))
                        .arg(o.closedMs, 0, 'f', 1));
        if (!problem.isEmpty())
            break;
    }
    printFigure(name, u"target: shown within 0.5 s, every key answered within 100 ms, a second opening "
                      "reads no file: "_s + verdict(met));
    printNote(name, u"load average after: "_s + loadAverage());
    return met ? TargetMet : TargetMissed;
}
