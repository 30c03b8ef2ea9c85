#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/itemlist.h"

#include "items/clocksync.h"
#include "items/itemcsv.h"
#include "items/itemwrite.h"
#include "items/refreshthread.h"
#include "items/serialnumber.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "settings/fileio.h"

#include <QEventLoop>

namespace {

QString mainText(const char *sourceText)
{
    return cliText("MainWindow", sourceText);
}

SkipTable workingDirSkipTable()
{
    QString warning;
    const SkipTable table = loadSkipTable(QStringLiteral("SkipItems"), &warning);
    if (!warning.isEmpty())
        writeErr(QStringLiteral("zrvu-cli: %1\n").arg(warning));
    return table;
}

// A refresh as the window runs it; false with the window's message.
bool refreshRows(QList<ItemRow> *rows, QString *error)
{
    ItemRowList list(workingDirSkipTable());
    RefreshThread thread;
    QStringList errors;
    QEventLoop loop;
    QObject::connect(&thread, &RefreshThread::signalClearItems, &loop, [&] { list.clear(); });
    QObject::connect(&thread, &RefreshThread::signalAddItems, &loop,
                     [&](int index, const QStringList &fields) { list.addItem(index, fields); });
    QObject::connect(&thread, &RefreshThread::showErrorMessage, &loop,
                     [&](const QString &, const QString &text, const QString &) { errors << text; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start();
    loop.exec();
    thread.wait();
    *rows = list.rows();
    if (!errors.isEmpty()) {
        *error = errors.join(QLatin1Char('\n'));
        return false;
    }
    return true;
}

QString itemLines(const QList<ItemRow> &rows)
{
    QString out;
    for (const ItemRow &row : rows)
        out += itemCsvLine(row) + QLatin1Char('\n');
    return out;
}

bool parseIndex(const QString &text, int *index)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < 0 || v > 255)
        return false;
    *index = v;
    return true;
}

// The window's message for an exchange that got no sensible answer.
QString writeFailureText(const ItemWriteOutcome &outcome)
{
    switch (outcome.status) {
    case ItemWriteOutcome::LinkFailed:
        return outcome.errorText;
    case ItemWriteOutcome::BadReply:
        return mainText("硬件返回数据校验错误");
    case ItemWriteOutcome::ValueTooLong:
        return mainText("写入的值过长,最多%1字节").arg(kMaxItemValueBytes);
    default:
        return QString();
    }
}

bool openForWrite(DeviceLink &link)
{
    if (link.open())
        return true;
    failWith(mainText("写入错误,连接设备失败")
             + (link.errorText.isEmpty() ? QString() : QLatin1Char('\n') + link.errorText));
    return false;
}

} // namespace

int runItems(const CliOptions &)
{
    QList<ItemRow> rows;
    QString error;
    const bool ok = refreshRows(&rows, &error);
    // What was read is shown, as the tree keeps it; the status says whether
    // it is the whole list.
    writeOut(itemLines(rows));
    return ok ? ExitOk : failWith(error);
}

int runExport(const CliOptions &options)
{
    const QString fileName = options.arguments.at(0);
    QList<ItemRow> rows;
    QString error;
    // A partial list must not pass for a configuration copy.
    if (!refreshRows(&rows, &error))
        return failWith(error);
    // The name is kept exactly as given (scripts rely on it); a failed write
    // keeps any older file and names the cause.
    const QString failure = writeWholeFile(fileName, buildItemFile(rows));
    if (!failure.isEmpty())
        return failWith(mainText("导出配置失败: %1").arg(failure));
    writeErr(mainText("导出配置成功") + QLatin1Char('\n'));
    return ExitOk;
}

int runWrite(const CliOptions &options)
{
    const QString fileName = options.arguments.at(0);
    const FileReadResult read = readRegularFile(fileName, kMaxItemFileBytes);
    if (read.status == FileReadResult::NotFound || read.status == FileReadResult::ReadFailed)
        return failWith(mainText("打开文件失败: %1").arg(fileName));
    if (!read.ok())
        return failWith(read.errorText);
    int badLine = 0;
    const QStringList lines = itemFileLines(read.bytes, &badLine);
    if (badLine > 0)
        return failWith(mainText("文件编码错误: 第%1行不是UTF-8或GBK文本").arg(badLine));
    ItemRowList list(workingDirSkipTable());
    for (const QString &line : lines) {
        int index = 0;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields))
            return failWith(mainText("文件解析错误"));
        list.addItem(index, fields);
    }

    DeviceLink link;
    if (!openForWrite(link))
        return ExitFailed;
    int refused = 0;
    for (const ItemRow &row : list.rows()) {
        if (row.column1.isEmpty())
            continue;
        const QString value = row.column1.mid(1).trimmed();
        const ItemWriteOutcome outcome = writeItemExchange(link, row.index, value, WriteValue);
        if (!outcome.answered()) {
            // The window stops the batch here too.
            failWith(writeFailureText(outcome));
            return failWith(mainText("写入配置失败: %1").arg(value));
        }
        const bool written = outcome.status == ItemWriteOutcome::Written;
        if (!written)
            ++refused;
        writeOut(QStringLiteral("%1\t%2\t%3\n")
                     .arg(row.index)
                     .arg(written ? QStringLiteral("ok") : QStringLiteral("refused"),
                          visibleItemText(outcome.reportedValue)));
    }
    link.close();
    if (refused > 0) {
        writeErr(mainText("写入配置完成,%1项不支持修改").arg(refused) + QLatin1Char('\n'));
        return ExitRefused;
    }
    writeErr(mainText("写入配置成功") + QLatin1Char('\n'));
    return ExitOk;
}

