// The "Serial ports" window and the ports/comN links it makes and removes.
#include "ComLinks.h"
#include "Pty.h"
#include "SerialPortsWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestSerialPortsWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    QList<SerialDevice> m_devices;   // what the system lists at each listing
    int m_listings = 0;
    QStringList m_messages;
    QStringList m_questions;
    bool m_answer = false;

    QString folder() const { return m_folder->path(); }

    std::unique_ptr<SerialPortsWindow> window()
    {
        return std::make_unique<SerialPortsWindow>(
            folder(), nullptr,
            [this] {
                ++m_listings;
                return m_devices;
            },
            [this](const QString &, const QString &text) { m_messages.append(text); },
            [this](const QString &, const QString &text) {
                m_questions.append(text);
                return m_answer;
            });
    }

    static QString cell(const SerialPortsWindow &w, const char *table, int row, int column)
    {
        const QTableWidgetItem *item = w.findChild<QTableWidget *>(QString::fromLatin1(table))->item(row, column);
        return item ? item->text() : QString();
    }

    // The named control a widget belongs to (a spin box's inner line edit
    // counts as the spin box).
    static QString controlOf(const QWidget *widget)
    {
        for (; widget; widget = widget->parentWidget()) {
            if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"_s))
                return widget->objectName();
        }
        return {};
    }

    static void click(SerialPortsWindow &w, const char *button)
    {
        w.findChild<QPushButton *>(QString::fromLatin1(button))->click();
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_devices.clear();
        m_listings = 0;
        m_messages.clear();
        m_questions.clear();
        m_answer = false;
    }

    void listsAssignsAndRemovesLinks()
    {
        Pty linked;
        Pty adapter;
        QVERIFY(linked.linkAsCom(folder(), 5));
        QVERIFY(QFile::link(u"/nonexistent/ttyUSB9"_s, comLinkPath(folder(), 6)));
        SerialDevice device;
        device.path = adapter.slavePath();
        device.vendorId = 0x0403;
        device.productId = 0x6001;
        m_devices = {device};
        const auto w = window();

        QCOMPARE(w->windowTitle(), u"Serial ports"_s);
        QCOMPARE(w->findChild<QTableWidget *>(u"comTable"_s)->rowCount(), 16);
        QCOMPARE(cell(*w, "comTable", 0, 1), u"/dev/ttyS0"_s);
        QCOMPARE(cell(*w, "comTable", 4, 1), comLinkPath(folder(), 5));
        QCOMPARE(cell(*w, "comTable", 4, 2), linked.slavePath());
        QCOMPARE(cell(*w, "comTable", 4, 3), u"yes"_s);
        QCOMPARE(cell(*w, "comTable", 5, 3), u"missing"_s);
        QCOMPARE(cell(*w, "deviceTable", 0, 4), u"0403:6001"_s);

        w->findChild<QTableWidget *>(u"deviceTable"_s)->selectRow(0);
        w->findChild<QSpinBox *>(u"comNumber"_s)->setValue(9);
        click(*w, "assign");
        QVERIFY(m_messages.isEmpty() && m_questions.isEmpty());
        QCOMPARE(QFileInfo(comLinkPath(folder(), 9)).symLinkTarget(), adapter.slavePath());
        QCOMPARE(cell(*w, "comTable", 8, 2), adapter.slavePath());
        QCOMPARE(cell(*w, "deviceTable", 0, 6), u"COM 9"_s);

        w->findChild<QTableWidget *>(u"comTable"_s)->selectRow(8);
        click(*w, "remove");
        QVERIFY(!QFileInfo(comLinkPath(folder(), 9)).isSymLink());
        QCOMPARE(cell(*w, "comTable", 8, 1), u"/dev/ttyS8"_s);
        QCOMPARE(cell(*w, "deviceTable", 0, 6), QString());
    }

    void replacingALinkAsksFirst_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("no keeps the old link") << false;
        QTest::newRow("yes replaces it") << true;
    }

    void replacingALinkAsksFirst()
    {
        QFETCH(bool, answer);
        Pty oldDevice;
        Pty newDevice;
        QVERIFY(oldDevice.linkAsCom(folder(), 5));
        m_answer = answer;
        const auto w = window();

        QCOMPARE(w->assignCom(5, newDevice.slavePath()), answer);
        QCOMPARE(m_questions.size(), 1);
        QVERIFY(m_questions[0].contains(oldDevice.slavePath()));
        QCOMPARE(QFileInfo(comLinkPath(folder(), 5)).symLinkTarget(),
                 answer ? newDevice.slavePath() : oldDevice.slavePath());
        QVERIFY(!QFileInfo::exists(folder() + u"/ports/.com5.new"_s));
    }

    void onlyLinksAreRemoved()
    {
        QVERIFY(QDir(folder()).mkpath(u"ports"_s));
        QFile plain(comLinkPath(folder(), 7));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const auto w = window();

        QVERIFY(!w->removeCom(7));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(QFile::exists(comLinkPath(folder(), 7)));
    }

    void keyboardMovesBetweenControlsAndCloses()
    {
        Pty adapter;
        m_devices = {SerialDevice{}};
        m_devices[0].path = adapter.slavePath();
        m_answer = true;
        const auto owned = window();
        SerialPortsWindow &w = *owned;
        auto *spin = w.findChild<QSpinBox *>(u"comNumber"_s);
        spin->setValue(9);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.findChild<QTableWidget *>(u"comTable"_s)->setFocus();

        // Tab visits each control once and comes back; the COM table is one
        // stop, and passing through it chooses no COM number.
        QStringList visited;
        for (int presses = 0; presses < 12 && !visited.contains(u"comTable"_s); ++presses) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(controlOf(QApplication::focusWidget()));
        }
        QCOMPARE(visited, (QStringList{u"deviceTable"_s, u"comNumber"_s, u"close"_s, u"comTable"_s}));
        QCOMPARE(spin->value(), 9);

        // The access keys: N goes to the number, G gives it to the chosen
        // device, R removes that link again.
        QTest::keyClick(&w, Qt::Key_D, Qt::AltModifier);
        QCOMPARE(controlOf(QApplication::focusWidget()), u"deviceTable"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTest::keyClick(&w, Qt::Key_N, Qt::AltModifier);
        QCOMPARE(controlOf(QApplication::focusWidget()), u"comNumber"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(spin->value(), 10);
        // A button's access key clicks it after a short flash of the button.
        QTest::keyClick(&w, Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(QFileInfo(comLinkPath(folder(), 10)).symLinkTarget(), adapter.slavePath());
        QTest::keyClick(&w, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(controlOf(QApplication::focusWidget()), u"comTable"_s);
        // The arrow keys choose a row, and its number with it.
        for (int row = 0; row < 8; ++row)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(spin->value(), 9);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(spin->value(), 10);
        QTest::keyClick(&w, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(!QFileInfo(comLinkPath(folder(), 10)).isSymLink());
        QVERIFY(m_listings > 0);
        QVERIFY(m_messages.isEmpty());

        // Esc and the Close button (Alt+C) close the window.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!w.isVisible());
    }

    // The list follows plugging and unplugging within a second, with no
    // refresh button: the folders where device nodes appear are watched. The
    // adapter just plugged in is marked and chosen, offered for the COM
    // number being chosen.
    void followsPlugging()
    {
        QTemporaryDir dev;
        Pty earlier;
        Pty adapter;
        SerialDevice present;
        present.path = earlier.slavePath();
        SerialDevice plugged;
        plugged.path = adapter.slavePath();
        plugged.description = u"USB-Serial Adapter"_s;
        m_devices = {present};
        const auto owned = window();
        SerialPortsWindow &w = *owned;
        w.setWatchedFolders({dev.path(), dev.filePath(u"serial"_s)});
        w.offerCom(4);
        w.show();
        auto *table = w.findChild<QTableWidget *>(u"deviceTable"_s);
        auto *hint = w.findChild<QLabel *>(u"pluggedHint"_s);
        QVERIFY(!w.findChild<QPushButton *>(u"refresh"_s));
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(hint->isHidden());

        // The adapter's node appears.
        m_devices.append(plugged);
        QVERIFY(QFile(dev.filePath(u"ttyUSB0"_s)).open(QIODevice::WriteOnly));
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 1000);
        QVERIFY(table->item(1, 0)->font().bold());
        QVERIFY(!table->item(0, 0)->font().bold());
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(table->selectionModel()->selectedRows().first().row(), 1);
        QVERIFY(!hint->isHidden());
        QCOMPARE(hint->text(), u"Just plugged in: %1 (USB-Serial Adapter), shown in bold and chosen. \"Give the "
                               "selected device this COM number\" makes it COM 4."_s.arg(adapter.slavePath()));
        click(w, "assign");
        QCOMPARE(QFileInfo(comLinkPath(folder(), 4)).symLinkTarget(), adapter.slavePath());
        // Listing the links again keeps the mark and the choice.
        QCOMPARE(cell(w, "deviceTable", 1, 6), u"COM 4"_s);
        QVERIFY(table->item(1, 0)->font().bold());

        // Unplugged: gone from the list, and the mark with it.
        m_devices.removeLast();
        QVERIFY(QFile::remove(dev.filePath(u"ttyUSB0"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 1, 1000);
        QVERIFY(hint->isHidden());
        QVERIFY(!table->item(0, 0)->font().bold());

        // A folder that appears (as /dev/serial with the first USB adapter)
        // is watched from then on.
        const int before = m_listings;
        QVERIFY(QDir(dev.path()).mkdir(u"serial"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_listings > before, 1000);
        m_devices.append(plugged);
        QVERIFY(QFile::link(adapter.slavePath(), dev.filePath(u"serial/usb-Maker_Adapter-if00"_s)));
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 1000);
        QVERIFY(table->item(1, 0)->font().bold());

        // Hidden, the window watches nothing; shown again, it lists afresh
        // and marks nothing as new.
        w.hide();
        m_devices.removeFirst();
        QVERIFY(QFile(dev.filePath(u"ttyUSB1"_s)).open(QIODevice::WriteOnly));
        const int hidden = m_listings;
        QTest::qWait(400);
        QCOMPARE(m_listings, hidden);
        w.show();
        QCOMPARE(table->rowCount(), 1);
        QVERIFY(!table->item(0, 0)->font().bold());
        QVERIFY(hint->isHidden());
        QVERIFY(m_messages.isEmpty());
    }

    // Links made by someone else while the window is open (the simulator, a
    // second copy of the program, a script) show up as a plugged adapter does,
    // also when the first of them makes the ports folder.
    void followsLinksMadeElsewhere()
    {
        Pty instrument;
        const auto w = window();
        w->setWatchedFolders({});
        w->show();
        QCOMPARE(cell(*w, "comTable", 2, 1), u"/dev/ttyS2"_s);

        QVERIFY(QDir(folder()).mkdir(u"ports"_s));
        const QString link = folder() + u"/ports/com3"_s;
        QVERIFY(QFile::link(instrument.slavePath(), link));
        QTRY_COMPARE_WITH_TIMEOUT(cell(*w, "comTable", 2, 1), link, 1000);
        QCOMPARE(cell(*w, "comTable", 2, 2), instrument.slavePath());
        QCOMPARE(cell(*w, "comTable", 2, 3), u"yes"_s);

        QVERIFY(QFile::remove(link));
        QTRY_COMPARE_WITH_TIMEOUT(cell(*w, "comTable", 2, 1), u"/dev/ttyS2"_s, 1000);
    }

    void stableLinkIsFoundByTarget()
    {
        Pty pty;
        Pty other;
        QTemporaryDir byId;
        QVERIFY(QFile::link(other.slavePath(), byId.filePath(u"usb-Other_if00-port0"_s)));
        QVERIFY(QFile::link(pty.slavePath(), byId.filePath(u"usb-Maker_Adapter_A1-if00-port0"_s)));

        QCOMPARE(stablePathOf(pty.slavePath(), byId.path()), byId.filePath(u"usb-Maker_Adapter_A1-if00-port0"_s));
        QCOMPARE(stablePathOf(u"/nonexistent/ttyUSB3"_s, byId.path()), QString());
    }
};

QTEST_MAIN(TestSerialPortsWindow)
#include "tst_serialportswindow.moc"
