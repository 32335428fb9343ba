// The FENNIX download over the interface cable: SendCmd10 polls the gauge
// until it answers, SendCmdA1 ends the talk, also when the user gave up.
#pragma once

class DownloadHost;

void FennixDownload(DownloadHost &host);
