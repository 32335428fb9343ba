#include "ReadReport.h"

#include "Blocks.h"
#include "Messages.h"
#include "ReceiveLines.h"

#include <QDir>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

using Ending = DownloadOutcome::Ending;

QString signalName(int number)
{
    switch (number) {
    case SIGINT:
        return u"SIGINT"_s;
    case SIGTERM:
        return u"SIGTERM"_s;
    case SIGHUP:
        return u"SIGHUP"_s;
    default:
        return u"signal %1"_s.arg(number);
    }
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

// What happened, without where the lines went.
QString howItEnded(const ReadEnd &end)
{
    const DownloadOutcome &outcome = end.outcome;
    const qsizetype lines = outcome.lines;
    const QString after = lines > 0 ? u"after "_s + linesText(lines) : u"before any line came"_s;
    if (end.signal != 0 && outcome.ending == Ending::Abandoned)
        return u"gave up at a second signal %1"_s.arg(after);
    if (end.stoppedBySignal)
        return u"stopped by %1 %2"_s.arg(signalName(end.signal), after);
    switch (outcome.ending) {
    case Ending::EndMark:
        return u"%1 received up to \"End\""_s.arg(linesText(lines));
    case Ending::EndOfFile:
        return u"%1 received up to the line's end-of-file character"_s.arg(linesText(lines));
    case Ending::ConnectionLost:
        return u"the connection to the instrument on %1 was lost %2"_s.arg(end.port, after);
    case Ending::NoStartMark:
        return u"the instrument did not start sending within 11 seconds"_s;
    case Ending::Stopped:
    case Ending::Abandoned:
    case Ending::NotStarted:
        break;
    }
    if (end.byTimeout) {
        const QString silence = u"nothing came for %1 s (--timeout)"_s.arg(seconds(end.timeoutMs));
        return lines > 0 ? u"stopped %1: %2"_s.arg(after, silence) : silence;
    }
    if (end.readerGone)
        return u"stopped %1: the reader of %2 went away"_s.arg(after, end.target);
    return u"stopped %1"_s.arg(after);
}

// Where the lines of a read that wrote something wrong are now.
QString historyText(const ReadEnd &end)
{
    const qsizetype lines = end.outcome.lines;
    const QString them = lines == 1 ? u"the line is"_s : u"the %1 lines are"_s.arg(lines);
    const QString problem = end.outcome.historyProblem;
    if (!end.historyCopy.isEmpty()) {
        const QString copy = QDir::toNativeSeparators(end.historyCopy);
        if (problem.isEmpty())
            return u"%1 kept in the history copy %2."_s.arg(them, copy);
        // The journal's sentence says how many lines it holds ("The history
        // copy stopped after 93 lines: ...").
        return u"only part of the %1 is kept, in the history copy %2: %3; read the instrument again if it still "
               "holds them."_s.arg(linesText(lines), copy, continuing(problem));
    }
    if (!end.historyWanted)
        return u"there is no history copy of them (--no-history); read the instrument again if it still holds them."_s;
    return u"there is no history copy of them: %1"_s.arg(problem);
}

bool somethingNotWritten(const ReadEnd &end)
{
    return !end.writeProblem.isEmpty() || !end.blocksProblem.isEmpty() || end.readerGone;
}

} // namespace

QString choosePortAdvice()
{
    return u"give the port with --com N or --device PATH, or choose it in the window: Interface - Select interface."_s;
}

