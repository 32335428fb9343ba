#include "ReadChecks.h"

#include "Blocks.h"
#include "CommandLine.h"
#include "WholeFileCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

ReadTarget readTargetOf(const ReadOptions &options)
{
    if (options.output.isEmpty() || options.output == u"-"_s)
        return ReadTarget::StandardOutput;
    // What a shell's "> target" writes into rather than replaces.
    const QFileInfo target(options.output);
    if (target.exists() && !target.isFile() && !target.isDir())
        return ReadTarget::Stream;
    return ReadTarget::WholeFile;
}

std::optional<QString> outputProblem(const ReadOptions &options)
{
    if (readTargetOf(options) != ReadTarget::WholeFile)
        return std::nullopt;
    const std::optional<QString> problem = wholeFileProblem(options.output);
    if (!problem)
        return std::nullopt;
    return u"cannot write to %1: %2.\nchoose another file with -o; nothing was read."_s.arg(
        QDir::toNativeSeparators(options.output), *problem);
}

QStringList existingBlockFiles(const QString &base)
{
    const QFileInfo info(base);
    const QRegularExpression pattern(u"^%1\\((\\d+)\\)\\.mes$"_s.arg(QRegularExpression::escape(info.fileName())));
    QList<qulonglong> numbers;
    for (const QString &name : QDir(info.path()).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch())
            numbers.append(match.captured(1).toULongLong());
    }
    std::sort(numbers.begin(), numbers.end());
    QStringList paths;
    for (qulonglong number : numbers)
        paths.append(QDir::toNativeSeparators(blockFileName(base, qsizetype(number))));
    return paths;
}

QString someNames(const QStringList &names)
{
    if (names.size() <= 3)
        return names.join(u", "_s);
    return u"%1, ... (%2 in all)"_s.arg(names.mid(0, 3).join(u", "_s), QString::number(names.size()));
}

std::optional<QString> blocksProblem(const ReadOptions &options)
{
    if (options.blocksBase.isEmpty())
        return std::nullopt;
    const QStringList existing = existingBlockFiles(options.blocksBase);
    if (!existing.isEmpty() && !options.force) {
        return u"block files of %1 exist already: %2.\n"
               "give --force to replace them, or another name with --blocks; nothing was read."_s.arg(
                   QDir::toNativeSeparators(options.blocksBase), someNames(existing));
    }
    QStringList toWrite = existing;
    toWrite.prepend(blockFileName(options.blocksBase, 1));
    for (const QString &name : toWrite) {
        if (const std::optional<QString> problem = wholeFileProblem(name)) {
            return u"cannot write the block files %1, ...: %2.\n"
                   "choose another name with --blocks; nothing was read."_s.arg(
                       QDir::toNativeSeparators(blockFileName(options.blocksBase, 1)), *problem);
        }
    }
    return std::nullopt;
}
