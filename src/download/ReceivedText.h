// The received-text assembly: every entry of the list from index 0, each
// followed by CR LF, then one more CR LF (the empty text for an empty list).
// Save, Copy, Print and the block cutting all start from this text.
#pragma once

#include <QByteArray>
#include <QList>

QByteArray assembleReceivedText(const QList<QByteArray> &entries);
