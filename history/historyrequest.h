#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// The 19-byte history query for the whole days start..end. The instrument
// expects the two length fields as the constants 0x0007 and 0x0004, not the
// real payload lengths.
QByteArray buildHistoryRequest(const QDate &start, const QDate &end);

// Why the dialog and zrvu-cli refuse the range (start after end); empty
// when it can be asked for.
QString historyRangeMessage(const QDate &start, const QDate &end);
