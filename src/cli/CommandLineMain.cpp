#include "CommandLineMain.h"

#include "CommandLine.h"
#include "HelpTexts.h"
#include "Messages.h"
#include "ReadCommand.h"
#include "ReadReport.h"
#include "StopSignals.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The text on standard output; a text that cannot be written is a failure,
// as in the GNU tools ("meridoc --help > /dev/full").
int printed(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
    if (written)
        return ExitEnded;
    const int error = errno;
    Messages(stderr).say(u"write error: %1"_s.arg(error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                                             : u"unknown error"_s));
    return ExitFailed;
}

} // namespace

int runCommandLine(const QStringList &arguments, const QString &programFolder)
{
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
    case CommandLine::Action::Help:
        return printed(helpText());
    case CommandLine::Action::Version:
        return printed(versionText());
    case CommandLine::Action::Read: {
        Messages messages(stderr);
        const ReadResult result = runRead(line.read, programFolder, messages);
        if (result.signal != 0)
            endBySignal(result.signal);
        return result.status;
    }
    case CommandLine::Action::Error:
        break;
    }
    Messages(stderr).say(line.error);
    std::fputs(usageText().toLocal8Bit().constData(), stderr);
    return ExitUsage;
}
