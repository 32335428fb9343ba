// What a serial receiver makes of bytes sent at another speed: the bit stream
// of the sender (start bit, eight data bits, stop bit, back to back) sampled
// by a receiver that expects frames of its own length.
#pragma once

#include <QByteArray>

// The bytes a receiver at heardBaud reads from bytes sent at sentBaud; the
// bytes themselves when the two speeds agree.
QByteArray heardAtSpeed(const QByteArray &bytes, int sentBaud, int heardBaud);

// What a receiver makes of bytes when both sides run at one speed but only one
// of them obeys XON/XOFF: in this model the frames are misread, every byte
// arriving with its top bit set.
QByteArray heardWithoutHandshake(const QByteArray &bytes);
