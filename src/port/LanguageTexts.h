// The port dialog's texts in German and English: eight slots per language,
// the language picked by LanguageIndex.
#pragma once

#include <QString>
#include <array>

struct LanguageTexts
{
    static constexpr int SlotCount = 8;
    static constexpr int LanguageCount = 3;

    enum Slot : int {
        FrameCaption = 0,
        WindowCaption = 1,
        ConnectedTo = 2,
        EnterPort = 3,
        DeviceManagerHint = 4,
        WrongPort = 5,
        AboveSixteen = 6,
    };
    enum Language : qint16 { German = 0, English = 1 };

    // Slot k of language l is element k + SlotCount * l; language 2 has room but no texts.
    std::array<QString, SlotCount * LanguageCount> texts;
    qint16 LanguageIndex = German;

    // The slot in the language LanguageIndex selects; empty outside the table.
    QString text(int slot) const;
    QString text(int slot, int language) const;
};

// Fills the German and English texts and selects English.
void InitLanguageTexts(LanguageTexts &table);

// Every message box of the port dialog carries this title, in every language.
QString portMessageTitle();
