#include "items/writepreviewdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { NameColumn, InstrumentColumn, FileColumn, StatusColumn };
}

WritePreviewDialog::WritePreviewDialog(const QList<PreviewRow> &rows, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("写入配置预览"));
    // Command items are never written from a file; they are not shown.
    for (const PreviewRow &row : rows) {
        if (row.status != PreviewRow::CommandSkipped)
            m_rows << row;
    }

    m_table = new QTreeWidget(this);
    m_table->setRootIsDecorated(false);
    m_table->setUniformRowHeights(true);
    m_table->setHeaderLabels({tr("名称"), tr("设备的值"), tr("要写入的值"), tr("说明")});
    m_table->header()->setSectionResizeMode(QHeaderView::Interactive);
    for (int i = 0; i < m_rows.size(); ++i) {
        const PreviewRow &row = m_rows.at(i);
        auto *item = new QTreeWidgetItem(m_table);
        item->setText(NameColumn, QStringLiteral("%1. %2").arg(row.index, 2, 10, QLatin1Char('0')).arg(row.name));
        item->setText(InstrumentColumn, row.instrumentValue);
        item->setText(FileColumn, row.fileValue);
        item->setText(StatusColumn, previewStatusText(row.status));
        item->setData(NameColumn, Qt::UserRole, i);
        // Equal rows have nothing to write; rows the instrument lacks cannot be.
        const bool writable = row.status == PreviewRow::Changed || row.status == PreviewRow::Protected;
        if (writable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(NameColumn, row.checked ? Qt::Checked : Qt::Unchecked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setForeground(StatusColumn, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        if (row.status == PreviewRow::Protected) {
            QFont bold = item->font(StatusColumn);
            bold.setBold(true);
            item->setFont(StatusColumn, bold);
            item->setToolTip(StatusColumn, tr("设备保留自己的值,除非勾选此项"));
        }
    }
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_table->resizeColumnToContents(c);
    connect(m_table, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item, int column) {
        if (column != NameColumn)
            return;
        const int i = item->data(NameColumn, Qt::UserRole).toInt();
        if (i >= 0 && i < m_rows.size() && (item->flags() & Qt::ItemIsUserCheckable))
            m_rows[i].checked = item->checkState(NameColumn) == Qt::Checked;
        updateSummary();
    });

    m_showUnchanged = new QCheckBox(tr("显示未变化的项"), this);
    connect(m_showUnchanged, &QCheckBox::toggled, this, &WritePreviewDialog::updateVisibleRows);
    m_summary = new QLabel(this);

    auto *buttons = new QDialogButtonBox(this);
    m_write = buttons->addButton(tr("写入选中的项"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_showUnchanged);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(720, 420);
    updateVisibleRows();
    updateSummary();
}

QList<PreviewRow> WritePreviewDialog::rows() const
{
    return m_rows;
}

QList<PreviewRow> WritePreviewDialog::checkedRows() const
{
    QList<PreviewRow> out;
    for (const PreviewRow &row : m_rows) {
        if (row.checked && (row.status == PreviewRow::Changed || row.status == PreviewRow::Protected))
            out << row;
    }
    return out;
}

void WritePreviewDialog::updateVisibleRows()
{
    for (int i = 0; i < m_table->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_table->topLevelItem(i);
        const PreviewRow &row = m_rows.at(item->data(NameColumn, Qt::UserRole).toInt());
        item->setHidden(row.status == PreviewRow::Equal && !m_showUnchanged->isChecked());
    }
}

void WritePreviewDialog::updateSummary()
{
    int equal = 0;
    int unknown = 0;
    for (const PreviewRow &row : qAsConst(m_rows)) {
        equal += row.status == PreviewRow::Equal ? 1 : 0;
        unknown += row.status == PreviewRow::Unknown ? 1 : 0;
    }
    const int checked = checkedRows().size();
    m_summary->setText(tr("将写入 %1 项;%2 项未变化,%3 项设备没有").arg(checked).arg(equal).arg(unknown));
    m_write->setEnabled(checked > 0);
}
