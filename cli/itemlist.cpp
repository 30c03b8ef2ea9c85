#include "cli/itemlist.h"

void ItemRowList::addItem(int index, const QStringList &fields)
{
    const bool skipped = m_filter.isSkippedRow(index, fields, [this](int heldIndex, const QStringList &heldFields) {
        append(heldIndex, heldFields);
    });
    if (!skipped)
        append(index, fields);
}

void ItemRowList::append(int index, const QStringList &fields)
{
    ItemRow row;
    row.index = index;
    row.column0 = itemColumn0(m_rows.size() + 1, fields);
    if (fields.size() > 1)
        row.column1 = itemColumn1(fields);
    m_rows << row;
}
