// The main window's instrument and file operations on the item list.
#include "app/mainwindow.h"

#include "items/clocksync.h"
#include "items/configtree.h"
#include "items/ddialoginputsn.h"
#include "items/itemcsv.h"
#include "items/itemwrite.h"
#include "items/modifydialog.h"
#include "items/serialnumber.h"
#include "link/devicelink.h"
#include "link/messageboxes.h"
#include "settings/fileio.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

int MainWindow::editItem(const QString &name, const QString &value, QString &newValue)
{
    newValue.clear();
    const int receivedLength = value.length();
    const QString itemName = stripPositionPrefix(name);
    const QString itemValue = stripValuePrefix(value);

    if (receivedLength < 1) {
        QMessageBox box(this);
        box.setIcon(QMessageBox::NoIcon);
        box.setWindowTitle(QStringLiteral(" "));
        box.setText(itemName);
        box.setWindowIcon(windowIcon());
        QPushButton *ok = box.addButton(tr("确定"), QMessageBox::AcceptRole);
        box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        box.exec();
        return box.clickedButton() == ok ? WriteCommand : WriteNothing;
    }

    ModifyDialog dialog(itemName, itemValue, this);
    if (dialog.exec() != QDialog::Accepted)
        return WriteNothing;
    newValue = dialog.value().trimmed();
    return WriteValue;
}

bool MainWindow::writeItem(DeviceLink &link, QTreeWidgetItem *row, const QString &value, int mode)
{
    showStatus(tr("正在写入配置......"));
    const int index = row->data(0, Qt::UserRole).toInt();
    const ItemWriteOutcome outcome = writeItemExchange(link, index, value, mode);
    if (!outcome.answered()) {
        showMessageBox(tr("提交"), itemWriteMessage(outcome), windowIcon());
        return false;
    }
    if (outcome.hasReportedValue)
        ConfigTree::setRowValue(row, QStringLiteral(": ") + outcome.reportedValue);
    showStatus(itemWriteMessage(outcome), 5000);
    return true;
}

void MainWindow::slotItemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    if (!item)
        return;
    QString newValue;
    const int mode = editItem(item->text(0), item->text(1), newValue);
    if (mode == WriteNothing)
        return;
    DeviceLink link;
    if (!link.open()) {
        showStatus(itemWriteOpenFailedMessage(), 5000);
        showMessageBox(tr("写入配置"), itemWriteOpenFailedMessage(), windowIcon());
        return;
    }
    if (!writeItem(link, item, newValue, mode))
        showMessageBox(tr("写入配置"), itemWriteStoppedMessage(newValue), windowIcon());
    link.close();
}

void MainWindow::slotWriteItems()
{
    showStatus(tr("正在写入配置......"));
    DeviceLink link;
    if (!link.open()) {
        showStatus(itemWriteOpenFailedMessage(), 5000);
        showMessageBox(tr("写入配置"), itemWriteOpenFailedMessage(), windowIcon());
        return;
    }
    int refused = 0;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_tree->topLevelItem(i);
        if (row->text(1).isEmpty())
            continue;
        m_tree->setCurrentItem(row);
        const QString value = row->text(1).mid(1).trimmed();
        if (!writeItem(link, row, value, WriteValue)) {
            showMessageBox(tr("写入配置"), itemWriteStoppedMessage(value), windowIcon());
            return;
        }
        if (!row->text(1).contains(value))
            ++refused;
    }
    // Rows the instrument kept at its own value were not written; saying
    // "success" would hide that the copy is incomplete.
    showStatus(itemBatchWrittenMessage(refused), 5000);
    link.close();
}

void MainWindow::slotExportItems()
{
    QString fileName = askFileName(true, tr("导出配置"));
    if (fileName.isEmpty())
        return;
    // The import dialog lists *.csv: a name typed without a suffix would
    // save a file it never shows.
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += fileName.endsWith(QLatin1Char('.')) ? QStringLiteral("csv") : QStringLiteral(".csv");
    showStatus(tr("正在导出配置......"));
    // A failed write keeps any earlier export and names the cause.
    const QString error = writeWholeFile(fileName, buildItemFile(m_tree->rows()));
    if (!error.isEmpty()) {
        showStatus(QString());
        showMessageBox(tr("导出配置"), itemExportFailedMessage(error), windowIcon());
        return;
    }
    showStatus(itemExportedMessage(), 5000);
}

void MainWindow::slotImportItems()
{
    const QString fileName = askFileName(false, tr("导入配置"));
    if (fileName.isEmpty())
        return;
    // Regular files only and of a sane size: a FIFO would block the window.
    const FileReadResult read = readRegularFile(fileName, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed) {
        showMessageBox(tr("导入配置"), itemFileOpenFailedMessage(fileName), windowIcon());
        return;
    }
    if (!read.ok()) {
        showMessageBox(tr("导入配置"), read.errorText, windowIcon());
        return;
    }
    int badLine = 0;
    const QStringList lines = itemFileLines(read.bytes, &badLine);
    if (badLine > 0) {
        // Refused before the tree changes: the rows could only be written
        // back as replacement characters.
        showMessageBox(tr("导入配置"), itemFileEncodingMessage(badLine), windowIcon());
        return;
    }
    showStatus(tr("正在导入配置......"));
    slotClearItems();
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields)) {
            showMessageBox(tr("导入配置"), itemFileParseMessage(), windowIcon());
            slotClearItems();
            return;
        }
        slotAddItems(index, fields);
    }
    showStatus(tr("导入配置成功"), 5000);
}

void MainWindow::slotSyncTime()
{
    DeviceLink link;
    const ClockSyncOutcome outcome = syncClock(link);
    if (outcome.status == ClockSyncOutcome::Synced)
        QMessageBox::information(this, tr("同步时间"), clockSyncMessage(outcome), QMessageBox::Ok);
    else
        showMessageBox(tr("同步时间"), clockSyncMessage(outcome), windowIcon());
}

void MainWindow::slotWriteSN()
{
    DeviceLink link;
    if (!link.open()) {
        const QString text = serialNumberOpenFailedMessage();
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        return;
    }
    DDialogInputSN dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SerialNumberOutcome outcome = writeSerialNumberExchange(link, dialog.serialNumber());
    link.close();
    const QString text = serialNumberMessage(outcome);
    switch (outcome.status) {
    case SerialNumberOutcome::StreamFailed:
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        break;
    case SerialNumberOutcome::BadAnswer:
        // The status line keeps it short; the box shows the answer.
        showStatus(tr("写入SN失败"), 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        break;
    case SerialNumberOutcome::Written:
        showStatus(text, 5000);
        showInfoBox(text, this);
        break;
    }
}
