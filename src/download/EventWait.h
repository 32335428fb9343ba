// The sleep of a download host between two looks at the line: until an event
// arrives (serial data, a key, a signal), bounded by a timer.
#pragma once

// Sleeps until an event arrives, at most maxMs, then lets the events run;
// with maxMs <= 0 it only lets the pending events run.
void runEventsWaitingAtMost(int maxMs);
