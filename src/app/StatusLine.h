// The line at the foot of the main window that says how the last download
// ended and what it kept, or what Open and Save did. It stays until the next
// download or file operation; hovering the menus does not clear it.
#pragma once

#include <QLabel>

struct DownloadOutcome;
struct FileOutcome;

class StatusLine : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLine(QWidget *parent = nullptr);

    // The text as the line shows it at its width.
    QString shownText() const;

public Q_SLOTS:
    // A download or file operation begins: the last outcome is over.
    void clearLine();
    void showDownload(const DownloadOutcome &outcome);
    void showHistoryStopped(const QString &reason);
    void showFile(const FileOutcome &outcome);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void say(const QString &text);
};
