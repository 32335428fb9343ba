#include "ReadCommand.h"

#include "CliHost.h"
#include "CommandLine.h"
#include "Blocks.h"
#include "MeasurementFile.h"
#include "PortFile.h"
#include "ReadInstruments.h"
#include "ReceivedText.h"
#include "StopSignals.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void say(std::FILE *messages, const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), messages);
    std::fputc('\n', messages);
    std::fflush(messages);
}

bool toStandardOutput(const ReadOptions &options)
{
    return options.output.isEmpty() || options.output == u"-"_s;
}

// The bytes Save writes: to the file through the program's one writer (whole
// or not at all), or to standard output.
bool writeData(const ReadOptions &options, const QByteArray &assembled, QString *reason)
{
    const QByteArrayList parts = measurementFileContent(assembled);
    if (!toStandardOutput(options))
        return writeWholeFile(options.output, parts, reason);
    QFile out;
    bool written = out.open(STDOUT_FILENO, QIODevice::WriteOnly);
    for (const QByteArray &part : parts)
        written = written && out.write(part) == part.size();
    written = written && out.flush();
    if (!written)
        *reason = out.errorString();
    return written;
}

// A file that cannot be written is found before the instrument is read, so
// the data of the download are not lost for it.
std::optional<QString> outputProblem(const ReadOptions &options)
{
    if (toStandardOutput(options))
        return std::nullopt;
    const QFileInfo target(options.output);
    if (target.isDir())
        return u"%1 is a folder."_s.arg(QDir::toNativeSeparators(options.output));
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return u"the folder %1 does not exist."_s.arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return u"the folder %1 may not be written to."_s.arg(QDir::toNativeSeparators(folder.filePath()));
    return std::nullopt;
}

// The COM number of --com, or the one the window reads from Port.txt.
std::optional<QString> chosenComPort(const ReadOptions &options, const QString &programFolder,
                                     std::FILE *messages)
{
    if (!options.comPort.isEmpty())
        return options.comPort;
    if (!options.device.isEmpty())
        return u"1"_s;
    const QString path = portFilePath(programFolder);
    QString error;
    if (const std::optional<QString> number = readComPortNumber(path, &error))
        return number;
    say(messages, u"The port file %1 could not be read: %2\n"
                  "Give the port with --com N or --device PATH, or choose it in the window with "
                  "\"Interface\" - \"Select interface\"."_s
                      .arg(QDir::toNativeSeparators(path), error));
    return std::nullopt;
}

int exitStatusOf(const CliHost::Facts &facts)
{
    if (facts.portFailed)
        return ExitFailed;
    if (facts.lost)
        return ExitLost;
    // The start mark's give-up and a stop before the gauge answered end
    // before the reception begins.
    if (!facts.receiving || !facts.anyByte)
        return ExitNoData;
    if (facts.stopTaken || facts.abandoned)
        return ExitStopped;
    return ExitEnded;
}

QString linesText(qsizetype count)
{
    return count == 1 ? u"1 line"_s : u"%1 lines"_s.arg(count);
}

QString blocksSummary(const ReadOptions &options, CliHost &host)
{
    const qsizetype blocks = host.state().LastValueIndex;
    if (options.blocksBase.isEmpty() || host.facts().blocksFailed)
        return {};
    if (blocks == 0)
        return u" No block closed by a line of underscores came, so no block file was written."_s;
    const QString first = QDir::toNativeSeparators(blockFileName(options.blocksBase, 1));
    if (blocks == 1)
        return u" The block is in %1."_s.arg(first);
    return u" The %1 blocks are in %2 to %3."_s.arg(QString::number(blocks), first,
                                                  QDir::toNativeSeparators(blockFileName(options.blocksBase, blocks)));
}

} // namespace

int runRead(const ReadOptions &options, const QString &programFolder, std::FILE *messages)
{
    const ReadInstrument *instrument = findReadInstrument(options.instrument);
    if (!instrument)
        return ExitUsage;
    if (const std::optional<QString> problem = outputProblem(options)) {
        say(messages, u"The data cannot be saved to %1: %2\nChoose another file with -o."_s
                          .arg(QDir::toNativeSeparators(options.output), *problem));
        return ExitFailed;
    }
    const std::optional<QString> comPort = chosenComPort(options, programFolder, messages);
    if (!comPort)
        return ExitFailed;

    // A reader of the data that went away is a failed write, not the end of
    // the program.
    std::signal(SIGPIPE, SIG_IGN);
    CliHost host(programFolder, *comPort, messages);
    if (!options.device.isEmpty())
        host.setDevice(options.device);
    host.setBlocksBase(options.blocksBase);
    host.setForce(options.force);
    host.setTimeoutMs(options.timeoutMs);
    host.setShowCount(::isatty(fileno(messages)) == 1);
    StopSignals signalsToStop;
    QObject::connect(&signalsToStop, &StopSignals::stopRequested, &host, &CliHost::requestStop);

    try {
        instrument->download(host);
    } catch (const DownloadAbandoned &) {
        // A second stop request where the download does not look at ESC:
        // the port is closed, nothing more is sent.
    }
    host.flushStatus();
    host.endCountLine();

    int status = exitStatusOf(host.facts());
    if (status == ExitFailed)
        return status;
    const qsizetype count = host.dataList().count();
    QString summary;
    switch (status) {
    case ExitEnded:
        summary = u"%1 received up to \"End\""_s.arg(linesText(count));
        break;
    case ExitStopped:
        summary = u"Stopped after %1"_s.arg(linesText(count));
        break;
    case ExitLost:
        summary = u"The connection was lost after %1"_s.arg(linesText(count));
        break;
    default:
        say(messages, u"No data came from the instrument; nothing was written."_s);
        return status;
    }

    const QString target = toStandardOutput(options) ? u"standard output"_s
                                                     : QDir::toNativeSeparators(options.output);
    QString reason;
    if (!writeData(options, assembleReceivedText(host.dataList().entries()), &reason)) {
        say(messages, u"The data could not be saved to %1:\n%2.\n\n"
                      "Choose another file with -o and read the instrument again."_s
                          .arg(target, reason));
        return ExitFailed;
    }
    say(messages, summary + u"; written to %1."_s.arg(target) + blocksSummary(options, host));
    if (host.facts().blocksFailed)
        status = ExitFailed;
    return status;
}
