// The controls a download shows its course in: the operator message line
// WarnText2, the ESC hint WarnText1, the QFU-ST hint QfuText1, and the
// progress bar Datenscroll1 with the count of received lines. The panel
// takes no room while all of them are hidden.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;

class DownloadPanel : public QWidget
{
    Q_OBJECT
public:
    explicit DownloadPanel(QWidget *parent = nullptr);

    void setMessage(const QString &text);   // WarnText2
    void setMessageVisible(bool visible);
    void setEscHintVisible(bool visible);   // WarnText1
    void setQfuHintVisible(bool visible);   // QfuText1

    void setProgressVisible(bool visible);  // Datenscroll1
    void setProgressMax(int max);
    int progressMax() const;
    void setProgressValue(int value);
    int progressValue() const;
    // "12 lines received" as the bar's text.
    void showReceivedCount(qsizetype lines);

private:
    void showControl(QWidget *control, bool visible);

    QLineEdit *m_warnText2;
    QLabel *m_warnText1;
    QLabel *m_qfuText1;
    QProgressBar *m_datenscroll1;
};
