// What can be known before an instrument is read: where its lines go, and
// whether they can be written there. Many instruments clear their memory
// after a transfer, so a file that cannot be written is refused first.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct ReadOptions;

enum class ReadTarget {
    StandardOutput,   // no -o, or "-o -": each line as it arrives
    Stream,           // -o names an existing FIFO or device: each line as it arrives
    WholeFile,        // -o names a regular file or a new one: whole or not at all
};
ReadTarget readTargetOf(const ReadOptions &options);

// The lines to say when -o cannot be written as a whole file; nullopt when it can.
std::optional<QString> outputProblem(const ReadOptions &options);
// The lines to say when the block files of --blocks cannot be written or
// exist already without --force; nullopt when all is well.
std::optional<QString> blocksProblem(const ReadOptions &options);

// The block files of base that exist (base(1).mes, base(7).mes, ...), by number.
QStringList existingBlockFiles(const QString &base);
// "a(1).mes, a(2).mes" or, for many, the first three and how many there are.
QString someNames(const QStringList &names);
