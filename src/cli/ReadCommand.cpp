#include "ReadCommand.h"

#include "Blocks.h"
#include "CliHost.h"
#include "CommandLine.h"
#include "MeasurementFile.h"
#include "Messages.h"
#include "PortFile.h"
#include "PortNumber.h"
#include "ReadChecks.h"
#include "ReadInstruments.h"
#include "ReadReport.h"
#include "ReceivedText.h"
#include "StopSignals.h"
#include "StreamOutput.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The COM number of --com, or the one the window reads from Port.txt.
std::optional<QString> chosenComPort(const ReadOptions &options, const QString &programFolder, Messages &messages)
{
    if (!options.comPort.isEmpty())
        return options.comPort;
    if (!options.device.isEmpty())
        return u"1"_s;
    const QString path = portFilePath(programFolder);
    QString error;
    if (const std::optional<QString> number = readComPortNumber(path, &error))
        return number;
    messages.say(u"the port file %1 could not be read: %2\n"_s.arg(QDir::toNativeSeparators(path), error)
                 + choosePortAdvice());
    return std::nullopt;
}

// Opens where the lines stream to; a FIFO waits here for its reader, before
// the instrument is asked for anything.
bool openStream(StreamOutput &stream, const ReadOptions &options, Messages &messages)
{
    QString reason;
    if (readTargetOf(options) == ReadTarget::StandardOutput) {
        if (stream.openStandardOutput(&reason))
            return true;
        messages.say(u"standard output is not open (%1); nothing was read."_s.arg(reason));
        return false;
    }
    const QString name = QDir::toNativeSeparators(options.output);
    const auto waiting = [&] { messages.say(u"waiting for a reader of %1."_s.arg(name)); };
    if (stream.openPath(options.output, waiting, &reason))
        return true;
    messages.say(u"cannot open %1 for writing: %2.\nchoose another file with -o; nothing was read."_s.arg(name, reason));
    return false;
}

// The block files a download left alone or could not write, in words.
QString blocksProblemText(const ReadOptions &options, const DownloadOutcome &outcome)
{
    if (options.blocksBase.isEmpty())
        return {};
    switch (outcome.blocks) {
    case DownloadOutcome::Blocks::NotSaved: {
        QStringList existing;
        for (qsizetype i = 1; i <= outcome.blockCount; ++i) {
            const QString name = blockFileName(options.blocksBase, i);
            if (QFileInfo::exists(name))
                existing.append(QDir::toNativeSeparators(name));
        }
        return u"the block file%1 %2 exist%3 already; no block file was written (give --force to replace "
               "existing ones)."_s.arg(existing.size() == 1 ? QString() : u"s"_s, someNames(existing),
                                       existing.size() == 1 ? u"s"_s : QString());
    }
    case DownloadOutcome::Blocks::Failed:
        return u"a block file could not be written: %1; %2 of %3 block files were written."_s.arg(
            outcome.blocksProblem, QString::number(outcome.blocksWritten), QString::number(outcome.blockCount));
    case DownloadOutcome::Blocks::None:
    case DownloadOutcome::Blocks::Saved:
        break;
    }
    return {};
}

// The bytes a stream got as the lines came: each line and its CR LF.
qsizetype streamedSize(const QList<QByteArray> &entries)
{
    qsizetype size = 0;
    for (const QByteArray &entry : entries)
        size += entry.size() + 2;
    return size;
}

// The parts without their first `skip` bytes.
QByteArray restOf(const QByteArrayList &parts, qsizetype skip)
{
    QByteArray rest;
    for (const QByteArray &part : parts) {
        rest += part.mid(std::min(skip, part.size()));
        skip = std::max<qsizetype>(0, skip - part.size());
    }
    return rest;
}

// The port as the messages name it: the device given, or the COM number and
// the device it leads to as the read starts (an adapter that vanishes may
// take its link with it).
QString portName(const ReadOptions &options, const QString &comPort, const QString &programFolder)
{
    if (!options.device.isEmpty())
        return QDir::toNativeSeparators(options.device);
    const QString device = comDevicePath(portNumberFromText(comPort).value_or(0), programFolder);
    return device.isEmpty() ? u"COM %1"_s.arg(comPort) : u"COM %1 (%2)"_s.arg(comPort, QDir::toNativeSeparators(device));
}

// Runs the download; a give-up keeps the lines that came all the same.
DownloadOutcome download(const ReadInstrument &instrument, CliHost &host, QString *unfinishedCopy)
{
    try {
        return instrument.download(host);
    } catch (const DownloadAbandoned &) {
        // Given up: the port is closed, nothing more was sent, and the
        // history copy stays unfinished.
        DownloadOutcome outcome;
        outcome.ending = DownloadOutcome::Ending::Abandoned;
        outcome.lines = host.dataList().count();
        *unfinishedCopy = host.unfinishedCopy();
        return outcome;
    }
}

