#pragma once

#include "items/safewrite.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QPushButton;
class QLabel;
class QTreeWidget;

// What a write would change, one row per valued item of the file; only the
// checked rows are written. Rows already equal hide behind a switch.
class WritePreviewDialog : public QDialog
{
    Q_OBJECT

public:
    WritePreviewDialog(const QList<PreviewRow> &rows, QWidget *parent = nullptr);

    // The preview rows with the user's check marks, in file order.
    QList<PreviewRow> rows() const;
    // Only the checked ones.
    QList<PreviewRow> checkedRows() const;
    QTreeWidget *table() const { return m_table; }
    QCheckBox *showUnchangedBox() const { return m_showUnchanged; }

private:
    void updateVisibleRows();
    void updateSummary();

    QList<PreviewRow> m_rows;
    QTreeWidget *m_table = nullptr;
    QCheckBox *m_showUnchanged = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_write = nullptr;
};