QString portProblemText(const PortProblem &problem, const QString &port, bool deviceGiven)
{
    const QString another = u"give another port with --com N or --device PATH"_s;
    switch (problem.kind) {
    case PortProblem::Kind::NoPortChosen:
        return u"no COM port has been chosen yet.\n"_s + choosePortAdvice();
    case PortProblem::Kind::NotANumber:
        return u"the port number \"%1\" is not a number from 1 to 16.\n"_s.arg(problem.text) + choosePortAdvice();
    case PortProblem::Kind::NoSuchCom:
        return u"COM %1 does not exist: the program uses COM 1 to COM 16.\n"_s.arg(problem.port) + choosePortAdvice();
    case PortProblem::Kind::DeviceMissing:
        return u"cannot open %1: there is no such device (%2).\n"
               "connect the instrument's cable or USB adapter, or %3."_s.arg(port, problem.reason, another);
    case PortProblem::Kind::InUse:
        return u"cannot open %1: another program is using it (%2).\n"
               "close the program that holds the port, then read again."_s.arg(port, problem.reason);
    case PortProblem::Kind::NoPermission:
        return u"cannot open %1: permission denied (%2).\n"
               "the user must be a member of the group \"dialout\": run  sudo usermod -aG dialout $USER , "
               "log out and in again, then read again."_s.arg(port, problem.reason);
    case PortProblem::Kind::OpenFailed:
        return u"cannot open %1: %2.\ncheck the connection to the instrument, or %3."_s.arg(port, problem.reason, another);
    case PortProblem::Kind::SettingsRefused:
        return u"%1 did not take the line settings \"%2\": %3; nothing was read.\n"
               "check that %4 is a serial port."_s.arg(port, problem.settings, problem.reason,
                                                        deviceGiven ? problem.device : u"it"_s);
    case PortProblem::Kind::None:
        break;
    }
    return u"the port could not be opened."_s;
}

QString closingText(const ReadEnd &end)
{
    const DownloadOutcome &outcome = end.outcome;
    if (outcome.ending == Ending::NotStarted)
        return portProblemText(outcome.portProblem, end.port, end.deviceGiven);
    if (end.quiet)
        return {};

    QStringList lines;
    QString first = howItEnded(end);
    if (outcome.lines == 0)
        first += u"; nothing was written."_s;
    else if (end.writeProblem.isEmpty() && !end.readerGone)
        first += u"; written to %1."_s.arg(end.target);
    else
        first += u'.';
    lines.append(first);

    if (outcome.ending == Ending::NoStartMark)
        lines.append(u"start \"meridoc read\" first, then at the instrument press MENU - Print+PC - Transfer to PC."_s);
    if (outcome.ending == Ending::ConnectionLost)
        lines.append(u"check the cable and the adapter, then read the instrument again."_s);
    if (!end.writeProblem.isEmpty() && !end.writeProblemSaid)
        lines.append(u"%1 could not be written: %2."_s.arg(end.target, end.writeProblem));
    if (!end.blocksProblem.isEmpty())
        lines.append(end.blocksProblem);
    if (end.blocksWanted && end.blocksProblem.isEmpty() && outcome.lines > 0) {
        const QString name = outcome.blocksName;
        if (outcome.blockCount == 0)
            lines.append(u"no block closed by a line of underscores came, so no block file was written."_s);
        else if (outcome.blockCount == 1)
            lines.append(u"the block is in %1."_s.arg(QDir::toNativeSeparators(blockFileName(name, 1))));
        else
            lines.append(u"the %1 blocks are in %2 to %3."_s.arg(
                QString::number(outcome.blockCount), QDir::toNativeSeparators(blockFileName(name, 1)),
                QDir::toNativeSeparators(blockFileName(name, outcome.blockCount))));
    }
    if (outcome.lines > 0 && somethingNotWritten(end))
        lines.append(historyText(end));
    else if (!outcome.historyProblem.isEmpty() && !end.historyStopSaid)
        lines.append(u"the history copy of this read is missing or incomplete: %1"_s.arg(outcome.historyProblem));
    return lines.join(u'\n');
}

int exitStatusOf(const ReadEnd &end)
{
    const DownloadOutcome &outcome = end.outcome;
    if (outcome.ending == Ending::NotStarted)
        return ExitFailed;
    if (end.signal != 0)
        return 128 + end.signal;
    if (outcome.lines > 0 && somethingNotWritten(end))
        return ExitNotWritten;
    switch (outcome.ending) {
    case Ending::EndMark:
    case Ending::EndOfFile:
        return ExitEnded;
    case Ending::ConnectionLost:
        return ExitLost;
    default:
        return outcome.lines > 0 ? ExitStopped : ExitNoData;
    }
}
