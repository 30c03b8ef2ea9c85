// The main window's instrument and file operations on the item list.
#include "app/mainwindow.h"

#include "items/clocksync.h"
#include "items/configtree.h"
#include "items/ddialoginputsn.h"
#include "items/itemcsv.h"
#include "items/itemwrite.h"
#include "items/itemrows.h"
#include "items/modifydialog.h"
#include "items/safewrite.h"
#include "items/serialnumber.h"
#include "items/writepreviewdialog.h"
#include "link/devicelink.h"
#include "link/messageboxes.h"
#include "settings/fileio.h"
#include "settings/settingkeys.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <QUrl>

#include <algorithm>

int MainWindow::editItem(const QString &name, const QString &value, QString &newValue)
{
    newValue.clear();
    const int receivedLength = value.length();
    const QString itemName = stripPositionPrefix(name);
    const QString itemValue = stripValuePrefix(value);

    if (receivedLength < 1)
        return confirmCommandItem(itemName, windowIcon(), this) ? WriteCommand : WriteNothing;

    ModifyDialog dialog(itemName, itemValue, this);
    if (dialog.exec() != QDialog::Accepted)
        return WriteNothing;
    newValue = dialog.value().trimmed();
    return WriteValue;
}

QTreeWidgetItem *MainWindow::rowAt(const WriteRowCopy &row) const
{
    // Nothing may change the list during a write; a row that is not the
    // copied one any more is left alone all the same.
    QTreeWidgetItem *item = m_tree->topLevelItem(row.position);
    if (!item || item->data(0, Qt::UserRole).toInt() != row.index)
        return nullptr;
    return item;
}

void MainWindow::slotItemDoubleClicked(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    if (!item || isExchangeRunning())
        return;
    QString newValue;
    const int mode = editItem(item->text(0), item->text(1), newValue);
    if (mode == WriteNothing)
        return;
    WriteRowCopy row;
    row.position = m_tree->indexOfTopLevelItem(item);
    row.index = item->data(0, Qt::UserRole).toInt();
    row.name = stripPositionPrefix(item->text(0));
    row.value = newValue;
    row.mode = mode;
    startWrite({row}, BusyWriteOne);
}

void MainWindow::slotWriteItems()
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return;
    }
    // The rows are fixed here: whatever happens to the list later, only
    // these go out.
    startPreviewedWrite(m_tree->rows(), true);
}

void MainWindow::slotRestoreBackup()
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return;
    }
    const QString caption = tr("恢复备份");
    const QString fileName = m_fileNameProvider
        ? m_fileNameProvider(false, caption)
        : QFileDialog::getOpenFileName(this, caption, defaultBackupDir(),
                                       QStringLiteral("Files (*.csv);;") + tr("所有文件 (*)"));
    if (fileName.isEmpty())
        return;
    const FileReadResult read = readRegularFile(fileName, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed) {
        showMessageBox(caption, itemFileOpenFailedMessage(fileName), windowIcon());
        return;
    }
    if (!read.ok()) {
        showMessageBox(caption, read.detail, windowIcon());
        return;
    }
    int badLine = 0;
    const QStringList lines = itemFileLines(read.bytes, &badLine);
    if (badLine > 0) {
        showMessageBox(caption, itemFileEncodingMessage(badLine), windowIcon());
        return;
    }
    // The backup's rows pass the same skip filter as an import; the tree is
    // left as it is.
    ItemRowList list(m_rowFilter.skipFilter().table());
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields)) {
            showMessageBox(caption, itemFileParseMessage(), windowIcon());
            return;
        }
        list.addItem(index, fields);
    }
    startPreviewedWrite(list.rows(), false);
}

void MainWindow::startPreviewedWrite(const QList<ItemRow> &rows, bool fromTree)
{
    if (!beginExchange(BusyPreviewRead))
        return;
    m_pendingRows = rows;
    m_pendingFromTree = fromTree;
    m_rowNumber = 0;
    m_checking = false;
    updateProgress();
    m_exchange.startReadItems(m_exchangeLink, m_rowFilter.skipFilter().table());
}

