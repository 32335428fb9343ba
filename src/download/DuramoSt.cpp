#include "DuramoSt.h"

#include "CommControl.h"
#include "DownloadHost.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"

DownloadOutcome DuramoStDownload(DownloadHost &host)
{
    const InstrumentLink &link = InstrumentLinks::DuramoSt;
    DownloadOutcome notStarted;
    if (!openingSteps(host, link, notStarted.portProblem))
        return notStarted;

    host.comm().output(QByteArrayLiteral("T4"));
    host.comm().clearOutBuffer();
    // The instrument's first answer to "T4" may be waiting already: it is
    // part of the data, so the receive buffer is not emptied here.
    prepareReceiving(host, link, link.instruction);
    DownloadOutcome outcome = receiveIntoList(host);
    closingSteps(host, link, outcome);
    return outcome;
}
