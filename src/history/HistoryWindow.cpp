#include "HistoryWindow.h"

#include "HistoryModel.h"
#include "HistoryReader.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The columns are sized once from the font: measuring every row's text
// would cost a moment per row and make the window wait for all counts.
void sizeColumns(QTreeView *list)
{
    const QList<std::pair<int, QString>> widest{
        {HistoryModel::Started, u"2026-12-07 08:30:00"_s},
        {HistoryModel::Lines, u"9999999"_s},
        {HistoryModel::Size, u"999 bytes"_s},
        {HistoryModel::Ended, u"connection lost, incomplete copy"_s},
    };
    QHeaderView *header = list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(HistoryModel::Instrument, QHeaderView::Stretch);
    // An item view's text has a frame margin and one pixel on each side.
    const int margin = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (const auto &[column, text] : widest) {
        header->resizeSection(column, std::max(header->sectionSizeHint(column),
                                               list->fontMetrics().horizontalAdvance(text) + 2 * margin));
    }
}

} // namespace

HistoryWindow::HistoryWindow(const QString &folder, Question ask, QWidget *parent)
    : QDialog(parent)
    , m_folder(folder)
    , m_ask(std::move(ask))
{
    setObjectName(u"historyWindow"_s);
    setWindowTitle(u"Download history"_s);

    auto *where = new QLabel(u"Every download is kept in %1"_s.arg(QDir::toNativeSeparators(folder)), this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_model = new HistoryModel(this);
    m_list = new QTreeView(this);
    m_list->setObjectName(u"historyList"_s);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setModel(m_model);
    sizeColumns(m_list);
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::updateButtons);
    connect(m_list, &QTreeView::activated, this, &HistoryWindow::openChosen);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(u"&Open"_s, QDialogButtonBox::ActionRole);
    m_open->setObjectName(u"historyOpen"_s);
    m_delete = buttons->addButton(u"&Delete"_s, QDialogButtonBox::ActionRole);
    m_delete->setObjectName(u"historyDelete"_s);
    QPushButton *folderButton = buttons->addButton(u"Show &folder"_s, QDialogButtonBox::ActionRole);
    folderButton->setObjectName(u"historyFolder"_s);
    connect(m_open, &QPushButton::clicked, this, &HistoryWindow::openChosen);
    connect(m_delete, &QPushButton::clicked, this, &HistoryWindow::deleteChosen);
    connect(folderButton, &QPushButton::clicked, this, &HistoryWindow::showFolder);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_reader = new HistoryReader(this);
    connect(m_reader, &HistoryReader::listed, this, [this](const QList<HistoryItem> &items) {
        const bool first = m_model->rowCount() == 0;
        m_model->appendItems(items);
        if (first)
            m_list->setCurrentIndex(m_model->index(0, 0));
    });
    connect(m_reader, &HistoryReader::listingDone, this, &HistoryWindow::keepPlaceAfterDelete);
    connect(m_reader, &HistoryReader::counted, m_model, &HistoryModel::setLines);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(860, 360);
    m_list->setFocus();
    refresh();
}

HistoryWindow::~HistoryWindow()
{
    // The reader's thread must not outlive the rows it reports on.
    m_reader->stop();
}

void HistoryWindow::refresh()
{
    m_model->clear();
    m_reader->start(m_folder);
    updateButtons();
}

void HistoryWindow::keepPlaceAfterDelete()
{
    // After a Delete the list goes on where the first deleted download was.
    const int rows = m_model->rowCount();
    if (m_rowAfterListing > 0 && rows > 0) {
        m_list->setCurrentIndex(m_model->index(std::min(m_rowAfterListing, rows - 1), 0));
        m_list->scrollTo(m_list->currentIndex());
    }
    m_rowAfterListing = 0;
}

QStringList HistoryWindow::chosenPaths() const
{
    QStringList paths;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        paths.append(m_model->item(index.row()).path);
    return paths;
}

void HistoryWindow::updateButtons()
{
    const QModelIndexList chosen = m_list->selectionModel()->selectedRows();
    m_open->setEnabled(chosen.size() == 1);
    // A download another copy of the program is still writing stays.
    const bool anyRunning = std::any_of(chosen.begin(), chosen.end(), [this](const QModelIndex &index) {
        return m_model->item(index.row()).ending == HistoryEnding::Running;
    });
    m_delete->setEnabled(!chosen.isEmpty() && !anyRunning);
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The Delete key does what the Delete button does. The list would take
    // the key's text for a search.
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Delete)) {
        deleteChosen();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void HistoryWindow::openChosen()
{
    const QStringList paths = chosenPaths();
    if (paths.size() != 1)
        return;
    accept();
    Q_EMIT openRequested(paths.first());
}

void HistoryWindow::deleteChosen()
{
    const QStringList paths = chosenPaths();
    if (paths.isEmpty() || !m_delete->isEnabled())
        return;
    const QString title = u"Delete downloads"_s;
    const QString text = paths.size() == 1
        ? u"Delete the download %1 from the history?"_s.arg(QFileInfo(paths.first()).fileName())
        : u"Delete these %1 downloads from the history?"_s.arg(paths.size());
    const bool yes = m_ask ? m_ask(title, text)
                           : QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No)
                               == QMessageBox::Yes;
    if (!yes)
        return;
    QStringList failed;
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.remove())
            failed.append(u"%1: %2"_s.arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QModelIndexList chosen = m_list->selectionModel()->selectedRows();
    m_rowAfterListing = std::min_element(chosen.begin(), chosen.end())->row();
    refresh();
    if (!failed.isEmpty())
        QMessageBox::warning(this, title,
                             u"These downloads could not be deleted:\n%1\n\nCheck the folder's permissions."_s
                                 .arg(failed.join(u'\n')));
}

void HistoryWindow::showFolder()
{
    const QString shown = QDir::toNativeSeparators(m_folder);
    if (QDir().mkpath(m_folder) && QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder)))
        return;
    // Without a file manager nothing would happen at all: the user opens the folder by hand.
    auto *box = new QMessageBox(QMessageBox::Information, u"Show folder"_s,
                                u"No file manager could be started to show the folder of the download "
                                "history. Its downloads are in:\n\n%1"_s.arg(shown),
                                QMessageBox::Ok, this);
    box->setObjectName(u"historyFolderMessage"_s);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
