// Where a transfer's bytes come from: a fixed buffer, or a generator that
// produces them as they are needed.
#pragma once

#include <QByteArray>

#include <utility>

class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to maxBytes of the next bytes; empty only at the end.
    virtual QByteArray take(qint64 maxBytes) = 0;
    virtual bool atEnd() const = 0;
};

class BufferSource : public ByteSource
{
public:
    explicit BufferSource(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    QByteArray take(qint64 maxBytes) override
    {
        const QByteArray part = m_bytes.mid(m_pos, maxBytes);
        m_pos += part.size();
        return part;
    }
    bool atEnd() const override { return m_pos >= m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};