// The lines to -o as a whole file, or the rest of them to the stream, which
// got each line as it came: in the end either holds what Save writes.
// Returns why a whole file could not be written.
QString deliver(const QList<QByteArray> &entries, ReadTarget target, const ReadOptions &options,
                StreamOutput &stream, bool waitForReader)
{
    const QByteArrayList content = measurementFileContent(assembleReceivedText(entries));
    if (target == ReadTarget::WholeFile) {
        QString reason;
        return writeWholeFile(options.output, content, &reason) ? QString() : reason;
    }
    stream.write(restOf(content, streamedSize(entries)));
    if (waitForReader && !stream.finish() && stream.state() == StreamOutput::State::Open)
        return u"a signal came before its reader took the last lines"_s;
    return {};
}

} // namespace

ReadResult runRead(const ReadOptions &options, const QString &programFolder, Messages &messages)
{
    // Before the instrument is read: whatever can fail without it.
    const ReadInstrument *instrument = findReadInstrument(options.instrument);
    if (!instrument)
        return {ExitUsage, 0};
    for (const std::optional<QString> &problem : {outputProblem(options), blocksProblem(options)}) {
        if (problem) {
            messages.say(*problem);
            return {ExitFailed, 0};
        }
    }
    const std::optional<QString> comPort = chosenComPort(options, programFolder, messages);
    if (!comPort)
        return {ExitFailed, 0};
    const ReadTarget target = readTargetOf(options);
    StreamOutput stream;
    if (target != ReadTarget::WholeFile && !openStream(stream, options, messages))
        return {ExitFailed, 0};
    // A count between the lines on the same terminal would garble both.
    if (target == ReadTarget::StandardOutput && ::isatty(STDOUT_FILENO) == 1)
        messages.leaveOutCount();

    // From here on a stop signal ends the read as ESC does, and a reader of
    // the lines that went away shows as a failed write.
    holdBackPipeSignal();
    StopSignals stopSignals;
    CliHost host(programFolder, *comPort, messages);
    QObject::connect(&stopSignals, &StopSignals::received, &host, &CliHost::signalReceived);
    if (!options.device.isEmpty())
        host.setDevice(options.device);
    host.setBlocksBase(options.blocksBase);
    host.setForce(options.force);
    host.setTimeoutMs(options.timeoutMs);
    host.setHistoryKept(options.history);
    ReadEnd end;
    end.port = portName(options, *comPort, programFolder);
    end.deviceGiven = !options.device.isEmpty();
    end.target = target == ReadTarget::WholeFile ? QDir::toNativeSeparators(options.output) : stream.name();
    if (target != ReadTarget::WholeFile) {
        host.setStream(&stream);
        QObject::connect(&stream, &StreamOutput::failed, &host, [&](const QString &reason) {
            host.flushStatus();
            messages.say(u"%1 could not be written: %2."_s.arg(end.target, reason));
            end.writeProblem = reason;
            end.writeProblemSaid = true;
        });
    }

    // The read, and its lines where the command line says.
    end.outcome = download(*instrument, host, &end.historyCopy);
    host.downloadEnded();
    if (end.outcome.lines > 0) {
        if (const QString problem = deliver(host.dataList().entries(), target, options, stream, !host.gaveUp());
            !problem.isEmpty())
            end.writeProblem = problem;
    }

    // How it ended.
    end.signal = host.firstSignal();
    end.stoppedBySignal = host.stopTaken() == CliHost::Stop::Signal;
    end.byTimeout = host.stopTaken() == CliHost::Stop::Timeout || (host.gaveUp() && end.signal == 0);
    end.timeoutMs = options.timeoutMs;
    end.readerGone = stream.state() == StreamOutput::State::ReaderGone;
    end.quiet = end.readerGone && end.signal == 0 && !pipeSignalIgnored();
    end.blocksWanted = !options.blocksBase.isEmpty();
    end.blocksProblem = blocksProblemText(options, end.outcome);
    end.historyWanted = options.history;
    if (end.historyCopy.isEmpty())
        end.historyCopy = end.outcome.historyCopy;
    end.historyStopSaid = host.historyStopSaid();
    if (const QString closing = closingText(end); !closing.isEmpty())
        messages.say(closing);
    const int signal = end.signal != 0 ? end.signal : end.readerGone ? SIGPIPE : 0;
    return {exitStatusOf(end), signal};
}
