#include "InstrumentFamily.h"

using namespace Qt::StringLiterals;

namespace {

const QList<FamilyProfile> &profiles()
{
    static const QList<FamilyProfile> list = {
        {InstrumentFamily::Orvik, u"orvik"_s, u"ORVIK FE-B / FN-B"_s,
         TransferStart::KeyPress, "\r\n"_ba, 38400, true, false},
        {InstrumentFamily::Varden, u"varden"_s, u"DURAMO Varden"_s,
         TransferStart::KeyPressMark, "\r\n"_ba, 38400, false, false},
        {InstrumentFamily::Qf2000, u"qf2000"_s, u"QF-2000"_s,
         TransferStart::KeyPressMark, "\r\n"_ba, 38400, false, false},
        {InstrumentFamily::DuramoFn, u"duramo-fn"_s, u"DURAMO FE-S / FN"_s,
         TransferStart::KeyPress, "\r"_ba, 1200, false, false},
        {InstrumentFamily::Qf100, u"qf100"_s, u"QF-100"_s,
         TransferStart::KeyPress, "\r"_ba, 1200, false, false},
        {InstrumentFamily::DuramoSt, u"duramo-st"_s, u"DURAMO 5/10/20 ST"_s,
         TransferStart::T4Command, "\r\n"_ba, 9600, false, true},
        {InstrumentFamily::Kestra, u"kestra"_s, u"KESTRA II"_s,
         TransferStart::T4Command, "\r\n"_ba, 9600, false, true},
        {InstrumentFamily::Qfu, u"qfu"_s, u"QFU-ST"_s,
         TransferStart::KeyPress, "\r\n"_ba, 1200, false, false},
        {InstrumentFamily::Fennix, u"fennix"_s, u"FENNIX FE-S / FN (cable)"_s,
         TransferStart::Polling, "\r\n"_ba, 9600, false, true},
        {InstrumentFamily::FennixRadio, u"fennix-radio"_s, u"FENNIX FE-S / FN (radio)"_s,
         TransferStart::KeyPress, "\r\n"_ba, 1200, false, false},
    };
    return list;
}

} // namespace

const FamilyProfile &familyProfile(InstrumentFamily family)
{
    for (const FamilyProfile &p : profiles()) {
        if (p.family == family)
            return p;
    }
    Q_UNREACHABLE();
}

std::optional<InstrumentFamily> familyFromName(const QString &name)
{
    for (const FamilyProfile &p : profiles()) {
        if (p.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return p.family;
    }
    return std::nullopt;
}

QStringList familyNames()
{
    QStringList names;
    for (const FamilyProfile &p : profiles())
        names.append(p.name);
    return names;
}

QList<InstrumentFamily> allFamilies()
{
    QList<InstrumentFamily> families;
    for (const FamilyProfile &p : profiles())
        families.append(p.family);
    return families;
}

bool startsAtKeyPress(InstrumentFamily family)
{
    const TransferStart start = familyProfile(family).start;
    return start == TransferStart::KeyPress || start == TransferStart::KeyPressMark;
}

namespace WireBytes {
QByteArray startMark() { return "$s$"_ba; }
QByteArray t4() { return "T4"_ba; }
QByteArray poll() { return "$qur10\n\r"_ba; }
QByteArray closing() { return "$qura1\n\r"_ba; }
QByteArray pollingAnswer() { return "FNX 2.4 OK\r\n"_ba; }
QByteArray blockEnd() { return QByteArray(20, '_'); }
}
