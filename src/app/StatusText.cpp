#include "StatusText.h"

#include "ReceiveLines.h"

#include <QFileInfo>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// The message box has said it all; here a few words.
QString notStartedText(const PortProblem &problem)
{
    using Kind = PortProblem::Kind;
    switch (problem.kind) {
    case Kind::NoPortChosen:
        return u"Nothing was read: no COM port is chosen"_s;
    case Kind::NotANumber:
    case Kind::NoSuchCom:
        return u"Nothing was read: the COM number is not one of 1 to 16"_s;
    case Kind::SettingsRefused:
        return u"Nothing was read: COM %1 did not take the line settings"_s.arg(problem.port);
    case Kind::None:
    case Kind::DeviceMissing:
    case Kind::InUse:
    case Kind::NoPermission:
    case Kind::OpenFailed:
        break;
    }
    return u"Nothing was read: COM %1 could not be opened"_s.arg(problem.port);
}

QString endingText(const DownloadOutcome &outcome)
{
    using Ending = DownloadOutcome::Ending;
    switch (outcome.ending) {
    case Ending::NotStarted:
        return notStartedText(outcome.portProblem);
    case Ending::NoStartMark:
        return u"No start mark came within 11 s"_s;
    case Ending::Stopped:
        return outcome.lines == 0 ? u"No data came from the instrument"_s
                                  : u"Stopped by ESC after %1"_s.arg(linesText(outcome.lines));
    case Ending::EndMark:
        return u"%1 received up to \"End\""_s.arg(linesText(outcome.lines));
    case Ending::EndOfFile:
        return u"%1 received up to the end-of-file mark"_s.arg(linesText(outcome.lines));
    case Ending::ConnectionLost:
        return outcome.lines == 0 ? u"Connection lost before any line came"_s
                                  : u"Connection lost after %1"_s.arg(linesText(outcome.lines));
    case Ending::Abandoned:
        break;
    }
    return {};
}

QString historyText(const DownloadOutcome &outcome)
{
    const QString name = QFileInfo(outcome.historyCopy).fileName();
    if (!name.isEmpty() && outcome.historyProblem.isEmpty())
        return u"history copy: %1"_s.arg(name);
    if (!name.isEmpty())
        return u"history copy incomplete: %1 (%2)"_s.arg(name, outcome.historyProblem);
    if (!outcome.historyProblem.isEmpty())
        return u"no history copy: %1"_s.arg(outcome.historyProblem);
    // Nothing came, so nothing was to be kept.
    return {};
}

QString blocksText(const DownloadOutcome &outcome)
{
    using Blocks = DownloadOutcome::Blocks;
    const QString name = QFileInfo(outcome.blocksName).fileName();
    const auto file = [&name](qsizetype i) { return u"%1(%2).mes"_s.arg(name).arg(i); };
    switch (outcome.blocks) {
    case Blocks::None:
        break;
    case Blocks::Saved:
        return outcome.blocksWritten == 1
            ? u"1 block saved as %1"_s.arg(file(1))
            : u"%1 blocks saved as %2 to %3"_s.arg(QString::number(outcome.blocksWritten), file(1),
                                                   file(outcome.blocksWritten));
    case Blocks::NotSaved:
        return outcome.blockCount == 1 ? u"the block was not saved"_s
                                       : u"the %1 blocks were not saved"_s.arg(outcome.blockCount);
    case Blocks::Failed:
        return u"%1 of %2 block files saved, then %3"_s.arg(QString::number(outcome.blocksWritten),
                                                           QString::number(outcome.blockCount),
                                                           outcome.blocksProblem);
    }
    return {};
}

} // namespace

QString downloadStatusText(const DownloadOutcome &outcome)
{
    QStringList parts{endingText(outcome)};
    if (parts.first().isEmpty())
        return {};
    parts << historyText(outcome) << blocksText(outcome);
    parts.removeAll(QString());
    return parts.join(u"; "_s);
}

QString historyStoppedStatusText(const QString &reason)
{
    // The journal's reason says what stopped and why ("The history copy
    // stopped after 93 lines: write ...: File too large").
    return u"%1; the download goes on"_s.arg(reason);
}

QString fileStatusText(const FileOutcome &outcome)
{
    using Result = FileOutcome::Result;
    const QString name = QFileInfo(outcome.path).fileName();
    if (outcome.operation == FileOutcome::Operation::Open) {
        switch (outcome.result) {
        case Result::Done:
            return u"Opened %1: %2"_s.arg(name, linesText(outcome.lines));
        case Result::Cancelled:
            return u"Open cancelled; the list is as it was"_s;
        case Result::Failed:
            return u"%1 could not be opened; the list is as it was"_s.arg(name);
        }
    }
    switch (outcome.result) {
    case Result::Done:
        return u"%1 saved to %2"_s.arg(linesText(outcome.lines), name);
    case Result::Cancelled:
        return u"Save cancelled; nothing was written"_s;
    case Result::Failed:
        return u"%1 could not be saved; nothing was written"_s.arg(name);
    }
    return {};
}
