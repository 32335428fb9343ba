#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MainWindow window(QCoreApplication::applicationDirPath());
    window.load();
    return app.exec();
}
