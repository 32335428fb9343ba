// The pure rules against small reference models, over thousands of inputs
// drawn from fixed seeds (a failure names its seed and input).
#include "Blocks.h"
#include "MeasurementFile.h"
#include "PortEntry.h"
#include "PortFile.h"
#include "PortNumber.h"
#include "ReceivedText.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <cfenv>
#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

using Entries = QList<QByteArray>;

namespace {

constexpr int kRounds = 4000;

// Text of up to maxLength characters drawn from the given alphabet.
template<typename Text>
Text randomText(QRandomGenerator &random, const Text &alphabet, int maxLength)
{
    Text text;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return text;
}

Entries randomEntries(QRandomGenerator &random, const QList<QByteArray> &pieces, int maxEntries, int maxPieces)
{
    Entries entries;
    const int count = int(random.bounded(maxEntries + 1));
    for (int i = 0; i < count; ++i) {
        QByteArray entry;
        const int n = int(random.bounded(maxPieces + 1));
        for (int k = 0; k < n; ++k)
            entry += pieces.at(random.bounded(int(pieces.size())));
        entries.append(entry);
    }
    return entries;
}

// Every entry of the list followed by CR LF, then one CR LF more; nothing for
// an empty list.
QByteArray modelAssembly(const Entries &entries)
{
    if (entries.isEmpty())
        return {};
    QByteArray text;
    for (const QByteArray &entry : entries)
        text += entry + "\r\n";
    return text + "\r\n";
}

// The buffer grows entry by entry and is stored as a block whenever the
// whole of it holds 20 underscores.
Entries modelBlocks(const Entries &entries)
{
    Entries blocks;
    QByteArray buffer;
    for (const QByteArray &entry : entries) {
        buffer += entry + "\r\n";
        if (buffer.contains("____________________")) {
            blocks.append(buffer);
            buffer.clear();
        }
    }
    return blocks;
}

// Byte by byte: CR ends a line, a LF right after it is part of that end.
Entries modelFileLines(const QByteArray &file)
{
    Entries lines;
    QByteArray line;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file.at(i) != '\r') {
            line += file.at(i);
            continue;
        }
        if (!line.isEmpty())
            lines.append(line);
        line.clear();
        if (i + 1 < file.size() && file.at(i + 1) == '\n')
            ++i;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// The number at the start of a line with its blanks taken out, as a value.
double modelLineValue(const QByteArray &line)
{
    QByteArray packed = line;
    packed.replace(' ', QByteArray()).replace('\t', QByteArray());
    static const QRegularExpression number(u"^[+-]?[0-9]*(\\.[0-9]*)?"_s);
    const QString text = number.match(QString::fromLatin1(packed)).captured();
    const QString digits = QString(text).remove(u'+').remove(u'-').remove(u'.');
    if (digits.isEmpty())
        return 0.0;
    return std::strtod(text.toLatin1().constData(), nullptr);
}

bool isShortestForm(const QString &text)
{
    static const QRegularExpression shortest(u"^(0|-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?)$"_s);
    return shortest.match(text).hasMatch() && text != u"-0"_s;
}

std::optional<int> modelCommPort(const QString &text)
{
    static const QRegularExpression number(u"^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"_s);
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch())
        return std::nullopt;
    std::fesetround(FE_TONEAREST);
    const double value = std::nearbyint(std::strtod(t.toLatin1().constData(), nullptr));
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return int(value);
}

PortEntry modelPortEntry(const QString &entry)
{
    if (entry.isEmpty())
        return {};
    static const QRegularExpression number(u"^ *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+) *$"_s);
    const QString lastTwo = entry.right(2);
    const QString chosen = number.match(lastTwo).hasMatch() ? lastTwo : entry.right(1);
    const QChar last = chosen.back();
    if (last < u'0' || last > u'9')
        return {PortEntry::Invalid, {}, 0};
    const int port = int(std::trunc(std::strtod(QString(chosen).remove(u' ').toLatin1().constData(), nullptr)));
    if (port < 1)
        return {PortEntry::Invalid, {}, 0};
    return {port > 16 ? PortEntry::AboveSixteen : PortEntry::Port, chosen, port};
}

QByteArray shown(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(" _.-+");
}

} // namespace

class TestProperties : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void assemblyAndBlocks();
    void measurementFileLines();
    void portFileReading();
    void portNumberAsCommPort();
    void portDialogEntry();
};

void TestProperties::assemblyAndBlocks()
{
    // Runs of underscores of every length around 20 (10 + 9 is one short).
    const QList<QByteArray> pieces{"12.5"_ba, " um"_ba, "_"_ba, "_________"_ba, "__________"_ba, "\r"_ba, "\n"_ba,
                                   "\r\n"_ba, "End"_ba, QByteArray(1, '\0'), "\xb5m"_ba};
    QRandomGenerator random(7001);
    for (int round = 0; round < kRounds; ++round) {
        const Entries entries = randomEntries(random, pieces, 12, 5);
        const QByteArray assembled = assembleReceivedText(entries);
        QVERIFY2(assembled == modelAssembly(entries), qPrintable(u"round %1"_s.arg(round)));
        const Entries blocks = cutBlocks(entries);
        QVERIFY2(blocks == modelBlocks(entries),
                 qPrintable(u"round %1: %2"_s.arg(round).arg(QString::fromLatin1(shown(entries.join('|'))))));
        QVERIFY(assembled.startsWith(blocks.join()));
    }
}

