#include "Messages.h"

#include <QStringList>

#include <unistd.h>

namespace {

constexpr char kPrefix[] = "meridoc: ";

} // namespace

Messages::Messages(std::FILE *stream)
    : m_stream(stream)
    , m_counting(::isatty(fileno(stream)) == 1)
{
}

void Messages::say(const QString &text)
{
    endCountLine();
    // A message that cannot be written (standard error closed) has nowhere
    // else to go; the exit status still tells.
    for (const QString &line : text.split(u'\n')) {
        std::fputs(kPrefix, m_stream);
        std::fputs(line.toLocal8Bit().constData(), m_stream);
        std::fputc('\n', m_stream);
    }
    std::fflush(m_stream);
}

void Messages::showCount(const QString &text)
{
    if (!m_counting)
        return;
    std::fputc('\r', m_stream);
    std::fputs(kPrefix, m_stream);
    std::fputs(text.toLocal8Bit().constData(), m_stream);
    std::fflush(m_stream);
    m_countShown = true;
}

void Messages::endCountLine()
{
    if (!m_countShown)
        return;
    std::fputc('\n', m_stream);
    m_countShown = false;
}

QString continuing(QString sentence)
{
    if (!sentence.isEmpty())
        sentence[0] = sentence.at(0).toLower();
    return sentence;
}
