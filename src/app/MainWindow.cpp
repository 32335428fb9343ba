#include "MainWindow.h"

#include "CommControl.h"
#include "DataList.h"
#include "Delay.h"
#include "DocumentActions.h"
#include "DownloadState.h"
#include "EventWait.h"
#include "Downloads.h"
#include "EscWatch.h"
#include "HistoryJournal.h"
#include "HistoryListing.h"
#include "HistoryWindow.h"
#include "MainMenus.h"
#include "PictureBox.h"
#include "Pictures.h"
#include "PortDialogOwner.h"
#include "PortEntry.h"
#include "PortFile.h"
#include "ReceiveLines.h"
#include "SurfaceText.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString designCaption = u"MERIDOC data read program"_s;

// The manufacturer's contact block shown beside the pictures.
const QString contactBlock = u"Meridoc Example Instruments (fictitious)\n"
                             u"Sample Street 1\n"
                             u"00000 Exampletown\n"
                             u"\n"
                             u"Phone  +00 0000 000000\n"
                             u"Mail   service@meridoc.invalid\n"
                             u"Web    www.meridoc.invalid"_s;

QFont arial()
{
    QFont font(u"Arial"_s);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QLabel *hintLabel(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(arial());
    label->setVisible(false);
    return label;
}

} // namespace

MainWindow::MainWindow(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent)
    , m_programFolder(programFolder)
    , m_helpFolder(programFolder + u"/HTML_Help"_s)
    , m_state(std::make_unique<DownloadState>())
{
    setObjectName(u"main"_s);
    setWindowTitle(designCaption);
    setWindowIcon(QIcon(QPixmap::fromImage(drawGauge(64))));

    m_comm = new CommControl(m_programFolder, this);
    m_comm->setObjectName(u"MSComm1"_s);
    m_data = new DataList(this);
    m_esc = new EscWatch(this);
    m_journal = new HistoryJournal(m_programFolder + u"/history"_s, this);

    buildControls();
    buildMenus();

    DocumentActions::Hooks hooks;
    hooks.setCopyButtonVisible = [this](bool visible) { m_clipboard1->setVisible(visible); };
    hooks.showList = [this] { m_stat1->setVisible(true); };
    hooks.clearListSelection = [this] { m_stat1->clearSelection(); };
    hooks.showMessage = [this](const QString &title, const QString &text) { showMessage(title, text); };
    hooks.choosePrinter = [this](QPrinter &printer) {
        if (m_printerChooser)
            return m_printerChooser(printer);
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
    m_documents = new DocumentActions(this, *m_data, *m_state, m_speichern2, m_programFolder, std::move(hooks));

    PortDialogHooks portHooks;
    portHooks.programFolder = m_programFolder;
    portHooks.comPortNumber = [this] { return m_comPortNumber; };
    portHooks.setComPortNumber = [this](const QString &number) { m_comPortNumber = number; };
    portHooks.setCaption = [this](const QString &caption) { setWindowTitle(caption); };
    portHooks.showMessage = [this](const QString &title, const QString &text) { showMessage(title, text); };
    m_portDialog = new PortDialogOwner(std::move(portHooks), this);
}

MainWindow::~MainWindow()
{
    closePortIfOpen();
}

void MainWindow::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(u"centralArea"_s);
    setCentralWidget(central);

    auto *picture3 = new PictureBox(drawHelpSign(32), central);
    picture3->setObjectName(u"Picture3"_s);
    picture3->setToolTip(u"Help"_s);
    picture3->setCursor(Qt::PointingHandCursor);
    connect(picture3, &PictureBox::clicked, this, &MainWindow::ShowHelp);

    m_clipboard1 = new QPushButton(u"Daten in Clipboard kopieren"_s, central);
    m_clipboard1->setObjectName(u"Clipboard1"_s);
    m_clipboard1->setVisible(false);
    connect(m_clipboard1, &QPushButton::clicked, this, &MainWindow::Clipboard1_Click);

    m_datenscroll1 = new QProgressBar(central);
    m_datenscroll1->setObjectName(u"Datenscroll1"_s);
    m_datenscroll1->setRange(0, 1000);
    m_datenscroll1->setValue(0);
    m_datenscroll1->setVisible(false);

    m_warnText2 = new QLineEdit(central);
    m_warnText2->setObjectName(u"WarnText2"_s);
    m_warnText2->setReadOnly(true);
    m_warnText2->setFont(arial());
    m_warnText2->setVisible(false);

    auto *picture1 = new PictureBox(drawGauge(96), central);
    picture1->setObjectName(u"Picture1"_s);
    picture1->setToolTip(u"DURAMO-TEST V1.0"_s);

    m_text1 = new QTextEdit(central);
    m_text1->setObjectName(u"Text1"_s);
    m_text1->setReadOnly(true);
    m_text1->setPlainText(contactBlock);
    m_text1->setFrameShape(QFrame::NoFrame);
    m_text1->setFixedHeight(QFontMetrics(m_text1->font()).lineSpacing() * 8 + 8);

    auto *picture2 = new PictureBox(drawProbe(64, 96), central);
    picture2->setObjectName(u"Picture2"_s);

    m_stat1 = new QListView(central);
    m_stat1->setObjectName(u"stat1"_s);
    // Uniform rows let the view lay out a million entries without measuring each.
    m_stat1->setUniformItemSizes(true);
    m_stat1->setModel(m_data);
    m_stat1->setVisible(false);

    m_warnText1 = hintLabel(u"When the bar stops moving, - Press key ESC !"_s, "WarnText1", central);
    m_qfuText1 = hintLabel(
        u"QFU-ST COM-Configuration: baudrate=1200 / data,stopbits=7,2 /  c:00 / L:00 / c.LF / .Pc "_s,
        "QfuText1", central);
    m_qfuText1->setToolTip(u"COM-Configuration for QFU-ST ( s.instructions IV. ! )"_s);

    m_surface = new SurfaceText(central);
    m_surface->setObjectName(u"surfaceText"_s);

    auto *pictures = new QHBoxLayout;
    pictures->addWidget(picture1);
    pictures->addWidget(picture2);
    pictures->addWidget(m_text1, 1);
    pictures->addWidget(picture3, 0, Qt::AlignTop);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(pictures);
    layout->addWidget(m_surface);
    layout->addWidget(m_warnText2);
    layout->addWidget(m_warnText1);
    layout->addWidget(m_qfuText1);
    layout->addWidget(m_datenscroll1);
    layout->addWidget(m_stat1, 1);
    layout->addStretch(0);
    layout->addWidget(m_clipboard1, 0, Qt::AlignRight);

    resize(640, 480);
}

