#include "PortDialog.h"

#include "CommControl.h"
#include "PortEntry.h"
#include "PortFile.h"
#include "PortPicture.h"
#include "WholeFile.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

PortDialog::PortDialog(PortDialogHooks hooks, QWidget *parent)
    : QDialog(parent)
    , m_hooks(std::move(hooks))
{
    setObjectName(u"ComboPort1"_s);
    setModal(false);
    setWindowTitle(u"USB+Serieller Schnittstellenanschluss"_s);

    Frame1 = new QGroupBox(u"Schnittstellen:"_s, this);
    Frame1->setObjectName(u"Frame1"_s);
    SelectCom1 = new QLabel(Frame1);
    SelectCom1->setObjectName(u"SelectCom1"_s);
    PortText = new QComboBox(Frame1);
    PortText->setObjectName(u"PortText"_s);
    PortText->setEditable(true);
    PortText->setInsertPolicy(QComboBox::NoInsert);
    PortText->setMinimumContentsLength(8);
    SelectCom1->setBuddy(PortText);
    Frage = new QPushButton(u"?"_s, Frame1);
    Frage->setObjectName(u"Frage"_s);
    Frage->setAutoDefault(false);
    OK1 = new QPushButton(u"O.K."_s, Frame1);
    OK1->setObjectName(u"OK1"_s);
    OK1->setDefault(true);
    Picture1 = new PortPicture(PortPicture::SerialConnector, this);
    Picture1->setObjectName(u"Picture1"_s);
    Picture2 = new PortPicture(PortPicture::UsbPlug, this);
    Picture2->setObjectName(u"Picture2"_s);
    MSComm1 = new CommControl(m_hooks.programFolder, this);
    MSComm1->setObjectName(u"MSComm1"_s);

    auto *frameLayout = new QGridLayout(Frame1);
    frameLayout->addWidget(SelectCom1, 0, 0, 1, 3);
    frameLayout->addWidget(PortText, 1, 0);
    frameLayout->addWidget(Frage, 1, 1);
    frameLayout->addWidget(OK1, 1, 2);
    frameLayout->setColumnStretch(0, 1);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Frame1, 0, 0, 3, 1);
    layout->addWidget(Picture1, 0, 1);
    layout->addWidget(Picture2, 1, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);

    connect(Frage, &QPushButton::clicked, this, &PortDialog::Frage_Click);
    connect(OK1, &QPushButton::clicked, this, &PortDialog::OK1_Click);
}

void PortDialog::load()
{
    PortText->clear();
    for (int i = 0; i < 16; ++i)
        PortText->addItem(QString::number(i + 1));
    // The clipboard is the user's: neither read nor emptied here. The texts
    // are English whatever it held.
    InitLanguageTexts(m_texts);
    PortText->setEditText(QString());
    show();
    setWindowTitle(m_texts.text(LanguageTexts::WindowCaption));
    Frame1->setTitle(m_texts.text(LanguageTexts::FrameCaption));
    SelectCom1->setText(m_texts.text(LanguageTexts::EnterPort));
    Oeffne_ComPort();
}

QString PortDialog::entryText() const
{
    return PortText->currentText();
}

void PortDialog::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT unloaded();
}

void PortDialog::Frage_Click()
{
    message(m_texts.text(LanguageTexts::DeviceManagerHint));
    Q_EMIT deviceManagerRequested();
}

void PortDialog::OK1_Click()
{
    const PortEntry entry = portEntryFromText(PortText->currentText());
    switch (entry.kind) {
    case PortEntry::Empty:
        break;
    case PortEntry::Invalid:
        PortOk = 0;
        message(m_texts.text(LanguageTexts::WrongPort));
        break;
    case PortEntry::AboveSixteen:
    case PortEntry::Port:
        m_hooks.setComPortNumber(entry.comPortNumber);
        TestComPort(qint16(entry.port));
        if (PortOk)
            Speichere_ComPort(entry.port);
        break;
    }
    hide();
}

void PortDialog::TestComPort(qint16 port)
{
    if (port > 16) {
        message(m_texts.text(LanguageTexts::AboveSixteen));
        Q_EMIT deviceManagerRequested();
        PortOk = 0;
        return;
    }
    MSComm1->setCommPort(port);
    const QString device = MSComm1->devicePath();
    if (MSComm1->setPortOpen(true)) {
        PortOk = -1;
        MSComm1->setPortOpen(false);
        return;
    }
    const QString reason = MSComm1->errorString();
    PortOk = 0;
    MSComm1->setPortOpen(false);
    message(m_texts.text(LanguageTexts::WrongPort) + u"\n\nCOM %1 (%2): %3"_s.arg(port).arg(device, reason));
    hide();
}

void PortDialog::Oeffne_ComPort()
{
    const QString path = portFilePath(m_hooks.programFolder);
    const SmallFile file = readPortFile(path);
    // No port file yet (first run) or an unreadable one: the entry stays empty.
    if (!file.read)
        return;
    if (file.larger) {
        message(u"The port file %1 holds more than %2 bytes: it is damaged, and its port is not used.\n"
                u"Choose the port and press O.K. to store it again."_s.arg(path).arg(kPortFileLimit));
        return;
    }
    const QString line = lastNonEmptyLine(file.bytes);
    if (line.isEmpty())
        return;
    m_hooks.setComPortNumber(line);
    PortText->setEditText(line);
}

void PortDialog::Speichere_ComPort(int port)
{
    const QString path = portFilePath(m_hooks.programFolder);
    QString reason;
    if (!writeWholeFile(path, {formatPortFile(port)}, &reason)) {
        message(u"The port could not be saved to %1: %2.\nThe previous setting is kept; check that the "
                u"program folder can be written."_s.arg(path, reason));
        return;
    }
    m_hooks.setCaption(connectedCaption(m_hooks.comPortNumber()));
}

void PortDialog::message(const QString &text)
{
    if (m_hooks.showMessage)
        m_hooks.showMessage(portMessageTitle(), text);
    else
        showMessageBox(this, portMessageTitle(), text);
}
