#include "items/configtreedelegate.h"

void ConfigTreeDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;
    opt.font.setPointSize(12);
    QStyledItemDelegate::paint(painter, opt, index);
}

QSize ConfigTreeDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(30);
    return size;
}
