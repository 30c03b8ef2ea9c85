#include "items/configtree.h"

#include "items/configtreedelegate.h"

#include <QHeaderView>

ConfigTree::ConfigTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setCursor(Qt::ArrowCursor);
    setRootIsDecorated(false);
    setAlternatingRowColors(true);
    setItemDelegate(new ConfigTreeDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setColumnCount(2);
    header()->setVisible(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    QFont f = font();
    f.setPointSize(12);
    setFont(f);
}

QTreeWidgetItem *ConfigTree::appendItemRow(int index, const QStringList &fields)
{
    return appendRow(makeItemRow(index, fields));
}

QTreeWidgetItem *ConfigTree::appendRow(const ItemRow &row)
{
    QStringList columns{row.column0};
    if (!row.column1.isEmpty())
        columns << row.column1;
    auto *item = new QTreeWidgetItem(columns);
    item->setData(0, Qt::UserRole, row.index);
    item->setToolTip(0, columns.at(0));
    if (columns.size() > 1)
        setRowValue(item, columns.at(1));
    addTopLevelItem(item);
    return item;
}

void ConfigTree::setRowValue(QTreeWidgetItem *item, const QString &column1)
{
    // A value the instrument reported after a write is shown like a read one.
    const QString text = visibleItemText(column1);
    item->setText(1, text);
    item->setToolTip(1, text);
}

ItemRow ConfigTree::rowOf(const QTreeWidgetItem *item)
{
    ItemRow row;
    row.index = item->data(0, Qt::UserRole).toInt();
    row.column0 = item->text(0);
    row.column1 = item->text(1);
    return row;
}

QList<ItemRow> ConfigTree::rows() const
{
    QList<ItemRow> out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        out << rowOf(topLevelItem(i));
    return out;
}
