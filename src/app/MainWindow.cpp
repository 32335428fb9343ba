#include "MainWindow.h"

#include "DataList.h"
#include "Delay.h"
#include "DialogRouter.h"
#include "DocumentActions.h"
#include "DownloadPanel.h"
#include "DownloadState.h"
#include "Downloads.h"
#include "HistoryJournal.h"
#include "HistoryWindow.h"
#include "MainMenus.h"
#include "PictureBox.h"
#include "Pictures.h"
#include "PortDialogOwner.h"
#include "StartUp.h"
#include "StatusLine.h"
#include "SurfaceText.h"
#include "WindowDownloadHost.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QStatusBar>
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

} // namespace

MainWindow::MainWindow(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent)
    , m_programFolder(programFolder)
    , m_helpFolder(programFolder + u"/HTML_Help"_s)
{
    setObjectName(u"main"_s);
    setWindowTitle(designCaption);
    setWindowIcon(QIcon(QPixmap::fromImage(drawGauge(64))));

    m_dialogs = new DialogRouter(this);
    buildControls();
    buildMenus();

    m_host = new WindowDownloadHost(this, m_programFolder, {m_panel, m_stat1, m_clipboard1, m_surface, m_topMenus},
                                    *m_dialogs, m_speichern2);
    m_stat1->setModel(&m_host->dataList());
    connect(m_host, &WindowDownloadHost::downloadStarted, m_statusLine, &StatusLine::clearLine);
    connect(m_host, &WindowDownloadHost::downloadEnded, m_statusLine, &StatusLine::showDownload);
    connect(m_host, &WindowDownloadHost::historyCopyHalted, m_statusLine, &StatusLine::showHistoryStopped);

    DocumentActions::Hooks hooks;
    hooks.setCopyButtonVisible = [this](bool visible) { m_clipboard1->setVisible(visible); };
    hooks.showList = [this] { m_stat1->setVisible(true); };
    hooks.clearListSelection = [this] { m_stat1->clearSelection(); };
    hooks.showMessage = [this](const QString &title, const QString &text) { m_dialogs->message(title, text); };
    hooks.choosePrinter = [this](QPrinter &printer) {
        if (m_printerChooser)
            return m_printerChooser(printer);
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
    m_documents = new DocumentActions(this, m_host->dataList(), m_host->state(), m_speichern2, m_programFolder,
                                      std::move(hooks));
    connect(m_documents, &DocumentActions::finished, m_statusLine, &StatusLine::showFile);
    connect(m_clipboard1, &QPushButton::clicked, m_documents, &DocumentActions::copy);

    PortDialogHooks portHooks;
    portHooks.programFolder = m_programFolder;
    portHooks.comPortNumber = [this] { return m_host->comPortNumber(); };
    portHooks.setComPortNumber = [this](const QString &number) { m_host->setComPortNumber(number); };
    portHooks.setCaption = [this](const QString &caption) { setWindowTitle(caption); };
    portHooks.showMessage = [this](const QString &title, const QString &text) { m_dialogs->message(title, text); };
    m_portDialog = new PortDialogOwner(portHooks, this);
    m_startUp = std::make_unique<StartUp>(std::move(portHooks), m_speichern2, *m_dialogs, this);
}

MainWindow::~MainWindow() = default;

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

    m_panel = new DownloadPanel(central);

    auto *picture1 = new PictureBox(drawGauge(96), central);
    picture1->setObjectName(u"Picture1"_s);
    picture1->setToolTip(u"DURAMO-TEST V1.0"_s);

    auto *text1 = new QTextEdit(central);
    text1->setObjectName(u"Text1"_s);
    text1->setReadOnly(true);
    text1->setPlainText(contactBlock);
    text1->setFrameShape(QFrame::NoFrame);
    text1->setFixedHeight(QFontMetrics(text1->font()).lineSpacing() * 8 + 8);

    auto *picture2 = new PictureBox(drawProbe(64, 96), central);
    picture2->setObjectName(u"Picture2"_s);

    m_stat1 = new QListView(central);
    m_stat1->setObjectName(u"stat1"_s);
    // Uniform rows let the view lay out a million entries without measuring each.
    m_stat1->setUniformItemSizes(true);
    m_stat1->setVisible(false);

    m_surface = new SurfaceText(central);
    m_surface->setObjectName(u"surfaceText"_s);

    auto *pictures = new QHBoxLayout;
    pictures->addWidget(picture1);
    pictures->addWidget(picture2);
    pictures->addWidget(text1, 1);
    pictures->addWidget(picture3, 0, Qt::AlignTop);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(pictures);
    layout->addWidget(m_surface);
    layout->addWidget(m_panel);
    layout->addWidget(m_stat1, 1);
    layout->addStretch(0);
    layout->addWidget(m_clipboard1, 0, Qt::AlignRight);

    m_statusLine = new StatusLine(this);
    statusBar()->addWidget(m_statusLine, 1);

    // Wide enough for the status line of a download with its history copy.
    resize(900, 520);
}

