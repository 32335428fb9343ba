// Build-time helper: writes the program's gauge picture as the PNG icon of the
// desktop entry.
#include "Pictures.h"

#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Painting needs a GUI application but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_desktop_icon <size> <output.png>\n");
        return 2;
    }
    const int size = QByteArray(argv[1]).toInt();
    QSaveFile file(QString::fromLocal8Bit(argv[2]));
    if (size <= 0 || !file.open(QIODevice::WriteOnly) || !drawGauge(size).save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "make_desktop_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
