#include "ListeningDownload.h"

#include "CommControl.h"
#include "DownloadHost.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"

DownloadOutcome listeningDownload(DownloadHost &host, const InstrumentLink &link)
{
    DownloadOutcome notStarted;
    if (!openingSteps(host, link, notStarted.portProblem))
        return notStarted;
    prepareReceiving(host, link, InstrumentLinks::StartAtInstrument);

    // Whatever the instrument sent before the user was asked is stale; what
    // it sends from now on, even during the pause, is the data.
    host.comm().clearInBuffer();
    double pause = 200;
    host.delay(pause);

    DownloadOutcome outcome = receiveIntoList(host);
    host.comm().clearInBuffer();
    closingSteps(host, link, outcome);
    return outcome;
}
