// meridoc-sim: plays a measuring instrument on a pseudo-terminal for MERIDOC.

#include "SimOptions.h"
#include "SimRunner.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const ParsedOptions parsed = parseSimOptions(app.arguments(), app.applicationDirPath());
    if (!parsed.helpText.isEmpty()) {
        QTextStream(stdout) << parsed.helpText;
        return 0;
    }
    if (!parsed.options) {
        QTextStream(stderr) << "meridoc-sim: " << parsed.error << "\nTry meridoc-sim --help.\n";
        return 2;
    }

    // Ctrl+C ends the run through the event loop, so the link is removed and the log kept.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        QTextStream(stderr) << "meridoc-sim: cannot set up the Ctrl+C handler.\n";
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    SimRunner runner(*parsed.options);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &runner, [&runner] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {}
        QTextStream(stdout) << "Stopped.\n";
        runner.finish(0);
    });
    if (!runner.start())
        return 1;
    return app.exec();
}
