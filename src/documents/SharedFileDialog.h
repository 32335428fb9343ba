// The file dialog Speichern2: one dialog for Save, Open and the block files,
// which keeps its proposed file name and its filter between uses.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

class SharedFileDialog
{
public:
    enum class Mode { Open, Save };

    // The filter stays set for later uses; Save, Open, the block save and the
    // start-up's port-file dialog each set their own. Several filters are
    // separated by ";;", the first one chosen; empty means "all files".
    void setFilter(const QString &filter) { m_filter = filter; }
    QString filter() const { return m_filter; }
    void setInitDir(const QString &dir) { m_initDir = dir; }
    QString initDir() const { return m_initDir; }
    // The proposed name: empty at start, then the last chosen path.
    void setFileName(const QString &name) { m_fileName = name; }
    QString fileName() const { return m_fileName; }

    // Shows the dialog; nullopt when cancelled. A chosen path becomes the
    // next proposal. title: what the dialog asks for; empty, the toolkit's
    // own ("Open", "Save As").
    std::optional<QString> exec(QWidget *parent, Mode mode, const QString &title = {});
    // The title of the dialog shown now, or last.
    QString title() const { return m_title; }

    // Tests replace the interactive part: the function gets the dialog's
    // state and returns what a user would have chosen.
    using Chooser = std::function<std::optional<QString>(Mode, const SharedFileDialog &)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

private:
    QString m_filter;
    QString m_initDir;
    QString m_fileName;
    QString m_title;
    Chooser m_chooser;
};
