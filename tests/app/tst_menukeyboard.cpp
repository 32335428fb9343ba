// The menus of the real window used by keyboard alone: every download entry
// can be reached and chosen again after any download, and the menus stay shut
// while a download runs.
#include "MainWindow.h"
#include "MainWindowRig.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A key goes where the system sends it: to the open menu, else to the
// widget with the keyboard focus, else to the window.
void press(QWidget &window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *target = QApplication::activePopupWidget();
    if (!target)
        target = QApplication::focusWidget();
    if (!target)
        target = &window;
    QTest::keyClick(target, key, modifiers);
}

QString activeEntry(const QMenu *menu)
{
    return menu && menu->activeAction() ? menu->activeAction()->objectName() : QString();
}

QString openMenu()
{
    const QWidget *popup = QApplication::activePopupWidget();
    return popup ? popup->objectName() : QString();
}

struct Entry
{
    const char *submenu;   // the sub-menu of "&Data transfer " it sits in
    int downs;             // Down presses from the first entry of that sub-menu
    const char *name;
};

// The data menu in its order of entries.
const Entry coatingEntries[] = {
    {"mnuCoat", 0, "mnuOV"},        {"mnuCoat", 1, "mnuVarden"},   {"mnuCoat", 2, "mnuFennix"},
    {"mnuCoat", 3, "mnuFennix_Radio"}, {"mnuCoat", 4, "mnuDuramoFN"}, {"mnuCoat", 5, "mnuDuramoST"},
    {"mnuCoat", 6, "mnuKestra2"},
};
const Entry fieldEntries[] = {
    {"mnuField", 0, "mnuQF100"},
    {"mnuField", 1, "mnuQFU"},
    {"mnuField", 2, "mnuQF2000"},
};

} // namespace

class TestMenuKeyboard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyDataEntryAfterEveryDownload();
};

void TestMenuKeyboard::everyDataEntryAfterEveryDownload()
{
    MainWindowRig rig;
    PtyReader &instrument = rig.plugSilent();
    QVERIFY(instrument.pty().isOpen());
    rig.answerYes = false;
    MainWindow &window = rig.start();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy commands(&window, &MainWindow::menuCommand);
    const auto *dataMenu = window.findChild<QMenu *>(u"mnuEinlese"_s);
    const auto locked = [&] { return !dataMenu->menuAction()->isEnabled(); };

    // While a download runs the keyboard opens no menu; then ESC ends it.
    // The Varden and the QF-2000 wait for their start mark without an ESC test.
    QStringList openedWhileLocked;
    int lockedTicks = 0;
    bool downloading = false;
    QTimer esc;
    esc.setInterval(50);
    connect(&esc, &QTimer::timeout, &window, [&] {
        if (downloading)
            instrument.write("$s$");
        if (!locked())
            return;
        ++lockedTicks;
        for (Qt::Key key : {Qt::Key_F, Qt::Key_I, Qt::Key_D, Qt::Key_H}) {
            press(window, key, Qt::AltModifier);
            if (!openMenu().isEmpty()) {
                openedWhileLocked.append(openMenu());
                press(window, Qt::Key_Escape);
            }
        }
        press(window, Qt::Key_Escape);
    });
    esc.start();

    QList<Entry> order;
    // Field entries first: a download from that sub-menu used to spoil the next one.
    for (const Entry &entry : fieldEntries)
        order.append(entry);
    for (const Entry &entry : coatingEntries)
        order.append(entry);
    order.append(fieldEntries[1]);
    order.append(coatingEntries[0]);

    const int subMenuDelay = dataMenu->style()->styleHint(QStyle::SH_Menu_SubMenuPopupDelay, nullptr, dataMenu) + 100;
    QString previous = u"start-up"_s;
    for (const Entry &entry : std::as_const(order)) {
        const QString name = QString::fromLatin1(entry.name);
        const QString submenu = QString::fromLatin1(entry.submenu);
        commands.clear();

        const QByteArray where = "on the way to " + name.toLatin1() + ", after " + previous.toLatin1();
        press(window, Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY2(openMenu() == u"mnuEinlese"_s, (where + ": open is \"" + openMenu().toLatin1() + "\"").constData());
        // As long as a user takes to look: a sub-menu that opens by itself does so by now.
        QTest::qWait(subMenuDelay);
        QVERIFY2(activeEntry(dataMenu) == u"mnuCoat"_s, where.constData());
        QVERIFY2(!window.findChild<QMenu *>(u"mnuCoat"_s)->isVisible(), (where + ": a sub-menu opened by itself").constData());
        if (submenu == u"mnuField"_s)
            press(window, Qt::Key_Down);
        QCOMPARE(activeEntry(dataMenu), submenu);
        press(window, Qt::Key_Right);
        QCOMPARE(openMenu(), submenu);
        for (int i = 0; i < entry.downs; ++i)
            press(window, Qt::Key_Down);
        QCOMPARE(activeEntry(window.findChild<QMenu *>(submenu)), name);
        // Return runs the download; the timer ends it with ESC.
        downloading = true;
        press(window, Qt::Key_Return);
        downloading = false;

        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands.at(0).at(0).toString(), name);
        QVERIFY2(!locked(), qPrintable(name));
        QCOMPARE(openMenu(), QString());
        previous = name;
    }
    QVERIFY(lockedTicks >= order.size());
    QCOMPARE(openedWhileLocked, QStringList());
    QVERIFY(rig.files.isEmpty());

    // Once the downloads are over, the other menus open as before.
    press(window, Qt::Key_H, Qt::AltModifier);
    QCOMPARE(openMenu(), u"mnuHelp"_s);
    QCOMPARE(activeEntry(window.findChild<QMenu *>(u"mnuHelp"_s)), u"mnuHelp1"_s);
    press(window, Qt::Key_Escape);
}

QTEST_MAIN(TestMenuKeyboard)
#include "tst_menukeyboard.moc"
