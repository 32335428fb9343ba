#include "WrongLine.h"

namespace {

constexpr int BitsPerFrame = 10;

// The line level of sender bit number `bit` (from 0): start bit 0, data bits
// least significant first, stop bit 1; idle (1) after the last frame.
int level(const QByteArray &bytes, qint64 bit)
{
    if (bit < 0 || bit >= bytes.size() * BitsPerFrame)
        return 1;
    const qint64 inFrame = bit % BitsPerFrame;
    if (inFrame == 0)
        return 0;
    if (inFrame == BitsPerFrame - 1)
        return 1;
    const auto byte = static_cast<unsigned char>(bytes.at(bit / BitsPerFrame));
    return (byte >> (inFrame - 1)) & 1;
}

} // namespace

QByteArray heardAtSpeed(const QByteArray &bytes, int sentBaud, int heardBaud)
{
    if (sentBaud == heardBaud || sentBaud <= 0 || heardBaud <= 0)
        return bytes;
    // Time counted in units where a sender bit lasts heardBaud units and a
    // receiver bit sentBaud units, so that every instant is a whole number.
    const qint64 senderBit = heardBaud;
    const qint64 receiverBit = sentBaud;
    const qint64 streamBits = bytes.size() * BitsPerFrame;
    QByteArray heard;
    qint64 from = 0;  // the receiver looks for a start bit from here
    for (;;) {
        // A falling edge can only come at a sender bit boundary.
        qint64 bit = (from + senderBit - 1) / senderBit;
        while (bit < streamBits && !(level(bytes, bit - 1) == 1 && level(bytes, bit) == 0))
            ++bit;
        if (bit >= streamBits)
            break;
        const qint64 start = bit * senderBit;
        unsigned char byte = 0;
        for (int i = 0; i < 8; ++i) {
            // The middle of receiver data bit i.
            const qint64 at = start + receiverBit * (2 * i + 3) / 2;
            byte |= static_cast<unsigned char>(level(bytes, at / senderBit) << i);
        }
        heard.append(static_cast<char>(byte));
        // The receiver is ready again after the middle of its stop bit.
        from = start + receiverBit * (2 * (BitsPerFrame - 1) + 1) / 2;
    }
    return heard;
}

QByteArray heardWithoutHandshake(const QByteArray &bytes)
{
    QByteArray heard = bytes;
    for (char &c : heard)
        c = static_cast<char>(static_cast<unsigned char>(c) | 0x80);
    return heard;
}