void MainWindow::onItemsRead(const ItemListOutcome &outcome, const QList<ItemRow> &current)
{
    m_exchange.wait();
    m_stopButton->hide(); // nothing runs while the outcome or the preview is shown
    if (m_closing || m_busy != BusyPreviewRead) {
        endExchange();
        return;
    }
    if (outcome.failure == Failure::OpenFailed) {
        showStatus(itemWriteOpenFailedMessage(), 5000);
        showMessageBox(tr("写入配置"), itemWriteOpenFailedMessage(), windowIcon());
        showFailureStatus(itemWriteOpenFailedMessage());
        endExchange();
        return;
    }
    if (outcome.status != ItemListOutcome::Complete) {
        endExchange();
        const QString text = itemListMessage(outcome);
        if (!text.isEmpty())
            showMessageBox(tr("写入配置"), text, windowIcon());
        return;
    }
    const QList<PreviewRow> preview =
        buildWritePreview(m_pendingRows, current, protectedNamePatterns(SettingKeys::writeProtected.read()));
    const bool anything = std::any_of(preview.begin(), preview.end(), [](const PreviewRow &p) {
        return p.differs();
    });
    if (!anything) {
        showStatus(tr("没有要写入的项"), 5000);
        endExchange();
        return;
    }
    // The actions stay off while the user decides: the preview is of this
    // instrument as it was just read. The read's progress is over.
    showStatus(QString());
    WritePreviewDialog dialog(preview, this);
    if (dialog.exec() != QDialog::Accepted || m_closing) {
        endExchange();
        return;
    }
    QList<WriteRowCopy> rows;
    for (const PreviewRow &p : dialog.checkedRows()) {
        WriteRowCopy row;
        row.position = m_pendingFromTree ? p.position : -1;
        row.index = p.index;
        row.name = p.name;
        row.value = p.fileValue;
        row.mode = WriteValue;
        rows << row;
    }
    WriteSafety safety;
    safety.backup = SettingKeys::backupEnabled.read();
    safety.backupRows = current;
    safety.backupDir = defaultBackupDir();
    safety.backupKeep = SettingKeys::backupKeep.read();
    safety.verify = true;
    safety.table = m_rowFilter.skipFilter().table();
    m_checkCount = outcome.items;
    m_checkItems = 0;
    m_busy = BusyWriteAll;
    m_rowNumber = 0;
    m_rowCount = rows.size();
    m_rowName = rows.isEmpty() ? QString() : rows.first().name;
    showStatus(tr("正在写入配置......"));
    updateProgress();
    m_exchange.startWrite(m_exchangeLink, rows, true, safety);
}

void MainWindow::startWrite(const QList<WriteRowCopy> &rows, Busy kind)
{
    if (!beginExchange(kind))
        return;
    m_rowNumber = 0;
    m_rowCount = rows.size();
    m_rowName = rows.isEmpty() ? QString() : rows.first().name;
    updateProgress();
    m_exchange.startWrite(m_exchangeLink, rows, kind == BusyWriteAll);
}

void MainWindow::onItemsReceived(int items, bool check)
{
    if (m_closing || (m_busy != BusyPreviewRead && m_busy != BusyWriteAll))
        return;
    if (check) {
        m_checking = true;
        m_checkItems = items;
    } else {
        m_rowNumber = items;
    }
    updateProgress();
}

void MainWindow::showBatchResultBox(bool ok, const QString &text, const QString &backupPath)
{
    QMessageBox box(ok ? QMessageBox::Information : QMessageBox::Critical, tr("写入配置"), text, QMessageBox::NoButton,
                    this);
    box.setWindowIcon(windowIcon());
    box.setDefaultButton(box.addButton(tr("确定"), QMessageBox::AcceptRole));
    QPushButton *open = nullptr;
    if (!backupPath.isEmpty()) {
        box.setInformativeText(backupWrittenMessage(backupPath));
        open = box.addButton(tr("打开备份文件夹"), QMessageBox::ActionRole);
    }
    if (!ok)
        showStatus(text, 5000);
    box.exec();
    if (open && box.clickedButton() == open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(backupPath).absolutePath()));
}

