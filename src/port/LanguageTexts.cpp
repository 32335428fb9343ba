#include "LanguageTexts.h"

using namespace Qt::StringLiterals;

QString LanguageTexts::text(int slot) const
{
    return text(slot, LanguageIndex);
}

QString LanguageTexts::text(int slot, int language) const
{
    if (slot < 0 || slot >= SlotCount || language < 0 || language >= LanguageCount)
        return {};
    return texts[std::size_t(slot + SlotCount * language)];
}

void InitLanguageTexts(LanguageTexts &table)
{
    table.LanguageIndex = LanguageTexts::English;
    const auto set = [&table](int slot, int language, const QString &text) {
        table.texts[std::size_t(slot + LanguageTexts::SlotCount * language)] = text;
    };
    using L = LanguageTexts;
    set(L::FrameCaption, L::German, u"COM Schnittstellen:"_s);
    set(L::FrameCaption, L::English, u"Com Ports:"_s);
    set(L::WindowCaption, L::German, u"USB+Serieller Schnittstellenanschluss"_s);
    set(L::WindowCaption, L::English, u"USB+Serial Port Connection"_s);
    set(L::ConnectedTo, L::German, u"Gerät angeschlossen an:"_s);
    set(L::ConnectedTo, L::English, u"Instrument connected to:"_s);
    set(L::EnterPort, L::German, u"Geräte-Schnittstelle eingeben:"_s);
    set(L::EnterPort, L::English, u"Enter COM-Port of instrument:"_s);
    set(L::DeviceManagerHint, L::German,
        u"Bitte im Gerätemanager die Geräteschnittstelle auswählen. Die Geräteschnittstelle muss kleiner "
        u"COM 16 sein, diese kann im Gerätemanager geändert werden !"_s);
    set(L::DeviceManagerHint, L::English,
        u"Please select the interface port at the device manager. The COM port number must be less than "
        u"COM 16, please change this setting at the device manager !"_s);
    set(L::WrongPort, L::German, u"Falsche Schnittstelle gewählt !"_s);
    set(L::WrongPort, L::English, u"Selected wrong interface port !"_s);
    set(L::AboveSixteen, L::German, u"COM Nummer muss <= 16 sein, bitte in Gerätemanager ändern !"_s);
    set(L::AboveSixteen, L::English,
        u"Port number must be <= 16, please change the number in the device manager !"_s);
}

QString portMessageTitle()
{
    return u"COM 1-16 gültig"_s;
}
