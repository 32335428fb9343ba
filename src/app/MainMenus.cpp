#include "MainMenus.h"

#include <QAction>
#include <QHash>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { Menu, Entry, Separator };

struct Item
{
    Kind kind;
    const char16_t *name;
    const char16_t *caption;
    const char16_t *shortcut;
    const char16_t *parent; // empty: the menu bar
};

// In the order they appear; a parent always comes before its children.
constexpr Item items[] = {
    {Kind::Menu, u"mnuDatei", u"&File", u"", u""},
    {Kind::Entry, u"mnuOpen", u"&Open data file", u"Ctrl+O", u"mnuDatei"},
    {Kind::Entry, u"mnuSpeichern", u"&Save data file as", u"Ctrl+S", u"mnuDatei"},
    {Kind::Entry, u"mnuDrucken", u"&Print data file", u"Ctrl+P", u"mnuDatei"},
    {Kind::Entry, u"mnuHistory", u"Download &history...", u"", u"mnuDatei"},
    {Kind::Separator, u"mnuTrenn", u"", u"", u"mnuDatei"},
    {Kind::Entry, u"mnuEnd", u"&End program", u"Ctrl+E", u"mnuDatei"},

    {Kind::Menu, u"mnuCom", u"&Interface", u"", u""},
    {Kind::Entry, u"mnuInterface1", u"Select interface", u"Ctrl+F1", u"mnuCom"},

    {Kind::Menu, u"mnuEinlese", u"&Data transfer ", u"", u""},
    {Kind::Menu, u"mnuCoat", u"&Coating Thickness Meter", u"", u"mnuEinlese"},
    {Kind::Entry, u"mnuOV", u"&1 Read data from ORVIK FE-B / FN-B", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn15", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuVarden", u"&1 Read data from DURAMO Varden", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn14", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuFennix", u"&2 Read data from FENNIX FE-S / FN with Interface Cabel", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn13", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuFennix_Radio", u"&3 Read data from FENNIX FE-S / FN with Radio Control", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn11", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuDuramoFN", u"&4 Read data from DURAMO FE-S / FN", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn3", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuDuramoST", u"&4 Read data from DURAMO 5/10/20 ST", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn5", u"", u"", u"mnuCoat"},
    {Kind::Entry, u"mnuKestra2", u"&5 KESTRA II / DURAMO 80F-ST", u"", u"mnuCoat"},
    {Kind::Separator, u"mnuTrenn6", u"", u"", u"mnuEinlese"},
    {Kind::Menu, u"mnuField", u"Field Strength Meter", u"", u"mnuEinlese"},
    {Kind::Entry, u"mnuQF100", u"&1 Read data from QF-100", u"", u"mnuField"},
    {Kind::Separator, u"mnuTrenn7", u"", u"", u"mnuField"},
    {Kind::Entry, u"mnuQFU", u"&2 Read data from QFU-ST", u"", u"mnuField"},
    {Kind::Separator, u"mnuTrenn8", u"", u"", u"mnuField"},
    {Kind::Entry, u"mnuQF2000", u"&3 Read data from QF-2000", u"", u"mnuField"},
    {Kind::Separator, u"mnuTrenn10", u"", u"", u"mnuEinlese"},

    {Kind::Menu, u"mnuHelp", u"&Help", u"", u""},
    {Kind::Entry, u"mnuHelp1", u"&Meridoc help ", u"F1", u"mnuHelp"},
    {Kind::Entry, u"mnuInfo", u"Info", u"", u"mnuHelp"},
};

} // namespace

QList<QMenu *> buildMainMenus(QMenuBar *bar)
{
    QList<QMenu *> topLevel;
    QHash<QString, QMenu *> menus;
    for (const Item &item : items) {
        const QString name = QString::fromUtf16(item.name);
        const QString parentName = QString::fromUtf16(item.parent);
        QMenu *parent = parentName.isEmpty() ? nullptr : menus.value(parentName);
        switch (item.kind) {
        case Kind::Menu: {
            QMenu *menu = parent ? parent->addMenu(QString::fromUtf16(item.caption))
                                 : bar->addMenu(QString::fromUtf16(item.caption));
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name);
            menus.insert(name, menu);
            if (!parent)
                topLevel.append(menu);
            break;
        }
        case Kind::Entry: {
            QAction *action = parent->addAction(QString::fromUtf16(item.caption));
            action->setObjectName(name);
            const QString shortcut = QString::fromUtf16(item.shortcut);
            if (!shortcut.isEmpty())
                action->setShortcut(QKeySequence(shortcut, QKeySequence::PortableText));
            break;
        }
        case Kind::Separator:
            parent->addSeparator()->setObjectName(name);
            break;
        }
    }
    return topLevel;
}
