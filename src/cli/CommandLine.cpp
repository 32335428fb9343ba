#include "CommandLine.h"

#include "ReadInstruments.h"

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A day without a byte is as good as no timeout; the bound keeps the
// milliseconds inside an int.
constexpr double kLongestTimeoutSeconds = 86400;

QString instrumentNames(const QString &separator)
{
    QStringList names;
    for (const ReadInstrument &instrument : readInstruments)
        names.append(QString::fromUtf16(instrument.name));
    return names.join(separator);
}

CommandLine failure(const QString &error)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = error;
    return line;
}

// "--name value" or "--name=value"; advances i past what it used.
std::optional<QString> optionValue(const QStringList &arguments, qsizetype &i, const QString &name,
                                   QString *error)
{
    const QString &argument = arguments.at(i);
    if (argument.startsWith(name + u'='))
        return argument.mid(name.size() + 1);
    if (i + 1 >= arguments.size()) {
        *error = u"%1 needs a value."_s.arg(name);
        return std::nullopt;
    }
    return arguments.at(++i);
}

bool isOption(const QString &argument, const QString &name)
{
    return argument == name || argument.startsWith(name + u'=');
}

CommandLine parseRead(const QStringList &arguments)
{
    CommandLine line;
    line.action = CommandLine::Action::Read;
    ReadOptions &read = line.read;
    QString error;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        std::optional<QString> value;
        if (isOption(argument, u"--com"_s)) {
            if (!(value = optionValue(arguments, i, u"--com"_s, &error)))
                return failure(error);
            bool ok = false;
            const int port = value->toInt(&ok);
            if (!ok || port < 1 || port > 16)
                return failure(u"--com needs a COM number from 1 to 16, not \"%1\"."_s.arg(*value));
            read.comPort = QString::number(port);
        } else if (isOption(argument, u"--device"_s)) {
            if (!(value = optionValue(arguments, i, u"--device"_s, &error)))
                return failure(error);
            if (value->isEmpty())
                return failure(u"--device needs the path of a serial device."_s);
            read.device = *value;
        } else if (argument == u"-o"_s) {
            if (!(value = optionValue(arguments, i, argument, &error)))
                return failure(error);
            read.output = *value;
        } else if (isOption(argument, u"--blocks"_s)) {
            if (!(value = optionValue(arguments, i, u"--blocks"_s, &error)))
                return failure(error);
            if (value->isEmpty())
                return failure(u"--blocks needs the start of the block files' names."_s);
            read.blocksBase = *value;
        } else if (argument == u"--force"_s) {
            read.force = true;
        } else if (isOption(argument, u"--timeout"_s)) {
            if (!(value = optionValue(arguments, i, u"--timeout"_s, &error)))
                return failure(error);
            bool ok = false;
            const double seconds = value->toDouble(&ok);
            if (!ok || !(seconds > 0) || seconds > kLongestTimeoutSeconds)
                return failure(u"--timeout needs a number of seconds above 0, not \"%1\"."_s.arg(*value));
            read.timeoutMs = std::max(1, int(std::lround(seconds * 1000)));
        } else if (argument.startsWith(u'-') && argument != u"-"_s) {
            return failure(u"unknown option \"%1\"."_s.arg(argument));
        } else if (read.instrument.isEmpty()) {
            read.instrument = argument;
        } else {
            return failure(u"unexpected argument \"%1\"."_s.arg(argument));
        }
    }

    if (read.instrument.isEmpty())
        return failure(u"read needs an instrument: %1."_s.arg(instrumentNames(u", "_s)));
    const ReadInstrument *instrument = findReadInstrument(read.instrument);
    if (!instrument) {
        return failure(u"unknown instrument \"%1\"; one of %2."_s.arg(read.instrument,
                                                                   instrumentNames(u", "_s)));
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
    if (arguments.isEmpty())
        return {};
    if (arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s)) {
        CommandLine line;
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (arguments.contains(u"--version"_s)) {
        CommandLine line;
        line.action = CommandLine::Action::Version;
        return line;
    }
    if (arguments.first() == u"read"_s)
        return parseRead(arguments);
    if (arguments.first().startsWith(u'-'))
        return failure(u"unknown option \"%1\"."_s.arg(arguments.first()));
    return failure(u"unknown command \"%1\"."_s.arg(arguments.first()));
}

QString usageText()
{
    return u"Usage: meridoc [--help | --version]\n"
           "       meridoc read INSTRUMENT [--com N | --device PATH] [-o FILE] [--blocks BASE] [--force]\n"
           "                               [--timeout SECONDS]\n"_s;
}

QString helpText()
{
    return usageText()
        + u"\n"
          "Without arguments MERIDOC opens its window. \"meridoc read\" reads the stored measurements of\n"
          "an instrument without a window, as the window's menu \"Data transfer\" does, and writes the lines\n"
          "as a measurement data file (the bytes \"Save\" writes).\n"
          "\n"
          "INSTRUMENT is one of:\n"
          "  %1\n"
          "\n"
          "Options of read:\n"
          "  --com N            the COM port 1 to 16 (default: the one in Port.txt)\n"
          "  --device PATH      the serial device to use instead, e.g. /dev/ttyUSB0\n"
          "  -o FILE            write the lines to FILE, whole or not at all (default, or \"-\":\n"
          "                     standard output)\n"
          "  --blocks BASE      orvik, varden, qf2000: also write each block to BASE(1).mes,\n"
          "                     BASE(2).mes, ...; existing files are left alone\n"
          "  --force            replace existing block files\n"
          "  --timeout SECONDS  end the download as ESC does after SECONDS without a received byte\n"
          "\n"
          "Ctrl+C (SIGINT) and SIGTERM end the download as ESC does in the window; a second one gives up\n"
          "at once. Messages go to standard error.\n"
          "\n"
          "Exit status:\n"
          "  0  the instrument sent its end mark \"End\"\n"
          "  1  the port could not be opened, or a file could not be written\n"
          "  2  the command line is wrong\n"
          "  3  stopped by a signal or --timeout after data came; the data are written\n"
          "  4  the connection was lost; the data received are written\n"
          "  5  no data came at all; nothing is written\n"_s.arg(instrumentNames(u", "_s));
}

QString versionText()
{
    return u"meridoc %1\n"_s.arg(QStringLiteral(MERIDOC_VERSION));
}
