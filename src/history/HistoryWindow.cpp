#include "HistoryWindow.h"

#include "HistoryListing.h"

#include <QDesktopServices>

#include <algorithm>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { Started, Instrument, Lines, Size, Ended };
constexpr int PathRole = Qt::UserRole;
constexpr int RunningRole = Qt::UserRole + 1;

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

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"historyList"_s);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({u"Started"_s, u"Instrument"_s, u"Lines"_s, u"Size"_s, u"Ended"_s});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(Instrument, QHeaderView::Stretch);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &HistoryWindow::updateButtons);
    connect(m_list, &QTreeWidget::itemActivated, this, &HistoryWindow::openChosen);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_open = buttons->addButton(u"&Open"_s, QDialogButtonBox::ActionRole);
    m_open->setObjectName(u"historyOpen"_s);
    m_delete = buttons->addButton(u"&Delete"_s, QDialogButtonBox::ActionRole);
    m_delete->setObjectName(u"historyDelete"_s);
    QPushButton *showFolder = buttons->addButton(u"Show &folder"_s, QDialogButtonBox::ActionRole);
    showFolder->setObjectName(u"historyFolder"_s);
    connect(m_open, &QPushButton::clicked, this, &HistoryWindow::openChosen);
    connect(m_delete, &QPushButton::clicked, this, &HistoryWindow::deleteChosen);
    connect(showFolder, &QPushButton::clicked, this, [this] {
        QDir().mkpath(m_folder);
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_folder));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(where);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(720, 360);
    refresh();
}

HistoryWindow::~HistoryWindow()
{
    stopCounting();
}

void HistoryWindow::refresh()
{
    stopCounting();
    m_list->clear();
    const QLocale locale;
    QStringList paths;   // in the order of the rows
    for (const HistoryItem &item : listHistory(m_folder)) {
        auto *row = new QTreeWidgetItem(m_list);
        row->setText(Started, item.start.toString(u"yyyy-MM-dd HH:mm:ss"_s));
        row->setText(Instrument, item.instrument);
        row->setText(Lines, u"…"_s);
        row->setTextAlignment(Lines, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(Size, locale.formattedDataSize(item.size, 1, QLocale::DataSizeSIFormat));
        row->setTextAlignment(Size, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(Ended, endingText(item.ending, item.incompleteCopy));
        row->setData(Started, PathRole, item.path);
        row->setData(Started, RunningRole, item.ending == HistoryEnding::Running);
        paths.append(item.path);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateButtons();
    countLines(paths);
}

void HistoryWindow::countLines(const QStringList &paths)
{
    const int listing = ++m_listing;
    m_counter.reset(QThread::create([this, paths, listing] {
        for (int row = 0; row < paths.size(); ++row) {
            const qint64 lines = countFileLines(paths.at(row));
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            // Dropped by Qt if the window is gone by then.
            QMetaObject::invokeMethod(this, [this, listing, row, lines] { showLines(listing, row, lines); },
                                      Qt::QueuedConnection);
        }
    }));
    m_counter->start(QThread::LowPriority);
}

void HistoryWindow::stopCounting()
{
    if (!m_counter)
        return;
    // The count looks at the request between two reads, so this is quick.
    m_counter->requestInterruption();
    m_counter->wait();
    m_counter.reset();
}

void HistoryWindow::showLines(int listing, int row, qint64 lines)
{
    // A count still queued from before a refresh belongs to the old rows.
    if (listing != m_listing)
        return;
    if (QTreeWidgetItem *item = m_list->topLevelItem(row))
        item->setText(Lines, lines < 0 ? u"?"_s : QString::number(lines));
}

QStringList HistoryWindow::chosenPaths() const
{
    QStringList paths;
    for (const QTreeWidgetItem *row : m_list->selectedItems())
        paths.append(row->data(Started, PathRole).toString());
    return paths;
}

void HistoryWindow::updateButtons()
{
    const QList<QTreeWidgetItem *> chosen = m_list->selectedItems();
    m_open->setEnabled(chosen.size() == 1);
    // A download another copy of the program is still writing stays.
    const bool anyRunning = std::any_of(chosen.begin(), chosen.end(), [](const QTreeWidgetItem *row) {
        return row->data(Started, RunningRole).toBool();
    });
    m_delete->setEnabled(!chosen.isEmpty() && !anyRunning);
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
    refresh();
    if (!failed.isEmpty())
        QMessageBox::warning(this, title,
                             u"These downloads could not be deleted:\n%1\n\nCheck the folder's permissions."_s
                                 .arg(failed.join(u'\n')));
}
