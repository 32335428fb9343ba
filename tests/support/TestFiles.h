// Whole files read and written by tests, byte for byte.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A missing file reads as "<missing>", so that it differs from an empty one.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}
