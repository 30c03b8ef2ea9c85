#include "items/itemrows.h"

ItemRow makeItemRow(int index, const QStringList &fields)
{
    ItemRow row;
    row.index = index;
    // Numbered by the item index, as the file, the preview and the traffic
    // log number it, so that one row has one number everywhere.
    row.column0 = itemColumn0(index, fields);
    if (fields.size() > 1)
        row.column1 = itemColumn1(fields);
    return row;
}

QList<ItemRow> ItemRowFilter::addItem(int index, const QStringList &fields)
{
    QList<ItemRow> out;
    const bool skipped = m_filter.isSkippedRow(index, fields, [&](int heldIndex, const QStringList &heldFields) {
        out << makeItemRow(heldIndex, heldFields);
    });
    if (!skipped)
        out << makeItemRow(index, fields);
    return out;
}
