#include "Fennix.h"

#include "CommControl.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "DownloadSteps.h"
#include "InstrumentLinks.h"

namespace {

// Sends the start command every 500 ms until the gauge answers. False when
// the user pressed ESC first or the gauge went away.
bool pollUntilAnswered(DownloadHost &host)
{
    CommControl &comm = host.comm();
    const QByteArray command = host.state().SendCmd10;
    comm.clearOutBuffer();
    for (;;) {
        // The answer only announces the gauge; its content is not data.
        if (!comm.input().isEmpty())
            return true;
        if (comm.deviceLost() || host.escPressed())
            return false;
        comm.output(command);
        comm.clearOutBuffer();
        double pause = 500;
        host.delay(pause);
        // Events run after the pause, so an answer (and an ESC press) that
        // came during it is seen before the command would go out again.
        host.processEvents();
    }
}

} // namespace

void FennixDownload(DownloadHost &host)
{
    const InstrumentLink &link = InstrumentLinks::Fennix;
    if (!openingSteps(host, link))
        return;

    if (pollUntilAnswered(host)) {
        // The rest of the answer and anything before it are dropped: the
        // data start with the first line after this moment.
        host.comm().clearOutBuffer();
        host.comm().clearInBuffer();
        prepareReceiving(host, link, link.instruction);
        receiveIntoList(host);
    }
    closingSteps(host, link);
}
