// Build-time helper: draws the program's gauge picture as its window icon (an
// ICO file holding one 32-bit PNG image) or as the desktop entry's PNG icon.
#include "Pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QSaveFile>
#include <QtEndian>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void appendLe16(QByteArray &out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 2);
}

void appendLe32(QByteArray &out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char *>(&le), 4);
}

} // namespace

int main(int argc, char *argv[])
{
    // Painting needs a GUI application but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <size> <output.ico|output.png>\n");
        return 2;
    }
    const int size = QByteArray(argv[1]).toInt();
    const QString output = QString::fromLocal8Bit(argv[2]);
    if (size <= 0 || size > 256) {
        std::fprintf(stderr, "make_icon: the size must be 1 to 256\n");
        return 2;
    }

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!drawGauge(size).save(&buffer, "PNG")) {
        std::fprintf(stderr, "make_icon: could not encode the image\n");
        return 1;
    }

    QByteArray bytes;
    if (output.endsWith(u".png"_s)) {
        bytes = png;
    } else {
        appendLe16(bytes, 0); // reserved
        appendLe16(bytes, 1); // type: icon
        appendLe16(bytes, 1); // one image
        bytes.append(char(size % 256)); // 256 is written as 0
        bytes.append(char(size % 256));
        bytes.append(char(0)); // no palette
        bytes.append(char(0)); // reserved
        appendLe16(bytes, 1);  // colour planes
        appendLe16(bytes, 32); // bits per pixel
        appendLe32(bytes, quint32(png.size()));
        appendLe32(bytes, 6 + 16); // the image follows the header and the one entry
        bytes.append(png);
    }

    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "make_icon: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
