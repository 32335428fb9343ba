// How the port dialog and the "Serial ports" window talk to the user. Tests
// put recorders in place of the modal boxes.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// A message with a title and an OK button; returns when the user closed it.
using ShowMessage = std::function<void(const QString &title, const QString &text)>;
// A yes/no question; true for yes.
using AskYesNo = std::function<bool(const QString &title, const QString &text)>;

void showMessageBox(QWidget *parent, const QString &title, const QString &text);
bool askYesNoBox(QWidget *parent, const QString &title, const QString &text);