void MainWindow::onRowStarted(int number, int count, const WriteRowCopy &row)
{
    if (m_closing)
        return;
    m_rowNumber = number;
    m_rowCount = count;
    m_rowName = row.name;
    if (QTreeWidgetItem *item = rowAt(row); item && m_busy == BusyWriteAll)
        m_tree->setCurrentItem(item);
    updateProgress();
}

void MainWindow::onRowWritten(const WriteRowCopy &row, const ItemWriteOutcome &outcome)
{
    if (m_closing)
        return;
    QTreeWidgetItem *item = rowAt(row);
    if (!outcome.answered())
        return; // the boxes follow with the run's outcome
    if (item && outcome.hasReportedValue)
        ConfigTree::setRowValue(item, QStringLiteral(": ") + outcome.reportedValue);
    showStatus(itemWriteMessage(outcome), 5000);
}

void MainWindow::onWriteFinished(const WriteRunOutcome &run)
{
    m_exchange.wait();
    m_stopButton->hide();
    if (m_closing) {
        endExchange();
        return;
    }
    if (!run.backupError.isEmpty()) {
        showStatus(run.backupError, 5000);
        showMessageBox(tr("写入配置"), run.backupError, windowIcon());
    } else if (!run.opened) {
        showStatus(itemWriteOpenFailedMessage(), 5000);
        showMessageBox(tr("写入配置"), itemWriteOpenFailedMessage(), windowIcon());
        showFailureStatus(itemWriteOpenFailedMessage());
    } else if (run.failed()) {
        showMessageBox(tr("提交"), itemWriteMessage(run.outcomes.last()), windowIcon());
        const QString stopped = itemWriteFollowUpMessage(run.outcomes.last(), run.rows.last().value);
        showMessageBox(tr("写入配置"), stopped, windowIcon());
        showFailureStatus(stopped);
    } else if (m_busy == BusyWriteAll && (run.stopped || run.checkStopped)) {
        const QString text = run.stopped ? ExchangeThread::stoppedText(run.answered(), run.count)
                                         : ExchangeThread::checkStoppedText(run.answered());
        showStatus(text, 5000);
        showBatchResultBox(true, text, run.backupPath);
    } else if (m_busy == BusyWriteAll) {
        int refused = 0;
        for (const ItemWriteOutcome &o : run.outcomes)
            refused += o.status == ItemWriteOutcome::Refused ? 1 : 0;
        // Rows the instrument kept at its own value were not written; saying
        // "success" would hide that the copy is incomplete.
        showStatus(itemBatchWrittenMessage(refused), 5000);
        // Rows the preview left out (protected ones) or the instrument
        // kept would otherwise go on showing values it does not hold.
        if (run.verified && m_pendingFromTree) {
            m_tree->clear();
            for (const ItemRow &row : run.checkedRows)
                m_tree->appendRow(row);
            m_treeFromInstrument = true;
        }
        if (run.verified && verifyFailures(run.verifyRows) == 0) {
            const QString text = verifyMessage(run.verifyRows);
            showStatus(text, 5000);
            showBatchResultBox(true, text, run.backupPath);
        } else if (run.verified) {
            showBatchResultBox(false, verifyMessage(run.verifyRows), run.backupPath);
        } else if (!run.verifyError.isEmpty()) {
            showBatchResultBox(false, verifyReadFailedMessage(run.verifyError), run.backupPath);
        }
        // The box's text is several lines; the status line keeps the count.
        if (run.verified || !run.verifyError.isEmpty())
            showStatus(itemBatchWrittenMessage(refused), 5000);
        const bool fromFile = !m_pendingFromTree;
        endExchange();
        // A restored file was not in the tree: show what the instrument holds now.
        if (fromFile && !m_closing)
            slotRefresh();
        return;
    }
    endExchange();
}

