// What the command line tells its user, on standard error: every line starts
// with "meridoc: ", one subject per line. On a terminal the count of lines
// received is one line rewritten in place while data arrive.
#pragma once

#include <QString>

#include <cstdio>

// A sentence of its own (the journal's reason, the parser's complaint) made
// to go on within a message line: its first letter small.
QString continuing(QString sentence);

class Messages
{
public:
    explicit Messages(std::FILE *stream);

    // Each line of text as a line of its own.
    void say(const QString &text);
    // On a terminal: the count, replacing the one shown before; elsewhere nothing.
    void showCount(const QString &text);
    // No count from here on: the lines themselves appear on the terminal.
    void leaveOutCount() { m_counting = false; }

private:
    void endCountLine();

    std::FILE *m_stream;
    bool m_counting;
    bool m_countShown = false;
};
