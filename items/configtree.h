#pragma once

#include "items/itemrules.h"

#include <QList>
#include <QTreeWidget>

// The item list in the centre of the main window; its rows are the model.
class ConfigTree : public QTreeWidget
{
public:
    explicit ConfigTree(QWidget *parent = nullptr);

    // Appends a row for an item as the instrument sent it (fields split at ':').
    QTreeWidgetItem *appendItemRow(int index, const QStringList &fields);
    static ItemRow rowOf(const QTreeWidgetItem *item);
    QList<ItemRow> rows() const;
};