void TestProperties::measurementFileLines()
{
    const QByteArray alphabet = "ab \t\r\r\n\n\n_"_ba + QByteArray(1, '\0') + "\xff"_ba;
    QRandomGenerator random(7002);
    for (int round = 0; round < kRounds; ++round) {
        const QByteArray file = randomText(random, alphabet, 24);
        const Entries entries = measurementFileEntries(file);
        QVERIFY2(entries == modelFileLines(file), shown(file).constData());

        // What Open shows, Save writes back so that the next Open shows it again.
        const QByteArray saved = measurementFileContent(assembleReceivedText(entries)).join();
        QVERIFY2(measurementFileEntries(saved) == entries, shown(file).constData());
    }
}

// Any run of CR and LF ends a line; the dialog shows the last line with text.
QString modelLastNonEmptyLine(const QByteArray &content)
{
    QByteArray last;
    for (const QByteArray &piece : content.split('\n')) {
        for (const QByteArray &line : piece.split('\r')) {
            if (!line.isEmpty())
                last = line;
        }
    }
    return QString::fromLatin1(last);
}

void TestProperties::portFileReading()
{
    const QByteArray alphabet = "0123456789  \t+-.x\r\n\xff"_ba;
    QRandomGenerator random(7003);
    for (int round = 0; round < kRounds; ++round) {
        const QByteArray content = randomText(random, alphabet, 14);
        const std::optional<QByteArray> line = firstLine(content);
        QCOMPARE(line.has_value(), !content.isEmpty());
        if (!line)
            continue;
        const qsizetype cr = content.indexOf('\r');
        const qsizetype lf = content.indexOf('\n');
        QCOMPARE(*line, content.left(std::min(cr < 0 ? content.size() : cr, lf < 0 ? content.size() : lf)));

        const QString number = portNumberFromFirstLine(*line);
        QVERIFY2(isShortestForm(number), qPrintable(number + u" from "_s + QString::fromLatin1(*line)));
        QVERIFY2(number.toDouble() == modelLineValue(*line), qPrintable(number + u" from "_s + QString::fromLatin1(*line)));

        QCOMPARE(lastNonEmptyLine(content), modelLastNonEmptyLine(content));
        const QByteArray stored = formatPortFile(int(random.bounded(-40000, 40000)));
        QCOMPARE(lastNonEmptyLine(content + "\r\n"_ba + stored), QString::fromLatin1(stored.chopped(2)));
    }
}

void TestProperties::portNumberAsCommPort()
{
    const QString alphabet = u"0123456789 .+-5a"_s;
    // Besides the random texts: lengths no random draw reaches.
    const QStringList fixed{QString(5000, u'9'), QString(5000, u'0') + u"5"_s, u"32767.5"_s, u"-32768"_s};
    QRandomGenerator random(7004);
    for (int round = 0; round < kRounds + fixed.size(); ++round) {
        const QString text = round < fixed.size() ? fixed.at(round) : randomText(random, alphabet, 8);
        const std::optional<qint16> port = portNumberFromText(text);
        const std::optional<int> model = modelCommPort(text);
        QVERIFY2(port.has_value() == model.has_value(), qPrintable(u"\""_s + text + u'"'));
        if (port)
            QVERIFY2(*port == *model, qPrintable(u"\""_s + text + u'"'));
        // The window reads no more than 1024 characters of a Port.txt line.
        if (text.size() > 1024)
            continue;
        // Whatever the main window read from Port.txt, the port-open step can convert.
        const std::optional<qint16> read = portNumberFromText(portNumberFromFirstLine(text.toLatin1()));
        const double rounded = std::nearbyint(modelLineValue(text.toLatin1()));
        QVERIFY2(read.has_value() == (rounded >= -32768 && rounded <= 32767), qPrintable(u"\""_s + text + u'"'));
        if (read)
            QCOMPARE(double(*read), rounded);
    }
}

void TestProperties::portDialogEntry()
{
    const QString alphabet = u"0123456789 .+-COMx\u0663"_s;
    QRandomGenerator random(7005);
    for (int round = 0; round < kRounds; ++round) {
        const QString entry = randomText(random, alphabet, 5);
        const PortEntry result = portEntryFromText(entry);
        const PortEntry model = modelPortEntry(entry);
        const QByteArray context = (u"\""_s + entry + u'"').toUtf8();
        QVERIFY2(result.kind == model.kind, context.constData());
        QVERIFY2(result.comPortNumber == model.comPortNumber, context.constData());
        QVERIFY2(result.port == model.port, context.constData());
    }
}

QTEST_GUILESS_MAIN(TestProperties)
#include "tst_properties.moc"
