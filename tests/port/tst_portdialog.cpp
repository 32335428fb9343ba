// The port dialog against real pseudo-terminals linked as ports/comN, and its
// owner's showing, hiding and reloading.
#include "CommControl.h"
#include "PortDialog.h"
#include "PortDialogOwner.h"
#include "Pty.h"
#include "SerialPortsWindow.h"

#include "TestFiles.h"
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString DesignCaption = u"MERIDOC data read program"_s;
const QString Title = u"COM 1-16 gültig"_s;
const QString WrongPort = u"Selected wrong interface port !"_s;

} // namespace

// The main window as far as the dialog sees it (outside the anonymous
// namespace: the test class below holds one).
struct FakeMain
{
    struct Message
    {
        QString title;
        QString text;
    };

    QString comPortNumber;
    QString caption = DesignCaption;
    QList<Message> messages;

    PortDialogHooks hooks(const QString &folder)
    {
        return {folder,
                [this] { return comPortNumber; },
                [this](const QString &n) { comPortNumber = n; },
                [this](const QString &c) { caption = c; },
                [this](const QString &title, const QString &text) { messages.append({title, text}); }};
    }
};

class TestPortDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_folder;
    FakeMain m_main;

    QString folder() const { return m_folder->path(); }
    QString portFile() const { return folder() + u"/Port.txt"_s; }

    std::unique_ptr<PortDialog> loadedDialog()
    {
        auto dialog = std::make_unique<PortDialog>(m_main.hooks(folder()));
        dialog->load();
        return dialog;
    }

    static void confirm(PortDialog &dialog, const QString &entry)
    {
        dialog.findChild<QComboBox *>(u"PortText"_s)->setEditText(entry);
        dialog.findChild<QPushButton *>(u"OK1"_s)->click();
    }

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_main = FakeMain();
    }

    void loadShowsTheStoredLine_data()
    {
        QTest::addColumn<QByteArray>("portFile");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("comPortNumber");

        QTest::newRow("last non-empty line") << " 3\r\n 4\r\n\r\n"_ba << u" 4"_s << u" 4"_s;
        QTest::newRow("no port file") << QByteArray() << QString() << u"2"_s;
    }

    void loadShowsTheStoredLine()
    {
        QFETCH(QByteArray, portFile);
        QFETCH(QString, entry);
        QFETCH(QString, comPortNumber);

        if (!portFile.isEmpty())
            QVERIFY(writeFile(this->portFile(), portFile));
        m_main.comPortNumber = u"2"_s;
        const auto dialog = loadedDialog();

        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->findChild<QComboBox *>(u"PortText"_s)->currentText(), entry);
        QCOMPARE(m_main.comPortNumber, comPortNumber);
        QVERIFY(m_main.messages.isEmpty());
    }

    void confirmEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("comPortNumber");
        QTest::addColumn<QString>("message"); // how it begins; empty: none
        QTest::addColumn<bool>("deviceManager");

        const QByteArray before = " 3\r\n"_ba;
        QTest::newRow("COM7") << u"COM7"_s << false << " 7\r\n"_ba << u" MERIDOC / Instrument connected to COM7"_s
                              << u"7"_s << QString() << false;
        QTest::newRow("stored line with its blank") << u" 7"_s << false << " 7\r\n"_ba
                                                    << u" MERIDOC / Instrument connected to COM 7"_s << u" 7"_s
                                                    << QString() << false;
        QTest::newRow("held by another control")
            << u"COM07"_s << true << before << DesignCaption << u"07"_s << WrongPort << false;
        // Entries that are refused before any test-open.
        QTest::newRow("empty") << QString() << false << before << DesignCaption << u" 3"_s << QString() << false;
        QTest::newRow("letter") << u"x"_s << false << before << DesignCaption << u" 3"_s << WrongPort << false;
        QTest::newRow("above 16")
            << u"123"_s << false << before << DesignCaption << u"23"_s
            << u"Port number must be <= 16, please change the number in the device manager !"_s << true;
    }

    void confirmEntry()
    {
        QFETCH(QString, entry);
        QFETCH(bool, busy);
        QFETCH(QByteArray, stored);
        QFETCH(QString, caption);
        QFETCH(QString, comPortNumber);
        QFETCH(QString, message);
        QFETCH(bool, deviceManager);

        Pty pty;
        QVERIFY(pty.linkAsCom(folder(), 7));
        CommControl other(folder());
        other.setCommPort(7);
        if (busy)
            QVERIFY(other.setPortOpen(true));
        QVERIFY(writeFile(portFile(), " 3\r\n"_ba));
        const auto dialog = loadedDialog();
        QSignalSpy deviceManagerSpy(dialog.get(), &PortDialog::deviceManagerRequested);
        confirm(*dialog, entry);

        QCOMPARE(readFile(portFile()), stored);
        QCOMPARE(m_main.caption, caption);
        QCOMPARE(m_main.comPortNumber, comPortNumber);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(deviceManagerSpy.size(), deviceManager ? 1 : 0);
        QCOMPARE(m_main.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(m_main.messages[0].title, Title);
            QVERIFY2(m_main.messages[0].text.startsWith(message), qPrintable(m_main.messages[0].text));
        }
        if (stored != " 3\r\n"_ba) {
            QCOMPARE(dialog->portOk(), qint16(-1));
            // The test-open closed the port again, so a download can open it.
            QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
        }
        if (busy)
            QCOMPARE(dialog->portOk(), qint16(0));
    }

    // A damaged port file of megabytes: the dialog opens at once with an empty
    // entry and one short message, and the number in use stays.
    void damagedPortFileIsNotTaken()
    {
        QVERIFY(writeFile(portFile(), " 3\r\n"_ba + QByteArray(10 << 20, 'x') + "\r\n"_ba));
        m_main.comPortNumber = u"3"_s;
        QElapsedTimer clock;
        clock.start();
        const auto dialog = loadedDialog();

        QVERIFY2(clock.elapsed() < 2000, qPrintable(u"loading took %1 ms"_s.arg(clock.elapsed())));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QComboBox *>(u"PortText"_s)->currentText(), QString());
        QCOMPARE(m_main.comPortNumber, u"3"_s);
        QCOMPARE(m_main.messages.size(), 1);
        QVERIFY2(m_main.messages[0].text.contains(portFile()), qPrintable(m_main.messages[0].text));
        QVERIFY2(m_main.messages[0].text.size() < 400, qPrintable(m_main.messages[0].text.left(400)));
    }

    void failedWriteIsReportedAndNotShownAsSaved()
    {
        Pty pty;
        QVERIFY(pty.linkAsCom(folder(), 5));
        // A folder where the port file belongs: the file cannot be replaced.
        QVERIFY(QDir(folder()).mkdir(u"Port.txt"_s));
        const auto dialog = loadedDialog();
        confirm(*dialog, u"5"_s);

        QCOMPARE(m_main.messages.size(), 1);
        QVERIFY2(m_main.messages[0].text.contains(portFile()), qPrintable(m_main.messages[0].text));
        QCOMPARE(m_main.caption, DesignCaption);
        QVERIFY(QFileInfo(portFile()).isDir());
    }

    void ownerReloadsOnlyAfterTheCloseButton()
    {
        QGuiApplication::clipboard()->setText(u"2 copied data"_s);
        QVERIFY(writeFile(portFile(), " 3\r\n"_ba));
        QWidget mainWindow;
        PortDialogOwner owner(m_main.hooks(folder()), &mainWindow);

        owner.showDialog();
        QPointer<PortDialog> first = owner.dialog();
        QVERIFY(first && first->isVisible());
        auto *entry = first->findChild<QComboBox *>(u"PortText"_s);
        QCOMPARE(entry->currentText(), u" 3"_s);

        // O.K. with "x" only hides: the entry survives the next showing.
        confirm(*first, u"x"_s);
        QVERIFY(!first->isVisible());
        owner.showDialog();
        QCOMPARE(owner.dialog(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(entry->currentText(), u"x"_s);

        // The close button unloads it: the next showing loads the port file again.
        first->close();
        QVERIFY(!owner.dialog());
        QTRY_VERIFY(first.isNull());
        owner.showDialog();
        QVERIFY(owner.dialog() && owner.dialog()->isVisible());
        QCOMPARE(owner.dialog()->findChild<QComboBox *>(u"PortText"_s)->currentText(), u" 3"_s);

        QCOMPARE(QGuiApplication::clipboard()->text(), u"2 copied data"_s);
    }

    void questionButtonOpensTheSerialPortsWindow()
    {
        QWidget mainWindow;
        PortDialogOwner owner(m_main.hooks(folder()), &mainWindow);
        owner.showDialog();
        // The number being typed is the one offered to a device plugged in.
        owner.dialog()->findChild<QComboBox *>(u"PortText"_s)->setEditText(u"COM7"_s);
        owner.dialog()->findChild<QPushButton *>(u"Frage"_s)->click();

        QCOMPARE(m_main.messages.size(), 1);
        QCOMPARE(m_main.messages[0].title, Title);
        QVERIFY(m_main.messages[0].text.startsWith(u"Please select the interface port at the device manager."_s));
        QVERIFY(owner.serialPortsWindow());
        QVERIFY(owner.serialPortsWindow()->isVisible());
        QCOMPARE(owner.serialPortsWindow()->windowTitle(), u"Serial ports"_s);
        QCOMPARE(owner.serialPortsWindow()->findChild<QSpinBox *>(u"comNumber"_s)->value(), 7);
        QVERIFY(owner.dialog()->isVisible());
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
