#include "HelpTexts.h"

#include "ReadInstruments.h"

using namespace Qt::StringLiterals;

QString usageText()
{
    return u"Usage: meridoc [--help | --version]\n"
           "       meridoc read INSTRUMENT [--com N | --device PATH] [-o FILE] [--blocks BASE] [--force]\n"
           "                               [--timeout SECONDS] [--no-history]\n"_s;
}

QString helpText()
{
    return usageText()
        + u"\n"
          "Without arguments MERIDOC opens its window. \"meridoc read\" reads the stored measurements of\n"
          "an instrument without a window, as the window's menu \"Data transfer\" does, and writes the lines\n"
          "as a measurement data file, the bytes \"Save\" writes: every line as the instrument sent it,\n"
          "followed by CR LF, and two more CR LF behind the last line's own.\n"
          "\n"
          "INSTRUMENT is one of:\n"
          "  %1\n"
          "\n"
          "Options of read:\n"
          "  --com N             the COM port 1 to 16 (default: the one in Port.txt)\n"
          "  --device PATH       the serial device to use instead, e.g. /dev/ttyUSB0\n"
          "  -o, --output FILE   write the lines to FILE, whole or not at all; a FIFO or a device\n"
          "                      gets each line as it arrives, as standard output does (the\n"
          "                      default, or \"-\")\n"
          "  --blocks BASE       orvik, varden, qf2000: also write each block to BASE(1).mes,\n"
          "                      BASE(2).mes, ...\n"
          "  --force             replace existing block files\n"
          "  --timeout SECONDS   end the read as ESC does after SECONDS without a received byte\n"
          "                      (at most 86400); an instrument that keeps sending is read to its end\n"
          "  --no-history        keep no copy of this read in the download history\n"
          "\n"
          "A read waits as the window does, until the instrument sends its end or a signal or\n"
          "--timeout ends it: an instrument that never answers keeps it waiting, so scripts should\n"
          "give --timeout. What can be known before the instrument is read is checked first: a file\n"
          "that cannot be written, a folder that is missing, block files that exist (without\n"
          "--force). With no line received nothing is written anywhere.\n"
          "\n"
          "Ctrl+C (SIGINT), SIGTERM and SIGHUP end the read as ESC does in the window: the closing\n"
          "command goes out, the lines are written, the history copy is finished; then meridoc ends\n"
          "by that signal. A second one gives up at once. When the reader of standard output goes\n"
          "away, the read ends the same way and meridoc ends by SIGPIPE. Messages go to standard\n"
          "error.\n"
          "\n"
          "Exit status:\n"
          "  0  the instrument sent its end mark \"End\" (or the line's end-of-file character)\n"
          "  1  nothing was read: the port could not be opened or set, or a check before the\n"
          "     read failed\n"
          "  2  the command line is wrong\n"
          "  3  --timeout ended the read after lines came; they are written\n"
          "  4  the connection was lost; the lines received, if any, are written\n"
          "  5  nothing came at all; nothing is written\n"
          "  6  the instrument was read, but a file could not be written; the message names\n"
          "     the history copy that holds the lines\n"
          "  A signal ends meridoc by that signal once the read is wound up (the shell shows\n"
          "  128 + its number: 130 for Ctrl+C, 141 for SIGPIPE).\n"_s.arg(instrumentNames());
}

QString versionText()
{
    return u"meridoc %1\n"_s.arg(QStringLiteral(MERIDOC_VERSION));
}
