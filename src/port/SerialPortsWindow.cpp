#include "SerialPortsWindow.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Long enough for udev to add its links behind a new device node, short
// enough for the list to follow a plug within a second.
constexpr int SettleMs = 200;

QTableWidget *makeTable(const QStringList &headers, const QString &name, QWidget *parent)
{
    auto *table = new QTableWidget(0, int(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One tab stop: Tab leaves the table, the arrow keys move inside it.
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    // Rows one line high, so all sixteen COM numbers fit without scrolling.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void setRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
}

QLabel *labelFor(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *pushButton = new QPushButton(text, parent);
    pushButton->setObjectName(name);
    return pushButton;
}

QString usbIds(const SerialDevice &device)
{
    if (device.vendorId < 0 && device.productId < 0)
        return {};
    const auto hex = [](int id) { return id < 0 ? u"----"_s : u"%1"_s.arg(id, 4, 16, QChar(u'0')); };
    return hex(device.vendorId) + u':' + hex(device.productId);
}

QString comList(const QList<int> &numbers)
{
    QStringList names;
    for (int n : numbers)
        names.append(u"COM %1"_s.arg(n));
    return names.join(u", "_s);
}

} // namespace

SerialPortsWindow::SerialPortsWindow(const QString &programFolder, QWidget *parent, DeviceSource devices,
                                     ShowMessage showMessage, AskYesNo askYesNo)
    : QDialog(parent)
    , m_programFolder(programFolder)
    , m_devices(std::move(devices))
    , m_showMessage(std::move(showMessage))
    , m_askYesNo(std::move(askYesNo))
{
    setObjectName(u"SerialPorts"_s);
    setWindowTitle(u"Serial ports"_s);
    if (!m_devices)
        m_devices = [] { return presentSerialDevices(u"/dev/serial/by-id"_s); };
    m_watchedFolders = {u"/dev"_s, u"/dev/serial"_s, u"/dev/serial/by-id"_s};
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SerialPortsWindow::refresh);

    auto *layout = new QVBoxLayout(this);
    m_comTable = makeTable({u"COM"_s, u"Opens"_s, u"Link target"_s, u"Present"_s}, u"comTable"_s, this);
    layout->addWidget(labelFor(
        u"COM numbers of this &program (links in %1):"_s.arg(comLinkFolder(m_programFolder)),
        m_comTable, this));
    layout->addWidget(m_comTable, 3);
    m_deviceTable = makeTable({u"Device"_s, u"Description"_s, u"Maker"_s, u"Serial number"_s, u"USB ids"_s,
                               u"Stable link"_s, u"COM"_s},
                              u"deviceTable"_s, this);
    layout->addWidget(labelFor(u"Serial &devices present:"_s, m_deviceTable, this));
    layout->addWidget(m_deviceTable, 1);
    m_pluggedHint = new QLabel(this);
    m_pluggedHint->setObjectName(u"pluggedHint"_s);
    m_pluggedHint->setWordWrap(true);
    m_pluggedHint->setVisible(false);
    layout->addWidget(m_pluggedHint);

    auto *buttonRow = new QWidget(this);
    auto *buttons = new QHBoxLayout(buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_comNumber = new QSpinBox(buttonRow);
    m_comNumber->setObjectName(u"comNumber"_s);
    m_comNumber->setRange(1, 16);
    buttons->addWidget(labelFor(u"COM &number:"_s, m_comNumber, buttonRow));
    buttons->addWidget(m_comNumber);
    m_assign = button(u"&Give the selected device this COM number"_s, u"assign"_s, buttonRow);
    buttons->addWidget(m_assign);
    m_remove = button(u"&Remove the selected COM link"_s, u"remove"_s, buttonRow);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    m_close = button(u"&Close"_s, u"close"_s, buttonRow);
    // Return outside a button closes the window rather than assigning a port.
    m_close->setDefault(true);
    buttons->addWidget(m_close);
    layout->addWidget(buttonRow);

    connect(m_assign, &QPushButton::clicked, this, &SerialPortsWindow::assignSelected);
    connect(m_remove, &QPushButton::clicked, this, &SerialPortsWindow::removeSelected);
    connect(m_comNumber, &QSpinBox::valueChanged, this, &SerialPortsWindow::showPlugged);
    connect(m_close, &QPushButton::clicked, this, &SerialPortsWindow::reject);
    connect(m_comTable, &QTableWidget::itemSelectionChanged, this, &SerialPortsWindow::updateButtons);
    connect(m_deviceTable, &QTableWidget::itemSelectionChanged, this, &SerialPortsWindow::updateButtons);
    // Picking a COM row offers its number for the next assignment. Only a
    // chosen row counts: the current cell alone also moves when the table
    // just takes the focus.
    connect(m_comTable, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem *> selected = m_comTable->selectedItems();
        if (!selected.isEmpty())
            m_comNumber->setValue(selected.first()->row() + 1);
    });

    resize(900, 640);
    refresh();
}

void SerialPortsWindow::setWatchedFolders(const QStringList &folders)
{
    m_watchedFolders = folders;
    if (m_watcher) {
        delete m_watcher;
        m_watcher = nullptr;
        watch();
    }
}

void SerialPortsWindow::offerCom(int com)
{
    m_comNumber->setValue(com);
}

void SerialPortsWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // What is present now is the start: only what comes later is new.
    m_known.clear();
    m_plugged.clear();
    refresh();
    watch();
}

void SerialPortsWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    m_settle.stop();
    delete m_watcher;
    m_watcher = nullptr;
}

