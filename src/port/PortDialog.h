// The port selection dialog ComboPort1: the user types or picks COM 1 to 16,
// O.K. test-opens the port and stores it in Port.txt.
#pragma once

#include "LanguageTexts.h"
#include "PortMessages.h"

#include <QDialog>
#include <functional>

class CommControl;
class PortPicture;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// What the dialog needs of the main window.
struct PortDialogHooks
{
    QString programFolder;
    std::function<QString()> comPortNumber;
    std::function<void(const QString &)> setComPortNumber;
    std::function<void(const QString &caption)> setCaption;
    // Empty: a modal message box.
    ShowMessage showMessage;
};

class PortDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PortDialog(PortDialogHooks hooks, QWidget *parent = nullptr);

    // The load handler: fills the list, sets the texts, shows the dialog and
    // puts the stored port into the entry.
    void load();

    // -1 after a successful test-open, 0 after a failed one or none.
    qint16 portOk() const { return PortOk; }
    // What the entry PortText holds now.
    QString entryText() const;

Q_SIGNALS:
    // "?" or a number above 16: the user should look up the port numbers.
    void deviceManagerRequested();
    // Closed with the window's close button: the next showing loads afresh.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Frage_Click();
    void OK1_Click();
    void TestComPort(qint16 port);
    void Oeffne_ComPort();
    void Speichere_ComPort(int port);
    void message(const QString &text);

    PortDialogHooks m_hooks;
    LanguageTexts m_texts;
    qint16 PortOk = 0;

    QGroupBox *Frame1;
    QLabel *SelectCom1;
    QComboBox *PortText;
    QPushButton *Frage;
    QPushButton *OK1;
    PortPicture *Picture1;
    PortPicture *Picture2;
    CommControl *MSComm1;
};
