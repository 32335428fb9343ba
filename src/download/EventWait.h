// The sleeps of a download between two looks at the line: until an event
// arrives (serial data, a key, a signal), bounded by a timer; or a short one
// that lets serial bytes gather in the driver.
#pragma once

// Sleeps until an event arrives, at most maxMs, then lets the events run;
// with maxMs <= 0 it only lets the pending events run.
void runEventsWaitingAtMost(int maxMs);

// Sleeps ms without letting any event run: bytes that arrive meanwhile wait
// in the driver and are taken together afterwards.
void sleepWithoutEvents(int ms);