void MainWindow::buildMenus()
{
    m_topMenus = buildMainMenus(menuBar());
    Q_ASSERT(m_topMenus.size() == 4);

    connectEntry("mnuOpen", [this] { m_documents->open(); });
    connectEntry("mnuSpeichern", [this] { m_documents->save(); });
    connectEntry("mnuDrucken", [this] { m_documents->print(); });
    connectEntry("mnuHistory", [this] { mnuHistory_Click(); });
    connectEntry("mnuEnd", [this] { mnuEnd_Click(); });
    connectEntry("mnuInterface1", [this] { mnuInterface1_Click(); });
    connectEntry("mnuOV", [this] { m_host->run(mnuOV_Click); });
    connectEntry("mnuVarden", [this] { m_host->run(mnuVarden_Click); });
    connectEntry("mnuFennix", [this] { m_host->run(mnuFennix_Click); });
    connectEntry("mnuFennix_Radio", [this] { m_host->run(mnuFennix_Radio_Click); });
    connectEntry("mnuDuramoFN", [this] { m_host->run(mnuDuramoFN_Click); });
    connectEntry("mnuDuramoST", [this] { m_host->run(mnuDuramoST_Click); });
    connectEntry("mnuKestra2", [this] { m_host->run(mnuKestra2_Click); });
    connectEntry("mnuQF100", [this] { m_host->run(mnuQF100_Click); });
    connectEntry("mnuQFU", [this] { m_host->run(mnuQFU_Click); });
    connectEntry("mnuQF2000", [this] { m_host->run(mnuQF2000_Click); });
    connectEntry("mnuHelp1", [this] { ShowHelp(); });
    connectEntry("mnuInfo", [this] {
        m_dialogs->information(u"Program-Version"_s, u"MERIDOC Program-Version 15.1"_s);
    });
}

void MainWindow::connectEntry(const char *name, std::function<void()> handler)
{
    const QString entryName = QString::fromLatin1(name);
    QAction *action = findChild<QAction *>(entryName);
    Q_ASSERT(action);
    // The top-level menu the entry sits in, through any sub-menus.
    QMenu *top = nullptr;
    for (QObject *o = action->parent(); o && !top; o = o->parent()) {
        if (m_topMenus.contains(o))
            top = static_cast<QMenu *>(o);
    }
    Q_ASSERT(top);
    // The lock is the enabled state of the top-level menu; an entry can still
    // be reached without opening that menu (its shortcut, a direct trigger),
    // so the handler checks the lock itself.
    connect(action, &QAction::triggered, this, [this, top, entryName, handler = std::move(handler)] {
        if (!top->menuAction()->isEnabled() || m_host->isEnding())
            return;
        Q_EMIT menuCommand(entryName);
        handler();
    });
}

void MainWindow::load()
{
    buildFennixCommands(m_host->state());
    show();
    SetMinimizedIcon();
    m_startUp->Lese_ComPort();
    m_startUp->tellInterruptedDownloads(m_host->history().folder(),
                                        [this](const QString &path) { m_documents->openPath(path); });
}

QString MainWindow::portFilePath() const
{
    return m_startUp->portFilePath();
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

void MainWindow::ShowHelp()
{
    const QString page = m_helpFolder + u"/Meridoc_Help_E.html"_s;
    // Failures stay silent: without the page there is nothing to show.
    if (QFileInfo::exists(page))
        QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void MainWindow::mnuHistory_Click()
{
    auto *window = new HistoryWindow(m_host->history().folder(),
                                     [this](const QString &title, const QString &text) {
                                         return m_dialogs->question(title, text);
                                     },
                                     this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &HistoryWindow::openRequested, m_documents, &DocumentActions::openPath);
    window->open();
}

void MainWindow::mnuInterface1_Click()
{
    m_host->closePortIfOpen();
    m_portDialog->showDialog();
}

void MainWindow::mnuEnd_Click()
{
    m_host->closePortIfOpen();
    close();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_host->isEnding())
        return;
    m_host->closePortIfOpen();
    m_host->setEnding();
    double wait = 200;
    ::delay(wait);
    Q_EMIT programEnding();
    QCoreApplication::quit();
}
