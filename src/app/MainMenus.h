// The menu bar of the main window, built from one table: every menu, entry
// and separator carries its name as object name.
#pragma once

#include <QList>

class QMenu;
class QMenuBar;

// Fills the bar and returns the four top-level menus in order (mnuDatei,
// mnuCom, mnuEinlese, mnuHelp). A menu's object name is on the QMenu and on
// its menuAction(); entries and separators are QActions named as in the table.
QList<QMenu *> buildMainMenus(QMenuBar *bar);
