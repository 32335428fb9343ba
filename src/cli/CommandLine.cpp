#include "CommandLine.h"

#include "Messages.h"
#include "ReadInstruments.h"

#include <QCommandLineParser>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// A day without a byte is as good as no timeout; the bound keeps the
// milliseconds inside an int.
constexpr double kLongestTimeoutSeconds = 86400;

CommandLine failure(const QString &error)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = error;
    return line;
}

CommandLine asked(CommandLine::Action action)
{
    CommandLine line;
    line.action = action;
    return line;
}

// The parser's own complaint, as one of our lines: "missing value after '-o'."
QString parserError(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString &name = unknown.first();
        return u"unknown option \"%1%2\"."_s.arg(name.size() == 1 ? u"-"_s : u"--"_s, name);
    }
    return continuing(parser.errorText());
}

const QCommandLineOption helpOption({u"h"_s, u"help"_s}, {});
const QCommandLineOption versionOption(u"version"_s, {});

CommandLine parseRead(const QStringList &withProgram)
{
    const QCommandLineOption com(u"com"_s, {}, u"N"_s);
    const QCommandLineOption device(u"device"_s, {}, u"PATH"_s);
    const QCommandLineOption output({u"o"_s, u"output"_s}, {}, u"FILE"_s);
    const QCommandLineOption blocks(u"blocks"_s, {}, u"BASE"_s);
    const QCommandLineOption force(u"force"_s, {});
    const QCommandLineOption timeout(u"timeout"_s, {}, u"SECONDS"_s);
    const QCommandLineOption noHistory(u"no-history"_s, {});
    QCommandLineParser parser;
    parser.addOptions({helpOption, versionOption, com, device, output, blocks, force, timeout, noHistory});
    if (!parser.parse(withProgram))
        return failure(parserError(parser));
    if (parser.isSet(helpOption))
        return asked(CommandLine::Action::Help);
    if (parser.isSet(versionOption))
        return asked(CommandLine::Action::Version);

    CommandLine line = asked(CommandLine::Action::Read);
    ReadOptions &read = line.read;
    const QStringList positional = parser.positionalArguments().mid(1);
    if (positional.isEmpty())
        return failure(u"read needs an instrument: %1."_s.arg(instrumentNames()));
    if (positional.size() > 1)
        return failure(u"unexpected argument \"%1\"."_s.arg(positional.at(1)));
    read.instrument = positional.first();
    const ReadInstrument *instrument = findReadInstrument(read.instrument);
    if (!instrument)
        return failure(u"unknown instrument \"%1\"; one of %2."_s.arg(read.instrument, instrumentNames()));

    if (parser.isSet(com)) {
        bool ok = false;
        const int port = parser.value(com).toInt(&ok);
        if (!ok || port < 1 || port > 16)
            return failure(u"--com needs a COM number from 1 to 16, not \"%1\"."_s.arg(parser.value(com)));
        read.comPort = QString::number(port);
    }
    if (parser.isSet(device)) {
        read.device = parser.value(device);
        if (read.device.isEmpty())
            return failure(u"--device needs the path of a serial device."_s);
    }
    if (parser.isSet(output)) {
        read.output = parser.value(output);
        if (read.output.isEmpty())
            return failure(u"-o needs the name of a file, or \"-\" for standard output."_s);
    }
    if (parser.isSet(blocks)) {
        read.blocksBase = parser.value(blocks);
        if (read.blocksBase.isEmpty())
            return failure(u"--blocks needs the start of the block files' names."_s);
    }
    read.force = parser.isSet(force);
    read.history = !parser.isSet(noHistory);
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > kLongestTimeoutSeconds) {
            return failure(u"--timeout needs a number of seconds above 0 and at most %1, not \"%2\"."_s.arg(
                QString::number(kLongestTimeoutSeconds), parser.value(timeout)));
        }
        read.timeoutMs = std::max(1, int(std::lround(seconds * 1000)));
    }
    if (!read.comPort.isEmpty() && !read.device.isEmpty())
        return failure(u"give either --com or --device, not both."_s);
    if (!read.blocksBase.isEmpty() && !instrument->cutsBlocks)
        return failure(u"--blocks is for orvik, varden and qf2000, which send blocks."_s);
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    // The options depend on the command: a first look finds the command,
    // whose own parser then reads the whole line.
    const QStringList withProgram = QStringList{u"meridoc"_s} + arguments;
    QCommandLineParser parser;
    parser.addOptions({helpOption, versionOption});
    const bool parsed = parser.parse(withProgram);
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.first() == u"read"_s)
        return parseRead(withProgram);
    if (parser.isSet(helpOption))
        return asked(CommandLine::Action::Help);
    if (parser.isSet(versionOption))
        return asked(CommandLine::Action::Version);
    if (!parsed)
        return failure(parserError(parser));
    if (positional.isEmpty())
        return failure(u"a command is missing; the command is \"read\"."_s);
    return failure(u"unknown command \"%1\"."_s.arg(positional.first()));
}
