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

// The lines of a file: UTF-8 after a byte-order mark, else the local 8-bit
// encoding; CR LF or LF endings.
QStringList itemFileLines(const QByteArray &fileBytes);
// One line back into an item index and fields like those the instrument
// sends (name, value). False when the line is not "digits.text".
bool parseItemCsvLine(const QString &line, int *index, QStringList *fields);