void MainWindow::buildMenus()
{
    const QList<QMenu *> menus = buildMainMenus(menuBar());
    Q_ASSERT(menus.size() == 4);
    std::copy(menus.begin(), menus.end(), m_topMenus);

    connectEntry("mnuOpen", [this] { mnuOpen_Click(); });
    connectEntry("mnuSpeichern", [this] { mnuSpeichern_Click(); });
    connectEntry("mnuDrucken", [this] { mnuDrucken_Click(); });
    connectEntry("mnuHistory", [this] { mnuHistory_Click(); });
    connectEntry("mnuEnd", [this] { mnuEnd_Click(); });
    connectEntry("mnuInterface1", [this] { mnuInterface1_Click(); });
    connectEntry("mnuOV", [this] { runDownload(mnuOV_Click); });
    connectEntry("mnuVarden", [this] { runDownload(mnuVarden_Click); });
    connectEntry("mnuFennix", [this] { runDownload(mnuFennix_Click); });
    connectEntry("mnuFennix_Radio", [this] { runDownload(mnuFennix_Radio_Click); });
    connectEntry("mnuDuramoFN", [this] { runDownload(mnuDuramoFN_Click); });
    connectEntry("mnuDuramoST", [this] { runDownload(mnuDuramoST_Click); });
    connectEntry("mnuKestra2", [this] { runDownload(mnuKestra2_Click); });
    connectEntry("mnuQF100", [this] { runDownload(mnuQF100_Click); });
    connectEntry("mnuQFU", [this] { runDownload(mnuQFU_Click); });
    connectEntry("mnuQF2000", [this] { runDownload(mnuQF2000_Click); });
    connectEntry("mnuHelp1", [this] { ShowHelp(); });
    connectEntry("mnuInfo", [this] { mnuInfo_Click(); });
}

