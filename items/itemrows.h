#pragma once

#include "items/itemrules.h"
#include "items/skiptable.h"

#include <QList>
#include <QStringList>

// The row of an item, numbered by its item index.
ItemRow makeItemRow(int index, const QStringList &fields);

// The skip filter in front of a row list (the tree, the command line).
class ItemRowFilter
{
public:
    explicit ItemRowFilter(const SkipTable &table = SkipTable()) { m_filter.setTable(table); }
    void setTable(const SkipTable &table) { m_filter.setTable(table); }
    const ItemSkipFilter &skipFilter() const { return m_filter; }

    // The rows to append for one item as the instrument sent it: none
    // (hidden or held back), the row, or a released held row and then the row.
    QList<ItemRow> addItem(int index, const QStringList &fields);

private:
    ItemSkipFilter m_filter;
};

// The rows the item tree would hold.
class ItemRowList
{
public:
    explicit ItemRowList(const SkipTable &table)
        : m_filter(table)
    {
    }

    void addItem(int index, const QStringList &fields) { m_rows += m_filter.addItem(index, fields); }
    void clear() { m_rows.clear(); }
    const QList<ItemRow> &rows() const { return m_rows; }

private:
    ItemRowFilter m_filter;
    QList<ItemRow> m_rows;
};
