#include "BlockFiles.h"

#include "Blocks.h"
#include "DownloadHost.h"
#include "DownloadState.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

// The dialog's own overwrite question covers the name typed, not the
// numbered files made from it: ask once for all of them.
bool mayReplace(DownloadHost &host, const QStringList &names)
{
    QStringList existing;
    for (const QString &name : names) {
        if (QFileInfo::exists(name))
            existing.append(QDir::toNativeSeparators(name));
    }
    if (existing.isEmpty())
        return true;
    const QString text = existing.size() == 1
        ? u"The block file %1 exists already.\nReplace it?"_s.arg(existing.first())
        : u"%1 of the %2 block files exist already, the first of them %3.\nReplace them?"_s.arg(
              QString::number(existing.size()), QString::number(names.size()), existing.first());
    return host.askYesNo(u"Save blocks"_s, text);
}

} // namespace

void SaveBlockFiles(DownloadHost &host, DownloadOutcome &outcome)
{
    const DownloadState &state = host.state();
    outcome.blocks = DownloadOutcome::Blocks::NotSaved;
    // The instrument may have cleared its memory by now: refusing to replace
    // files asks for another name, and only a cancel leaves the blocks unsaved.
    QStringList names;
    for (;;) {
        const std::optional<QString> chosen =
            host.saveDialog(u"Messdatenfile (*.mes)"_s, QDir(host.programFolder()).filePath(u"mes"_s));
        if (!chosen || chosen->isEmpty())
            return;
        names.clear();
        for (qsizetype i = 1; i <= state.LastValueIndex; ++i)
            names.append(blockFileName(*chosen, i));
        if (mayReplace(host, names)) {
            outcome.blocksName = *chosen;
            break;
        }
    }

    for (qsizetype i = 1; i <= state.LastValueIndex; ++i) {
        const QString &name = names.at(i - 1);
        QString reason;
        if (!writeWholeFile(name, {state.ValueList.at(i), "\r\n"_ba}, &reason)) {
            const qsizetype left = state.LastValueIndex - i;
            const QString notSaved = left == 0 ? u"This last block was not saved"_s
                : left == 1                    ? u"This block and the one after it were not saved"_s
                                               : u"This block and the %1 after it were not saved"_s.arg(left);
            outcome.blocks = DownloadOutcome::Blocks::Failed;
            outcome.blocksProblem = u"%1: %2"_s.arg(QDir::toNativeSeparators(name), reason);
            host.showMessage(u"Save blocks"_s,
                             u"The block file %1 could not be written: %2.\nThe files before it are saved. %3; "
                             "a file of that name keeps its old content.\nChoose a folder you may write to, "
                             "with free space, and save the list with \"Save\" or download it again."_s
                                 .arg(QDir::toNativeSeparators(name), reason, notSaved));
            return;
        }
        outcome.blocksWritten = i;
        host.processEvents();
    }
    outcome.blocks = DownloadOutcome::Blocks::Saved;
}
