#pragma once

#include <QString>
#include <QStringList>

// Texts of one tree row and the rules that turn instrument item texts into
// rows and back. Shared by the tree, the CSV files and the command line.

// One row of the item list: the instrument's item index and the two shown
// column texts ("07. Name", ": value"; column1 empty for a command item).
struct ItemRow {
    int index = 0;
    QString column0;
    QString column1;
};

// One item is always one line: control characters of an instrument's (or a
// file's) text are shown as visible symbols instead of reaching the tree,
// the terminal or an export. C0 controls and DEL become their control
// pictures (CR LF reads "␍␊", ESC "␛", NUL "␀"); C1 controls and the
// Unicode line and paragraph separators become "␦".
QString visibleItemText(const QString &text);

// The instrument's text split at every ':' (empty fields kept).
QStringList splitItemText(const QString &text);

// "03. Name": the number, zero-filled to two digits, and the trimmed name
// (as visibleItemText shows it).
QString itemColumn0(int number, const QStringList &fields);
// ": value" when the item has a value, else empty (value as visibleItemText
// shows it).
QString itemColumn1(const QStringList &fields);

// Column-0 text without its leading "digits." prefix, trimmed.
QString stripPositionPrefix(const QString &column0);
// Column-1 text without its leading ':', trimmed.
QString stripValuePrefix(const QString &column1);

// A name that ends in a parenthesised list of at least two '/'-separated
// choices ("Rate(2400/4800/9600)").
struct ItemChoices {
    bool isChoice = false;
    QString title;       // the name without the list (or the whole name)
    QStringList entries; // empty entries kept
};
ItemChoices parseItemChoices(const QString &name);

// The entry to preselect for `value`: the last entry contained in value,
// frozen once it equals value. Empty when none is contained.
QString selectChoice(const QStringList &entries, const QString &value);
