// Build-time helper: writes the program's icon file (the gauge picture) as an
// ICO file that holds one 32-bit PNG image.
#include "Pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QSaveFile>
#include <QtEndian>

#include <cstdio>

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
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon <output.ico>\n");
        return 2;
    }

    constexpr int size = 48;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!drawGauge(size).save(&buffer, "PNG")) {
        std::fprintf(stderr, "make_icon: could not encode the image\n");
        return 1;
    }

    QByteArray ico;
    appendLe16(ico, 0); // reserved
    appendLe16(ico, 1); // type: icon
    appendLe16(ico, 1); // one image
    ico.append(char(size));
    ico.append(char(size));
    ico.append(char(0)); // no palette
    ico.append(char(0)); // reserved
    appendLe16(ico, 1);  // colour planes
    appendLe16(ico, 32); // bits per pixel
    appendLe32(ico, quint32(png.size()));
    appendLe32(ico, 6 + 16); // the image follows the header and the one entry
    ico.append(png);

    QSaveFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size() || !file.commit()) {
        std::fprintf(stderr, "make_icon: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
