#pragma once

#include "link/linesplitter.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The history answer's lines (the one splitter of the link's streams).
using HistoryLineSplitter = LineSplitter;

// One received line as the history view holds it: every line break (CR LF,
// CR or LF) one paragraph end, as a text document takes them. The exports
// read that text, whether from the view or from zrvu-cli's spool.
QString historyViewText(const QString &received);
