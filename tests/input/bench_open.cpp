// Times Open of a large measurement file through the main window and reports
// the peak memory: meridoc-bench-open [megabytes] [lines] (default 200 MB in
// 10 million lines). Prints one line: seconds, peak resident MB, entries.
#include "DataList.h"
#include "DialogRouter.h"
#include "MainWindow.h"
#include "ProcessUsage.h"
#include "WindowDownloadHost.h"
#include "SharedFileDialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Lines of equal length ending in CR LF, numbered so that no two are alike.
bool writeLargeFile(const QString &path, qint64 megabytes, qint64 lines)
{
    const qint64 lineLength = std::max<qint64>(megabytes * 1024 * 1024 / lines, 12);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    for (qint64 i = 0; i < lines; ++i) {
        QByteArray line = QByteArray::number(i).rightJustified(lineLength - 2, '0');
        line[0] = 'M';
        chunk += line + "\r\n";
        if (chunk.size() > (1 << 20)) {
            if (file.write(chunk) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    return file.write(chunk) == chunk.size() && file.commit();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 megabytes = args.size() > 1 ? args.at(1).toLongLong() : 200;
    const qint64 lines = args.size() > 2 ? args.at(2).toLongLong() : 10'000'000;

    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(u"large.mes"_s);
    if (!writeLargeFile(path, megabytes, lines)) {
        std::fprintf(stderr, "meridoc-bench-open: cannot write %s\n", qPrintable(path));
        return 2;
    }

    MainWindow window(folder.path());
    window.fileDialog().setChooser([&](SharedFileDialog::Mode, const SharedFileDialog &) {
        return std::optional<QString>(path);
    });
    window.dialogs().setHandler([](const DialogRouter::Request &request) {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        return false;
    });
    window.show();
    QApplication::processEvents();
    const qint64 before = peakResidentBytes() >> 20;

    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction *>(u"mnuOpen"_s)->trigger();
    const qint64 openMs = clock.elapsed();
    window.grab();
    const qint64 drawnMs = clock.elapsed();

    std::printf("open %lld MB, %lld lines: %.2f s to open, %.2f s until drawn, peak memory %lld MB (%lld MB before), "
                "%lld entries\n",
                megabytes, lines, openMs / 1000.0, drawnMs / 1000.0, peakResidentBytes() >> 20, before,
                qint64(window.host().dataList().count()));
    return window.host().dataList().count() == lines ? 0 : 1;
}
