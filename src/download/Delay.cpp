#include "Delay.h"

#include <chrono>
#include <thread>

void delay(double &milliseconds)
{
    milliseconds *= 0.001;
    if (!(milliseconds > 0.0))
        return;
    // sleep_until on the steady clock: immune to clock changes and to midnight,
    // and it resumes after a signal interrupted the sleep.
    const auto until = std::chrono::steady_clock::now()
        + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(milliseconds));
    std::this_thread::sleep_until(until);
}
