// The speed a terminal's line is set to, as the kernel keeps it (any rate,
// not only the standard B-codes).
#pragma once

// Baud rate of the line behind fd (either side of a pseudo-terminal); 0 when
// it cannot be read.
int lineBaud(int fd);
