#include "DownloadPanel.h"

#include "ReceiveLines.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

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

DownloadPanel::DownloadPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(u"downloadPanel"_s);

    m_warnText2 = new QLineEdit(this);
    m_warnText2->setObjectName(u"WarnText2"_s);
    m_warnText2->setReadOnly(true);
    m_warnText2->setFont(arial());
    m_warnText2->setVisible(false);

    m_warnText1 = hintLabel(u"When the bar stops moving, - Press key ESC !"_s, "WarnText1", this);
    m_qfuText1 = hintLabel(
        u"QFU-ST COM-Configuration: baudrate=1200 / data,stopbits=7,2 /  c:00 / L:00 / c.LF / .Pc "_s,
        "QfuText1", this);
    m_qfuText1->setToolTip(u"COM-Configuration for QFU-ST ( s.instructions IV. ! )"_s);

    m_datenscroll1 = new QProgressBar(this);
    m_datenscroll1->setObjectName(u"Datenscroll1"_s);
    m_datenscroll1->setRange(0, 1000);
    m_datenscroll1->setValue(0);
    m_datenscroll1->setVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_warnText2);
    layout->addWidget(m_warnText1);
    layout->addWidget(m_qfuText1);
    layout->addWidget(m_datenscroll1);
    // Hidden, the panel leaves the window's spacing as it was without it.
    setVisible(false);
}

void DownloadPanel::showControl(QWidget *control, bool visible)
{
    control->setVisible(visible);
    const bool any = !m_warnText2->isHidden() || !m_warnText1->isHidden() || !m_qfuText1->isHidden()
        || !m_datenscroll1->isHidden();
    setVisible(any);
}

void DownloadPanel::setMessage(const QString &text)
{
    m_warnText2->setText(text);
}

void DownloadPanel::setMessageVisible(bool visible)
{
    showControl(m_warnText2, visible);
}

void DownloadPanel::setEscHintVisible(bool visible)
{
    showControl(m_warnText1, visible);
}

void DownloadPanel::setQfuHintVisible(bool visible)
{
    showControl(m_qfuText1, visible);
}

void DownloadPanel::setProgressVisible(bool visible)
{
    showControl(m_datenscroll1, visible);
}

void DownloadPanel::setProgressMax(int max)
{
    m_datenscroll1->setMaximum(max);
}

int DownloadPanel::progressMax() const
{
    return m_datenscroll1->maximum();
}

void DownloadPanel::setProgressValue(int value)
{
    m_datenscroll1->setValue(value);
}

int DownloadPanel::progressValue() const
{
    return m_datenscroll1->value();
}

void DownloadPanel::showReceivedCount(qsizetype lines)
{
    m_datenscroll1->setFormat(receivedCountText(lines));
}
