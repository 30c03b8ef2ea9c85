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
    switch (outcome.status) {
    case ItemWriteOutcome::LinkFailed:
        showMessageBox(tr("提交"), outcome.errorText, windowIcon());
        return false;
    case ItemWriteOutcome::BadReply:
        showMessageBox(tr("提交"), tr("硬件返回数据校验错误"), windowIcon());
        return false;
    case ItemWriteOutcome::ValueTooLong:
        showMessageBox(tr("提交"), tr("写入的值过长,最多%1字节").arg(kMaxItemValueBytes), windowIcon());
        return false;
    case ItemWriteOutcome::Written:
    case ItemWriteOutcome::Refused:
        break;
    }
    if (outcome.hasReportedValue)
        ConfigTree::setRowValue(row, QStringLiteral(": ") + outcome.reportedValue);
    if (outcome.status == ItemWriteOutcome::Written)
        showStatus(tr("写入配置成功"), 5000);
    else
        showStatus(tr("写入配置失败,该项不支持修改"), 5000);
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
        showStatus(tr("写入错误,连接设备失败"), 5000);
        showMessageBox(tr("写入配置"), tr("写入错误,连接设备失败"), windowIcon());
        return;
    }
    if (!writeItem(link, item, newValue, mode))
        showMessageBox(tr("写入配置"), tr("写入配置失败: %1").arg(newValue), windowIcon());
    link.close();
}

void MainWindow::slotWriteItems()
{
    showStatus(tr("正在写入配置......"));
    DeviceLink link;
    if (!link.open()) {
        showStatus(tr("写入错误,连接设备失败"), 5000);
        showMessageBox(tr("写入配置"), tr("写入错误,连接设备失败"), windowIcon());
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
            showMessageBox(tr("写入配置"), tr("写入配置失败: %1").arg(value), windowIcon());
            return;
        }
        if (!row->text(1).contains(value))
            ++refused;
    }
    // Rows the instrument kept at its own value were not written; saying
    // "success" would hide that the copy is incomplete.
    if (refused > 0)
        showStatus(tr("写入配置完成,%1项不支持修改").arg(refused), 5000);
    else
        showStatus(tr("写入配置成功"), 5000);
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
        showMessageBox(tr("导出配置"), tr("导出配置失败: %1").arg(error), windowIcon());
        return;
    }
    showStatus(tr("导出配置成功"), 5000);
}

void MainWindow::slotImportItems()
{
    const QString fileName = askFileName(false, tr("导入配置"));
    if (fileName.isEmpty())
        return;
    // Regular files only and of a sane size: a FIFO would block the window.
    const FileReadResult read = readRegularFile(fileName, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed) {
        showMessageBox(tr("导入配置"), tr("打开文件失败: %1").arg(fileName), windowIcon());
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
        showMessageBox(tr("导入配置"), tr("文件编码错误: 第%1行不是UTF-8或GBK文本").arg(badLine), windowIcon());
        return;
    }
    showStatus(tr("正在导入配置......"));
    slotClearItems();
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields)) {
            showMessageBox(tr("导入配置"), tr("文件解析错误"), windowIcon());
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
    if (!link.open()) {
        showMessageBox(tr("同步时间"), link.errorText, windowIcon());
        return;
    }
    const ClockSyncOutcome outcome = syncClockExchange(link);
    link.close();
    switch (outcome.status) {
    case ClockSyncOutcome::LinkFailed:
        showMessageBox(tr("同步时间"), outcome.errorText, windowIcon());
        break;
    case ClockSyncOutcome::BadReply:
        showMessageBox(tr("同步时间"), tr("同步时间失败"), windowIcon());
        break;
    case ClockSyncOutcome::Synced:
        QMessageBox::information(this, tr("同步时间"), tr("同步时间成功"), QMessageBox::Ok);
        break;
    }
}

void MainWindow::slotWriteSN()
{
    DeviceLink link;
    if (!link.open()) {
        const QString text = tr("写入SN失败,连接设备失败,请检查通讯设置");
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        return;
    }
    DDialogInputSN dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SerialNumberOutcome outcome = writeSerialNumberExchange(link, dialog.serialNumber());
    link.close();
    switch (outcome.status) {
    case SerialNumberOutcome::StreamFailed: {
        const QString text = tr("写入SN失败, %1").arg(outcome.errorText);
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        break;
    }
    case SerialNumberOutcome::BadAnswer:
        showStatus(tr("写入SN失败"), 5000);
        showMessageBox(tr("写入SN"), tr("写入SN失败, 设备返回错误: %1").arg(serialNumberAnswerText(outcome.answer)),
                       windowIcon());
        break;
    case SerialNumberOutcome::Written:
        showStatus(tr("写入SN成功"), 5000);
        showInfoBox(tr("写入SN成功"), this);
        break;
    }
}