namespace {

// One item read as the refresh reads it, with the refresh's messages.
// (A candidate for the item core next to RefreshThread::checkReply.)
bool readItemFields(DeviceLink &link, int index, QStringList *fields, QString *error)
{
    QByteArray reply;
    int result = link.transact(buildItemReadRequest(link.deviceAddress, quint8(index)), reply, false,
                               RefreshThread::kFirstTimeoutMs);
    if (result != LinkOk)
        result = link.transact(buildItemReadRequest(link.deviceAddress, quint8(index)), reply, false,
                               RefreshThread::kRetryTimeoutMs);
    *error = linkErrorText(result, reply);
    if (!error->isEmpty())
        return false;
    if (reply.size() < 5 || quint8(reply.at(0)) != link.deviceAddress || quint8(reply.at(1)) != 0x03) {
        *error = cliText("RefreshThread", "地址或命令校验错误: \n%1").arg(hexDump(reply));
        return false;
    }
    const int n = quint8(reply.at(2));
    if (reply.size() != n + 5) {
        *error = cliText("RefreshThread", "数据长度校验错误 : \n%1").arg(hexDump(reply));
        return false;
    }
    *fields = n == 0 ? QStringList() : splitItemText(decodeDeviceText(reply.constData() + 3, n));
    return true;
}

int writeOne(int index, const QString &value, int mode)
{
    DeviceLink link;
    if (!openForWrite(link))
        return ExitFailed;
    // The window only ever sends a value to a valued row and an empty text
    // to a command row; an index typed on a command line may be either, and
    // a value sent to a command item could start the command.
    QStringList fields;
    QString error;
    if (!readItemFields(link, index, &fields, &error))
        return failWith(error);
    if (fields.isEmpty())
        return refuseWith(cliText("ZrvuCli", "设备没有第%1项").arg(index));
    if (mode == WriteValue && fields.size() < 2)
        return refuseWith(cliText("ZrvuCli", "第%1项是命令项,请用 trigger").arg(index));
    if (mode == WriteCommand && fields.size() > 1)
        return refuseWith(cliText("ZrvuCli", "第%1项带有值,请用 set").arg(index));
    const ItemWriteOutcome outcome = writeItemExchange(link, index, value, mode);
    link.close();
    if (!outcome.answered()) {
        failWith(writeFailureText(outcome));
        return failWith(mainText("写入配置失败: %1").arg(value));
    }
    QString reported = outcome.reportedValue;
    if (mode == WriteCommand) {
        // A command's answer is its own name; that is what the row keeps.
        const QByteArray &b = outcome.reply;
        reported = splitItemText(decodeDeviceText(b.constData() + 3, quint8(b.at(2)))).value(0).trimmed();
    }
    writeOut(visibleItemText(reported) + QLatin1Char('\n'));
    if (outcome.status == ItemWriteOutcome::Refused) {
        writeErr(mainText("写入配置失败,该项不支持修改") + QLatin1Char('\n'));
        return ExitRefused;
    }
    writeErr(mainText("写入配置成功") + QLatin1Char('\n'));
    return ExitOk;
}

} // namespace

int runSet(const CliOptions &options)
{
    int index = 0;
    if (!parseIndex(options.arguments.at(0), &index))
        return usageError(QStringLiteral("INDEX must be 0 to 255"));
    return writeOne(index, options.arguments.at(1).trimmed(), WriteValue);
}

int runTrigger(const CliOptions &options)
{
    int index = 0;
    if (!parseIndex(options.arguments.at(0), &index))
        return usageError(QStringLiteral("INDEX must be 0 to 255"));
    return writeOne(index, QString(), WriteCommand);
}

int runSyncTime(const CliOptions &)
{
    DeviceLink link;
    if (!link.open())
        return failWith(link.errorText);
    const ClockSyncOutcome outcome = syncClockExchange(link);
    link.close();
    switch (outcome.status) {
    case ClockSyncOutcome::LinkFailed:
        return failWith(outcome.errorText);
    case ClockSyncOutcome::BadReply:
        return failWith(mainText("同步时间失败"));
    case ClockSyncOutcome::Synced:
        break;
    }
    writeOut(mainText("同步时间成功") + QLatin1Char('\n'));
    return ExitOk;
}

int runWriteSn(const CliOptions &options)
{
    const QString sn = options.arguments.at(0);
    // The dialog accepts nothing else, so nothing else goes out.
    if (!isValidSerialNumber(sn))
        return refuseWith(cliText("DDialogInputSN", "SN输入有误"));
    DeviceLink link;
    if (!link.open())
        return failWith(mainText("写入SN失败,连接设备失败,请检查通讯设置"));
    const SerialNumberOutcome outcome = writeSerialNumberExchange(link, sn);
    link.close();
    switch (outcome.status) {
    case SerialNumberOutcome::StreamFailed:
        return failWith(mainText("写入SN失败, %1").arg(outcome.errorText));
    case SerialNumberOutcome::BadAnswer:
        return failWith(mainText("写入SN失败, 设备返回错误: %1").arg(serialNumberAnswerText(outcome.answer)));
    case SerialNumberOutcome::Written:
        break;
    }
    writeOut(mainText("写入SN成功") + QLatin1Char('\n'));
    return ExitOk;
}
