// Waiting until a serial device has really sent its queued output, without
// tcdrain(), which never returns while the line is held by XOFF.
#pragma once

#include <QDeadlineTimer>

// Polls the driver's output queue of the open descriptor fd with short sleeps
// until it is empty (true) or the deadline passes (false).
bool waitForOutputQueueEmpty(int fd, QDeadlineTimer deadline);