void MainWindow::connectEntry(const char *name, std::function<void()> handler)
{
    const QString entryName = QString::fromLatin1(name);
    QAction *action = findChild<QAction *>(entryName);
    Q_ASSERT(action);
    // The top-level menu the entry sits in, through any sub-menus.
    QMenu *top = nullptr;
    for (QObject *o = action->parent(); o && !top; o = o->parent()) {
        for (QMenu *menu : m_topMenus) {
            if (o == menu)
                top = menu;
        }
    }
    Q_ASSERT(top);
    // The lock is the enabled state of the top-level menu; an entry can still
    // be reached without opening that menu (its shortcut, a direct trigger),
    // so the handler checks the lock itself.
    connect(action, &QAction::triggered, this, [this, top, entryName, handler = std::move(handler)] {
        if (!top->menuAction()->isEnabled() || m_ending)
            return;
        Q_EMIT menuCommand(entryName);
        handler();
    });
}

void MainWindow::runDownload(DownloadOutcome (*download)(DownloadHost &))
{
    try {
        download(*this);
    } catch (const DownloadAbandoned &) {
        // The window was closed meanwhile: the port is closed and the
        // program is ending; nothing more is shown.
    }
}

void MainWindow::load()
{
    buildFennixCommands(*m_state);
    show();
    SetMinimizedIcon();
    Lese_ComPort();
    tellInterruptedDownloads();
}

void MainWindow::tellInterruptedDownloads()
{
    for (const HistoryItem &item : claimInterrupted(m_journal->folder())) {
        const QString text =
            u"The download from %1 started %2 was interrupted: the program ended during it.\n"
            "%3 lines were kept in the download history."_s
                .arg(item.instrument, QLocale().toString(item.start.date(), QLocale::LongFormat) + u' '
                                          + item.start.time().toString(u"HH:mm:ss"_s))
                .arg(item.lines);
        if (ask(DialogKind::Notice, u"Interrupted download"_s, text))
            m_documents->openPath(item.path);
    }
}

void MainWindow::SetMinimizedIcon()
{
    if (!(windowState() & Qt::WindowMinimized))
        return;
    const QIcon icon(m_helpFolder + u"/qura3.ico"_s);
    // A missing or unreadable icon file leaves the window's own icon.
    if (!icon.availableSizes().isEmpty())
        setWindowIcon(icon);
}

void MainWindow::GetPortFile()
{
    QDir::setCurrent(m_programFolder);
    m_portFilePath = ::portFilePath(m_programFolder);
}

void MainWindow::Lese_ComPort()
{
    GetPortFile();
    QString error;
    if (const std::optional<QString> number = readComPortNumber(m_portFilePath, &error)) {
        m_comPortNumber = *number;
        showPortCaption(m_comPortNumber);
        return;
    }

    // No usable Port.txt: let the user pick a port file; the caption stays.
    m_speichern2.setFilter(u"Port File (*.txt)"_s);
    const std::optional<QString> chosen = m_speichern2.exec(this, SharedFileDialog::Mode::Open);
    if (!chosen)
        return;
    m_portFilePath = *chosen;
    if (const std::optional<QString> number = readComPortNumber(m_portFilePath, &error)) {
        m_comPortNumber = *number;
        return;
    }
    showMessage(u"Port file"_s,
                u"The port file %1 could not be read: %2\n"
                u"Choose the port with \"Interface\" - \"Select interface\"."_s
                    .arg(QDir::toNativeSeparators(m_portFilePath), error));
}

void MainWindow::showPortCaption(const QString &number)
{
    setWindowTitle(connectedCaption(number));
}

void MainWindow::auxputbyte(quint8 &byte)
{
    m_comm->output(QByteArray(1, char(byte)));
}

void MainWindow::ShowHelp()
{
    const QString page = m_helpFolder + u"/Meridoc_Help_E.html"_s;
    // Failures stay silent: without the page there is nothing to show.
    if (QFileInfo::exists(page))
        QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void MainWindow::mnuInfo_Click()
{
    ask(DialogKind::Information, u"Program-Version"_s, u"MERIDOC Program-Version 15.1"_s);
}

void MainWindow::mnuOpen_Click()
{
    m_documents->open();
}

void MainWindow::mnuSpeichern_Click()
{
    m_documents->save();
}

void MainWindow::mnuDrucken_Click()
{
    m_documents->print();
}

void MainWindow::mnuHistory_Click()
{
    auto *window = new HistoryWindow(m_journal->folder(),
                                     [this](const QString &title, const QString &text) {
                                         return ask(DialogKind::Question, title, text);
                                     },
                                     this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &HistoryWindow::openRequested, m_documents, &DocumentActions::openPath);
    window->open();
}

void MainWindow::Clipboard1_Click()
{
    m_documents->copy();
}

void MainWindow::mnuInterface1_Click()
{
    closePortIfOpen();
    m_portDialog->showDialog();
}

void MainWindow::mnuEnd_Click()
{
    closePortIfOpen();
    close();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_ending)
        return;
    closePortIfOpen();
    m_ending = true;
    double wait = 200;
    ::delay(wait);
    Q_EMIT programEnding();
    QCoreApplication::quit();
}

