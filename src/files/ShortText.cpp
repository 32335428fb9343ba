#include "ShortText.h"

using namespace Qt::StringLiterals;

QString shortForMessage(const QString &text)
{
    constexpr qsizetype shown = 40;
    if (text.size() <= shown)
        return text;
    // A character outside the BMP is two UTF-16 units: keep it whole or not at all.
    const qsizetype cut = text.at(shown - 1).isHighSurrogate() ? shown - 1 : shown;
    return text.left(cut) + u"…"_s;
}
