// The instruments the command line reads, by the names meridoc-sim uses, and
// the menu entry's download that reads each one.
#pragma once

#include "Downloads.h"

#include <QStringList>
#include <QStringView>
#include <array>

struct ReadInstrument
{
    const char16_t *name;
    DownloadOutcome (*download)(DownloadHost &host);
    bool cutsBlocks;   // its blocks may also go to numbered files
};

inline constexpr std::array<ReadInstrument, 10> readInstruments{{
    {u"orvik", mnuOV_Click, true},
    {u"varden", mnuVarden_Click, true},
    {u"qf2000", mnuQF2000_Click, true},
    {u"fennix", mnuFennix_Click, false},
    {u"fennix-radio", mnuFennix_Radio_Click, false},
    {u"duramo-fn", mnuDuramoFN_Click, false},
    {u"qf100", mnuQF100_Click, false},
    {u"duramo-st", mnuDuramoST_Click, false},
    {u"kestra", mnuKestra2_Click, false},
    {u"qfu", mnuQFU_Click, false},
}};

inline const ReadInstrument *findReadInstrument(QStringView name)
{
    for (const ReadInstrument &instrument : readInstruments) {
        if (name == instrument.name)
            return &instrument;
    }
    return nullptr;
}

// "orvik, varden, ..." for the help and the messages.
inline QString instrumentNames()
{
    QStringList names;
    for (const ReadInstrument &instrument : readInstruments)
        names.append(QString::fromUtf16(instrument.name));
    return names.join(QStringLiteral(", "));
}
