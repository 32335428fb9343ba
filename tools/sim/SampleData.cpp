#include "SampleData.h"

namespace {

QList<QByteArray> memory(InstrumentFamily family)
{
    const QByteArray bar = WireBytes::blockEnd();
    switch (family) {
    case InstrumentFamily::Orvik:
        return {"ORVIK FE-B  Memory 1", "  12.5 um", "  13.1 um", "  12.8 um", "  13.4 um", bar,
                "ORVIK FE-B  Memory 2", "  48.0 um", "  47.2 um", "  49.1 um", bar};
    case InstrumentFamily::Varden:
        return {"DURAMO Varden  Batch 1", "  35.2 um", "  36.0 um", "  34.8 um", bar,
                "DURAMO Varden  Batch 2", " 102.5 um", "  99.7 um", bar};
    case InstrumentFamily::Qf2000:
        return {"QF-2000  Memory 1", "   1.25 V/m", "   1.31 V/m", "   1.28 V/m", bar,
                "QF-2000  Memory 2", "   0.87 A/m", "   0.91 A/m", bar};
    case InstrumentFamily::DuramoFn:
        return {"DURAMO FE-S  Memory", "  21.4 um", "  22.0 um", "  21.7 um"};
    case InstrumentFamily::Qf100:
        return {"QF-100  Memory", "  450 nT", "  462 nT", "  455 nT"};
    case InstrumentFamily::DuramoSt:
        return {"DURAMO 5 ST  Series 1", "   8.2 um", "   8.5 um", "   8.1 um", "   8.4 um"};
    case InstrumentFamily::Kestra:
        return {"KESTRA II  Batch 1", "  75.3 um", "  74.9 um", "  76.2 um"};
    case InstrumentFamily::Qfu:
        return {"QFU-ST  Memory", "   0.52 V/m", "   0.55 V/m", "   0.49 V/m"};
    case InstrumentFamily::Fennix:
        return {"FENNIX FE-S  Memory 1", "  15.6 um", "  16.2 um", "  15.9 um"};
    case InstrumentFamily::FennixRadio:
        return {"FENNIX FN  Radio", "  220 um", "  218 um", "  224 um"};
    }
    return {};
}

} // namespace

QList<QByteArray> sampleLines(InstrumentFamily family, bool withEnd)
{
    QList<QByteArray> lines = memory(family);
    if (withEnd)
        lines.append(QByteArrayLiteral("End"));
    return lines;
}

QByteArray sampleData(InstrumentFamily family, bool withEnd)
{
    const QByteArray end = familyProfile(family).recordEnd;
    QByteArray data;
    for (const QByteArray &line : sampleLines(family, withEnd))
        data += line + end;
    return data;
}
