#include "SimOptions.h"

#include <QCommandLineParser>

using namespace Qt::StringLiterals;

namespace {

bool readNumber(const QCommandLineParser &parser, const QString &name, qint64 minimum,
                qint64 *value, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 n = parser.value(name).toLongLong(&ok);
    if (!ok || n < minimum) {
        *error = u"--%1 needs a whole number of at least %2, not \"%3\"."_s
                     .arg(name).arg(minimum).arg(parser.value(name));
        return false;
    }
    *value = n;
    return true;
}

} // namespace

ParsedOptions parseSimOptions(const QStringList &arguments, const QString &defaultFolder)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Plays a measuring instrument on a pseudo-terminal, so that MERIDOC can download "
        "from it without an instrument. Families: %1."_s.arg(familyNames().join(u", "_s)));
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    parser.addOptions({
        help,
        {u"family"_s, u"The instrument family to play."_s, u"name"_s},
        {u"folder"_s, u"Program folder whose ports/comN leads to the instrument (default: "
                      "the folder of meridoc-sim)."_s, u"folder"_s},
        {u"com"_s, u"COM number to link, 1 to 16 (default 1)."_s, u"n"_s},
        {u"data"_s, u"Send this file byte for byte instead of the built-in sample."_s, u"file"_s},
        {u"split"_s, u"Cut the data into random small writes from this seed (default: a random "
                     "seed; a flood of --lines is written whole unless this is given)."_s, u"seed"_s},
        {u"no-split"_s, u"Write the data whole, as fast as the line takes them."_s},
        {u"any-line"_s, u"Talk whatever speed and handshake the port is set to, also before it is "
                        "opened (for readers such as cat, and for measurements)."_s},
        {u"baud"_s, u"Pace the data at this baud rate (baud/10 bytes a second)."_s, u"rate"_s},
        {u"pause-ms"_s, u"Instruments started by their key: press it after this many ms "
                        "instead of on Enter. Others: wait this long before answering."_s, u"ms"_s},
        {u"answer-pause-ms"_s, u"Pause between \"$s$\" or the polling answer and the data "
                               "(default none)."_s, u"ms"_s},
        {u"line-pause-ms"_s, u"Pause after every line."_s, u"ms"_s},
        {u"drop-after"_s, u"Close the line after this many bytes (the device vanishes)."_s, u"bytes"_s},
        {u"lines"_s, u"Send this many numbered lines instead of the data (flood)."_s, u"n"_s},
        {u"line-length"_s, u"Length of a flood line without its record end (default 20)."_s, u"n"_s},
        {u"no-end"_s, u"Leave out the closing \"End\" line of the sample or flood."_s},
        {u"log"_s, u"Write the bytes received from the program to this file instead of "
                   "standard output."_s, u"file"_s},
        {u"repeat"_s, u"Stay and serve further downloads; end with Ctrl+C."_s},
        {u"print-path"_s, u"Print the device path instead of making a ports/comN link."_s},
    });

    ParsedOptions result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.helpText = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = u"Unexpected argument \"%1\"."_s.arg(parser.positionalArguments().first());
        return result;
    }
    SimOptions options;
    const std::optional<InstrumentFamily> family = familyFromName(parser.value(u"family"_s));
    if (!family) {
        result.error = parser.isSet(u"family"_s)
            ? u"Unknown family \"%1\"; choose one of: %2."_s.arg(parser.value(u"family"_s),
                                                                 familyNames().join(u", "_s))
            : u"Say which instrument to play with --family (%1)."_s.arg(familyNames().join(u", "_s));
        return result;
    }
    options.family = *family;
    options.folder = parser.isSet(u"folder"_s) ? parser.value(u"folder"_s) : defaultFolder;
    options.dataFile = parser.value(u"data"_s);
    options.logFile = parser.value(u"log"_s);
    options.noEnd = parser.isSet(u"no-end"_s);
    options.noSplit = parser.isSet(u"no-split"_s);
    options.anyLine = parser.isSet(u"any-line"_s);
    options.repeat = parser.isSet(u"repeat"_s);
    options.printPath = parser.isSet(u"print-path"_s);

    qint64 com = options.com, seed = -1, baud = 0, pause = -1, answerPause = -1, linePause = 0,
           lineLength = options.lineLength;
    QString error;
    const bool ok = readNumber(parser, u"com"_s, 1, &com, &error)
        && readNumber(parser, u"split"_s, 0, &seed, &error)
        && readNumber(parser, u"baud"_s, 10, &baud, &error)
        && readNumber(parser, u"pause-ms"_s, 0, &pause, &error)
        && readNumber(parser, u"answer-pause-ms"_s, 0, &answerPause, &error)
        && readNumber(parser, u"line-pause-ms"_s, 0, &linePause, &error)
        && readNumber(parser, u"drop-after"_s, 0, &options.dropAfter, &error)
        && readNumber(parser, u"lines"_s, 0, &options.floodLines, &error)
        && readNumber(parser, u"line-length"_s, 1, &lineLength, &error);
    if (!ok) {
        result.error = error;
        return result;
    }
    if (com > 16) {
        result.error = u"--com must be between 1 and 16."_s;
        return result;
    }
    if (seed > 0xffffffffLL || baud > 4000000 || pause > 3600000 || answerPause > 3600000
        || linePause > 3600000 || lineLength > 100000) {
        result.error = u"A number on the command line is too large."_s;
        return result;
    }
    if (options.noSplit && parser.isSet(u"split"_s)) {
        result.error = u"Give either --split or --no-split, not both."_s;
        return result;
    }
    if (!options.dataFile.isEmpty() && options.floodLines >= 0) {
        result.error = u"Give either --data or --lines, not both."_s;
        return result;
    }
    options.com = int(com);
    if (seed >= 0)
        options.splitSeed = quint32(seed);
    options.baud = int(baud);
    options.pauseMs = int(pause);
    options.answerPauseMs = int(answerPause);
    options.linePauseMs = int(linePause);
    options.lineLength = int(lineLength);
    result.options = options;
    return result;
}
