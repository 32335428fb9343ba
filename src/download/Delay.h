// The wait of the download utilities. It sleeps on a monotonic clock (no
// spinning, midnight does not matter); the window does not react meanwhile.
#pragma once

// Waits the given milliseconds; afterwards the argument holds the wait in
// seconds (milliseconds * 0.001). Zero or negative returns at once.
void delay(double &milliseconds);
