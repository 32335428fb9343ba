#include "CommandLineMain.h"

#include "CommandLine.h"
#include "ReadCommand.h"

#include <cstdio>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int runCommandLine(const QStringList &arguments, const QString &programFolder)
{
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
    case CommandLine::Action::Help:
        print(stdout, helpText());
        return 0;
    case CommandLine::Action::Version:
        print(stdout, versionText());
        return 0;
    case CommandLine::Action::Read:
        return runRead(line.read, programFolder, stderr);
    case CommandLine::Action::Window:
    case CommandLine::Action::Error:
        break;
    }
    print(stderr, QStringLiteral("meridoc: ") + line.error + u'\n' + usageText());
    return ExitUsage;
}