void SerialPortsWindow::watch()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
            // A folder that appeared (the first USB adapter makes /dev/serial/by-id) is watched too.
            watch();
            m_settle.start();
        });
    }
    // The COM links change too when someone else makes them (the simulator,
    // a second copy of the program); the program folder shows ports/ appear.
    const QStringList linkFolders{m_programFolder, comLinkFolder(m_programFolder)};
    const QStringList watched = m_watcher->directories();
    for (const QString &folder : m_watchedFolders + linkFolders) {
        if (!watched.contains(folder) && QFileInfo(folder).isDir())
            m_watcher->addPath(folder);
    }
}

void SerialPortsWindow::refresh()
{
    const int chosenRow = m_deviceTable->currentRow();
    const QString chosen = m_deviceTable->selectedItems().isEmpty() || chosenRow >= m_present.size()
        ? QString()
        : m_present.at(chosenRow).path;
    m_links = comLinks(m_programFolder);
    m_present = m_devices();

    // Devices that came since the last listing while the window is open are
    // marked; the newest is chosen for the COM number.
    QStringList paths;
    QString newest;
    for (const SerialDevice &device : std::as_const(m_present)) {
        paths.append(device.path);
        if (m_watcher && !m_known.contains(device.path) && !m_plugged.contains(device.path)) {
            m_plugged.append(device.path);
            newest = device.path;
        }
    }
    m_plugged.removeIf([&paths](const QString &path) { return !paths.contains(path); });
    m_known = paths;

    m_comTable->setRowCount(int(m_links.size()));
    for (int row = 0; row < m_links.size(); ++row) {
        const ComLink &link = m_links[row];
        setRow(m_comTable, row,
               {u"COM %1"_s.arg(link.com), link.device, link.linkTarget,
                link.present ? u"yes"_s : u"missing"_s});
    }

    m_deviceTable->setRowCount(int(m_present.size()));
    for (int row = 0; row < m_present.size(); ++row) {
        const SerialDevice &device = m_present[row];
        setRow(m_deviceTable, row,
               {device.path, device.description, device.manufacturer, device.serialNumber, usbIds(device),
                device.stablePath, comList(comNumbersOf(device.path, m_links))});
        if (m_plugged.contains(device.path)) {
            for (int column = 0; column < m_deviceTable->columnCount(); ++column) {
                QTableWidgetItem *item = m_deviceTable->item(row, column);
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
        }
    }
    m_comTable->resizeColumnsToContents();
    m_deviceTable->resizeColumnsToContents();
    const qsizetype choose = paths.indexOf(newest.isEmpty() ? chosen : newest);
    if (choose >= 0)
        m_deviceTable->selectRow(int(choose));
    else
        m_deviceTable->clearSelection();
    showPlugged();
    updateButtons();
}

void SerialPortsWindow::showPlugged()
{
    m_pluggedHint->setVisible(!m_plugged.isEmpty());
    if (m_plugged.isEmpty())
        return;
    const QString &path = m_plugged.constLast();
    QString name = path;
    for (const SerialDevice &device : std::as_const(m_present)) {
        if (device.path == path && !device.description.isEmpty())
            name = u"%1 (%2)"_s.arg(path, device.description);
    }
    m_pluggedHint->setText(u"Just plugged in: %1, shown in bold and chosen. \"Give the selected device this COM "
                           "number\" makes it COM %2."_s.arg(name).arg(m_comNumber->value()));
}

bool SerialPortsWindow::assignCom(int com, const QString &device)
{
    if (comLinkTaken(m_programFolder, com)) {
        const ComLink &old = m_links.value(com - 1);
        const QString now = old.isLink ? old.linkTarget : comLinkPath(m_programFolder, com);
        if (!ask(u"COM %1 leads to %2 now. Replace it with %3?"_s.arg(com).arg(now, device)))
            return false;
    }
    QString error;
    const bool ok = linkCom(m_programFolder, com, device, &error);
    if (!ok)
        message(error + u" Check that the program folder is writable."_s);
    refresh();
    return ok;
}

bool SerialPortsWindow::removeCom(int com)
{
    QString error;
    const bool ok = unlinkCom(m_programFolder, com, &error);
    if (!ok)
        message(error);
    refresh();
    return ok;
}

void SerialPortsWindow::assignSelected()
{
    const int row = m_deviceTable->currentRow();
    if (row < 0 || row >= m_present.size())
        return;
    const SerialDevice &device = m_present[row];
    assignCom(m_comNumber->value(), device.stablePath.isEmpty() ? device.path : device.stablePath);
}

void SerialPortsWindow::removeSelected()
{
    const int row = m_comTable->currentRow();
    if (row >= 0 && row < m_links.size())
        removeCom(m_links[row].com);
}

void SerialPortsWindow::updateButtons()
{
    const auto selected = [](QTableWidget *table) { return !table->selectedItems().isEmpty(); };
    const int comRow = m_comTable->currentRow();
    m_assign->setEnabled(selected(m_deviceTable));
    m_remove->setEnabled(selected(m_comTable) && comRow >= 0 && comRow < m_links.size()
                         && m_links[comRow].isLink);
}

void SerialPortsWindow::message(const QString &text)
{
    if (m_showMessage)
        m_showMessage(windowTitle(), text);
    else
        showMessageBox(this, windowTitle(), text);
}

bool SerialPortsWindow::ask(const QString &text)
{
    return m_askYesNo ? m_askYesNo(windowTitle(), text) : askYesNoBox(this, windowTitle(), text);
}
