#include "items/itemrows.h"

ItemRow makeItemRow(int position, int index, const QStringList &fields)
{
    ItemRow row;
    row.index = index;
    row.column0 = itemColumn0(position, fields);
    if (fields.size() > 1)
        row.column1 = itemColumn1(fields);
    return row;
}

QList<ItemRow> ItemRowFilter::addItem(int index, const QStringList &fields, int rowCount)
{
    QList<ItemRow> out;
    const bool skipped = m_filter.isSkippedRow(index, fields, [&](int heldIndex, const QStringList &heldFields) {
        out << makeItemRow(rowCount + 1, heldIndex, heldFields);
    });
    if (!skipped)
        out << makeItemRow(rowCount + out.size() + 1, index, fields);
    return out;
}
