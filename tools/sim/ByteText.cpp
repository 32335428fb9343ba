#include "ByteText.h"

QByteArray escapedBytes(const QByteArray &bytes)
{
    static const char hex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (b >= 0x20 && b < 0x7f) {
                out += c;
            } else {
                out += "\\x";
                out += hex[b >> 4];
                out += hex[b & 15];
            }
        }
    }
    return out;
}
