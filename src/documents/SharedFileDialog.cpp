#include "SharedFileDialog.h"

#include <QFileDialog>
#include <QStringList>

using namespace Qt::StringLiterals;

std::optional<QString> SharedFileDialog::exec(QWidget *parent, Mode mode, const QString &title)
{
    m_title = title;
    std::optional<QString> chosen;
    if (m_chooser) {
        chosen = m_chooser(mode, *this);
    } else {
        // Qt's own dialog, so it looks and behaves the same on every desktop.
        QFileDialog dialog(parent, title);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilter(m_filter.isEmpty() ? u"All files (*)"_s : m_filter);
        if (!m_initDir.isEmpty())
            dialog.setDirectory(m_initDir);
        if (!m_fileName.isEmpty())
            dialog.selectFile(m_fileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen)
        m_fileName = *chosen;
    return chosen;
}
