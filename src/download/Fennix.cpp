#include "Fennix.h"

#include "CommControl.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"

#include <QDeadlineTimer>

#include <optional>

namespace {

// The pause between two polls.
constexpr int PollPauseMs = 500;
// How long the rest of an answer may take to come.
constexpr int AnswerEndWaitMs = 500;

// Sleeps on the window's and the port's events until bytes wait, the device
// went away, or ms have passed.
void waitForBytes(DownloadHost &host, int ms)
{
    CommControl &comm = host.comm();
    const QDeadlineTimer deadline(ms);
    while (comm.bytesWaiting() == 0 && !comm.deviceLost() && !deadline.hasExpired())
        host.waitForEvents(int(deadline.remainingTime()));
}

// Sends the start command every 500 ms until the gauge answers, and returns
// the first read of the answer. Nothing when the user pressed ESC first or
// the gauge went away.
std::optional<QByteArray> pollUntilAnswered(DownloadHost &host)
{
    CommControl &comm = host.comm();
    const QByteArray command = host.state().SendCmd10;
    comm.clearOutBuffer();
    for (;;) {
        QByteArray answer = comm.input();
        if (!answer.isEmpty())
            return answer;
        if (comm.deviceLost() || host.escPressed())
            return std::nullopt;
        comm.output(command);
        comm.clearOutBuffer();
        host.processEvents();
        // A prompt gauge sends its data right behind its answer: the pause
        // ends as soon as the answer's first byte is there.
        waitForBytes(host, PollPauseMs);
    }
}

// The answer only announces the gauge: it is dropped up to and including its
// record end, and what follows is the beginning of the data. An answer whose
// record end has not come within AnswerEndWaitMs is dropped with whatever
// else came by then. Nothing when the gauge went away meanwhile.
std::optional<QByteArray> dataBehindAnswer(DownloadHost &host, QByteArray answer, const QByteArray &recordEnd)
{
    CommControl &comm = host.comm();
    const QDeadlineTimer deadline(AnswerEndWaitMs);
    qsizetype end;
    while ((end = answer.indexOf(recordEnd)) < 0) {
        if (comm.deviceLost())
            return std::nullopt;
        if (deadline.hasExpired()) {
            comm.clearInBuffer();
            return QByteArray();
        }
        waitForBytes(host, int(deadline.remainingTime()));
        answer += comm.input();
    }
    return answer.sliced(end + recordEnd.size());
}

} // namespace

DownloadOutcome FennixDownload(DownloadHost &host)
{
    const InstrumentLink &link = InstrumentLinks::Fennix;
    DownloadOutcome notStarted;
    if (!openingSteps(host, link, notStarted.portProblem))
        return notStarted;

    DownloadOutcome outcome;
    // No answer: ESC ended the polling (or the device went, before or
    // during the answer, which the closing steps tell), and the list is as it was.
    outcome.ending = DownloadOutcome::Ending::Stopped;
    std::optional<QByteArray> data = pollUntilAnswered(host);
    if (data) {
        host.comm().clearOutBuffer();
        data = dataBehindAnswer(host, *data, QByteArray(link.recordEnd));
    }
    if (data) {
        prepareReceiving(host, link, link.instruction);
        outcome = receiveIntoList(host, *data);
    }
    closingSteps(host, link, outcome);
    return outcome;
}
