#pragma once

#include "items/itemrules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Item files: UTF-8 with a byte-order mark, one "07. Name, value" line per
// item (a command item has no comma), every line ending in CR LF.

// The line of one row, without its line break.
QString itemCsvLine(const ItemRow &row);
// The whole file: byte-order mark and every row's line.
QByteArray buildItemFile(const QList<ItemRow> &rows);

// Item files and SkipItems come from outside; anything larger is refused.
constexpr qint64 kMaxItemFileBytes = 16 * 1024 * 1024;

// The lines of a file, CR LF or LF endings. After a byte-order mark the file
// must be UTF-8. Without one, valid UTF-8 is taken as UTF-8, else the local
// 8-bit encoding where that is not UTF-8 and converts without loss, else
// strictly checked GBK (what a spreadsheet on a Chinese system saves).
// A file none of them reads is refused: no lines, and *badLine (1-based)
// names the first line that does not convert, so that no value holding a
// replacement character is ever sent. *badLine is 0 for a readable file.
QStringList itemFileLines(const QByteArray &fileBytes, int *badLine = nullptr);
// One line back into an item index and fields like those the instrument
// sends (name, value). False when the line is not "digits.text" or the index
// is beyond the instrument's 0 to 255.
bool parseItemCsvLine(const QString &line, int *index, QStringList *fields);

// The window's texts for item files (context MainWindow).
QString itemExportFailedMessage(const QString &cause);
QString itemExportedMessage();
QString itemFileOpenFailedMessage(const QString &fileName);
QString itemFileEncodingMessage(int badLine);
QString itemFileParseMessage();