void MainWindow::slotExportItems()
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return;
    }
    QString fileName = askFileName(true, tr("导出配置"));
    if (fileName.isEmpty())
        return;
    // The import dialog lists *.csv: a name typed without a suffix would
    // save a file it never shows.
    fileName = withDefaultSuffix(fileName, QStringLiteral("csv"));
    showStatus(tr("正在导出配置......"));
    // A failed write keeps any earlier export and names the cause.
    SafeFileWriter writer(fileName);
    QString error;
    const bool opened = writer.open();
    if (!opened && writer.openFailed())
        error = itemFileOpenFailedMessage(fileName) + QStringLiteral(" (%1)").arg(writer.errorCause());
    else if (!opened || !writer.write(buildItemFile(m_tree->rows())) || !writer.commit())
        error = itemExportFailedMessage(writer.errorText());
    if (!error.isEmpty()) {
        showStatus(QString());
        showMessageBox(tr("导出配置"), error, windowIcon());
        return;
    }
    showStatus(itemExportedMessage(), 5000);
}

void MainWindow::slotImportItems()
{
    if (isExchangeRunning()) {
        showStatus(ExchangeThread::busyText(), 5000);
        return;
    }
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
        showMessageBox(tr("导入配置"), read.detail, windowIcon());
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
    m_treeFromInstrument = false;
    updateConnectionLabel();
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
    if (!beginExchange(BusyClock))
        return;
    updateProgress();
    m_exchange.startClockSync(m_exchangeLink);
}

void MainWindow::onClockSynced(const ClockSyncOutcome &outcome)
{
    m_exchange.wait();
    if (!m_closing) {
        if (outcome.status == ClockSyncOutcome::Synced) {
            QMessageBox::information(this, tr("同步时间"), clockSyncMessage(outcome), QMessageBox::Ok);
        } else {
            showMessageBox(tr("同步时间"), clockSyncMessage(outcome), windowIcon());
            showFailureStatus(clockSyncMessage(outcome));
        }
    }
    endExchange();
}

void MainWindow::slotWriteSN()
{
    // The number is asked for only once the link is known to open.
    if (!beginExchange(BusySerialNumber))
        return;
    updateProgress();
    m_exchange.startSerialProbe(m_exchangeLink);
}

void MainWindow::onSerialProbed(bool opened, const QString &openError)
{
    Q_UNUSED(openError)
    m_exchange.wait();
    if (m_closing) {
        endExchange();
        return;
    }
    if (!opened) {
        const QString text = serialNumberOpenFailedMessage();
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        showFailureStatus(text);
        endExchange();
        return;
    }
    DDialogInputSN dialog(this);
    if (dialog.exec() != QDialog::Accepted || m_closing) {
        endExchange();
        return;
    }
    m_exchange.startSerialNumber(m_exchangeLink, dialog.serialNumber());
}

void MainWindow::onSerialNumberWritten(const SerialNumberOutcome &outcome)
{
    m_exchange.wait();
    if (m_closing) {
        endExchange();
        return;
    }
    const QString text = serialNumberMessage(outcome);
    switch (outcome.status) {
    case SerialNumberOutcome::StreamFailed:
        showStatus(text, 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        showFailureStatus(text);
        break;
    case SerialNumberOutcome::BadAnswer:
        // The status line keeps it short; the box shows the answer.
        showStatus(tr("写入SN失败"), 5000);
        showMessageBox(tr("写入SN"), text, windowIcon());
        showFailureStatus(text);
        break;
    case SerialNumberOutcome::Written:
        showStatus(text, 5000);
        showInfoBox(text, this);
        break;
    }
    endExchange();
}
