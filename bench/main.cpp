// meridoc-bench: measures the line receiver (cutter, idle, paced, flood) and
// the download history window (history).

#include "Benches.h"
#include "ReceiverRig.h"
#include "Report.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

long long numberOption(const QCommandLineParser &parser, const QString &name, long long fallback, bool *ok)
{
    if (!parser.isSet(name))
        return fallback;
    bool valid = false;
    const long long n = parser.value(name).toLongLong(&valid);
    if (!valid || n < 1) {
        QTextStream(stderr) << "meridoc-bench: --" << name << " needs a whole number of at least 1, not \""
                            << parser.value(name) << "\".\n";
        *ok = false;
    }
    return n;
}

} // namespace

int main(int argc, char *argv[])
{
    // The main window is measured as the user runs it, but nothing is drawn on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Measures the line receiver. Figures:\n"
        "  cutter  lines per second of the record cutter alone, in random reads\n"
        "  idle    CPU seconds used while the receiver waits with no data\n"
        "  paced   CPU share while lines arrive at the instrument's baud rate\n"
        "  flood   lines per second, peak memory and longest event-loop gap in a flood\n"
        "  history the history window over N downloads (default 100000): time until shown,\n"
        "          longest wait of a key while counts fill in, files read on a second opening"_s);
    parser.addHelpOption();
    parser.addPositionalArgument(u"figure"_s, u"cutter, idle, paced, flood or history"_s);
    parser.addPositionalArgument(u"N"_s, u"history: the number of downloads."_s, u"[N]"_s);
    parser.addOptions({
        {u"lines"_s, u"Lines to send or cut (cutter 2000000, paced 2000, flood 1000000)."_s, u"n"_s},
        {u"seed"_s, u"cutter: seed of the random read sizes (default 1)."_s, u"n"_s},
        {u"max-read"_s, u"cutter: largest read in bytes (default 256)."_s, u"bytes"_s},
        {u"rounds"_s, u"cutter: rounds to take the median of (default 5)."_s, u"n"_s},
        {u"seconds"_s, u"idle: how long the receiver waits (default 10); history: how long an opening may "
                       "take until every count is in (default 600)."_s, u"s"_s},
        {u"baud"_s, u"paced: baud rate of the instrument (default 38400)."_s, u"rate"_s},
        {u"no-journal"_s, u"idle, paced, flood: run the bare line receiver, without the download history's copy."_s},
        {u"progress-max"_s, u"paced, flood: the progress bar's maximum (default %1, as the downloads at 38400 baud set it)."_s
                                .arg(ReceiverRig::defaultProgressMax()), u"n"_s},
    });
    parser.process(app);
    const QStringList figures = parser.positionalArguments();
    if (figures.isEmpty() || (figures.size() > 1 && figures.first() != u"history")) {
        QTextStream(stderr) << "meridoc-bench: name one figure: cutter, idle, paced, flood or history N.\n";
        return CouldNotRun;
    }

    ReceiverRig::setJournaled(!parser.isSet(u"no-journal"_s));
    bool ok = true;
    const QString figure = figures.first();
    if (figure == u"cutter") {
        CutterOptions options;
        options.lines = numberOption(parser, u"lines"_s, options.lines, &ok);
        options.seed = unsigned(numberOption(parser, u"seed"_s, options.seed, &ok));
        options.maxRead = int(numberOption(parser, u"max-read"_s, options.maxRead, &ok));
        options.rounds = int(numberOption(parser, u"rounds"_s, options.rounds, &ok));
        return ok ? runCutterBench(options) : CouldNotRun;
    }
    if (figure == u"idle") {
        const int seconds = int(numberOption(parser, u"seconds"_s, 10, &ok));
        return ok ? runIdleBench(seconds) : CouldNotRun;
    }
    if (figure == u"paced") {
        const int lines = int(numberOption(parser, u"lines"_s, 2000, &ok));
        const int baud = int(numberOption(parser, u"baud"_s, 38400, &ok));
        const int progressMax = int(numberOption(parser, u"progress-max"_s, ReceiverRig::defaultProgressMax(), &ok));
        return ok ? runPacedBench(lines, baud, progressMax) : CouldNotRun;
    }
    if (figure == u"flood") {
        const long long lines = numberOption(parser, u"lines"_s, 1'000'000, &ok);
        const int progressMax = int(numberOption(parser, u"progress-max"_s, ReceiverRig::defaultProgressMax(), &ok));
        return ok ? runFloodBench(lines, progressMax) : CouldNotRun;
    }
    if (figure == u"history") {
        bool valid = true;
        const int downloads = figures.size() > 1 ? figures.at(1).toInt(&valid) : 100'000;
        if (!valid || downloads < 1 || figures.size() > 2) {
            QTextStream(stderr) << "meridoc-bench: history needs one number of downloads of at least 1.\n";
            return CouldNotRun;
        }
        const int seconds = int(numberOption(parser, u"seconds"_s, 600, &ok));
        return ok ? runHistoryBench(downloads, seconds) : CouldNotRun;
    }
    QTextStream(stderr) << "meridoc-bench: unknown figure \"" << figure
                        << "\"; choose cutter, idle, paced, flood or history.\n";
    return CouldNotRun;
}