void MainWindow::closePortIfOpen()
{
    if (m_comm && m_comm->portOpen())
        m_comm->setPortOpen(false);
}

CommControl &MainWindow::comm()
{
    return *m_comm;
}

DownloadJournal *MainWindow::journal()
{
    return m_journal;
}

DataList &MainWindow::dataList()
{
    return *m_data;
}

DownloadState &MainWindow::state()
{
    return *m_state;
}

void MainWindow::setClipboardButtonVisible(bool visible)
{
    m_clipboard1->setVisible(visible);
}

bool MainWindow::clipboardButtonVisible() const
{
    return !m_clipboard1->isHidden();
}

void MainWindow::setDataListVisible(bool visible)
{
    m_stat1->setVisible(visible);
}

void MainWindow::setProgressVisible(bool visible)
{
    m_datenscroll1->setVisible(visible);
}

void MainWindow::setProgressMax(int max)
{
    m_datenscroll1->setMaximum(max);
}

int MainWindow::progressMax() const
{
    return m_datenscroll1->maximum();
}

void MainWindow::setProgressValue(int value)
{
    m_datenscroll1->setValue(value);
}

int MainWindow::progressValue() const
{
    return m_datenscroll1->value();
}

void MainWindow::showReceivedCount(qsizetype lines)
{
    m_datenscroll1->setFormat(receivedCountText(lines));
}

void MainWindow::setWarnText2(const QString &text)
{
    m_warnText2->setText(text);
}

void MainWindow::setWarnText2Visible(bool visible)
{
    m_warnText2->setVisible(visible);
}

void MainWindow::setWarnText1Visible(bool visible)
{
    m_warnText1->setVisible(visible);
}

void MainWindow::setQfuText1Visible(bool visible)
{
    m_qfuText1->setVisible(visible);
}

void MainWindow::printOnSurface(const QString &text)
{
    m_surface->printLine(text);
}

// The lock is the menu bar's own: a menu whose action is disabled does not
// open, and connectEntry keeps the entries' shortcuts from running. The QMenu
// widgets are left alone: disabling them as well left the data menu half open
// after a download started from one of its sub-menus.
void MainWindow::MenueGesperrt()
{
    for (QMenu *menu : m_topMenus)
        menu->menuAction()->setEnabled(false);
}

void MainWindow::MenueFrei()
{
    for (QMenu *menu : m_topMenus)
        menu->menuAction()->setEnabled(true);
}

bool MainWindow::escPressed()
{
    return m_esc->test();
}

void MainWindow::beginDownload()
{
    m_esc->arm();
}

void MainWindow::throwIfAbandoned() const
{
    if (m_ending)
        throw DownloadAbandoned{};
}

void MainWindow::processEvents()
{
    QCoreApplication::processEvents();
    throwIfAbandoned();
}

void MainWindow::waitForEvents(int maxMs)
{
    runEventsWaitingAtMost(maxMs);
    throwIfAbandoned();
}

void MainWindow::delay(double &milliseconds)
{
    ::delay(milliseconds);
}

bool MainWindow::ask(DialogKind kind, const QString &title, const QString &text)
{
    if (m_dialogHandler)
        return m_dialogHandler(DialogRequest{kind, title, text});
    switch (kind) {
    case DialogKind::Question:
        return QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    case DialogKind::Information:
        QMessageBox::information(this, title, text, QMessageBox::Ok);
        return true;
    case DialogKind::Notice: {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Close, this);
        QPushButton *open = box.addButton(u"Open"_s, QMessageBox::AcceptRole);
        box.exec();
        return box.clickedButton() == open;
    }
    case DialogKind::Message:
        break;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box.exec();
    return true;
}

void MainWindow::showMessage(const QString &title, const QString &text)
{
    ask(DialogKind::Message, title, text);
}

bool MainWindow::askYesNo(const QString &title, const QString &text)
{
    return ask(DialogKind::Question, title, text);
}

std::optional<QString> MainWindow::saveDialog(const QString &filter, const QString &initDir)
{
    m_speichern2.setFilter(filter);
    m_speichern2.setInitDir(initDir);
    return m_speichern2.exec(this, SharedFileDialog::Mode::Save);
}
