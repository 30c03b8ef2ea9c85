#pragma once

#include "items/itemrows.h"

#include <QList>
#include <QTreeWidget>

// The item list in the centre of the main window; its rows are the model.
class ConfigTree : public QTreeWidget
{
public:
    explicit ConfigTree(QWidget *parent = nullptr);

    // Appends a row for an item as the instrument sent it (fields split at ':').
    QTreeWidgetItem *appendItemRow(int index, const QStringList &fields);
    QTreeWidgetItem *appendRow(const ItemRow &row);
    // Column 1 of a row (": value"); long values are cut at the window edge,
    // so the full text is also the row's tool tip.
    static void setRowValue(QTreeWidgetItem *item, const QString &column1);
    static ItemRow rowOf(const QTreeWidgetItem *item);
    QList<ItemRow> rows() const;
};
