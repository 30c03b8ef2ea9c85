#include "cli/cliruntime.h"
#include "cli/commands.h"

#include "firmware/devicetypemgr.h"
#include "firmware/downloadthread.h"
#include "firmware/package.h"
#include "firmware/updatethread.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QStringList>

namespace {

// Short waits for the test suites: "exchange,erase,pause" in milliseconds.
void applyFlashTimeouts(UpdateThread &thread)
{
    const QStringList parts = qEnvironmentVariable("ZRVU_CLI_FLASH_TIMEOUTS").split(QLatin1Char(','));
    if (parts.size() != 3)
        return;
    bool a = false, b = false, c = false;
    const int exchange = parts.at(0).toInt(&a);
    const int erase = parts.at(1).toInt(&b);
    const int pause = parts.at(2).toInt(&c);
    if (a && b && c && exchange > 0 && erase > 0 && pause >= 0)
        thread.setTimeouts(exchange, erase, pause);
}

QString readPackage(DEncryptInfo &info)
{
    DDbServer db(packageConnectionName());
    return db.readInfo(info);
}

} // namespace

int runPackageInfo(const CliOptions &options)
{
    DEncryptInfo info(options.arguments.at(0));
    const QString error = readPackage(info);
    if (!error.isEmpty())
        return failWith(error);
    writeOut(QStringLiteral("device: %1\nmodel: %2\nversion: %3\nimage: %4 bytes\n")
                 .arg(info.device(), info.model(), info.version())
                 .arg(info.image().size()));
    // Scripts gate flashing on this command: a package that could not be
    // flashed must not pass.
    if (info.model().isEmpty())
        return failWith(cliText("ZrvuCli", "固件文件中没有设备型号"));
    if (info.image().isEmpty())
        return failWith(cliText("UpdateThread", "固件更新失败,文件中没有固件数据!"));
    return ExitOk;
}

int runFlash(const CliOptions &options)
{
    const QString path = options.arguments.at(0);
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || !file.isFile())
        return failWith(cliText("UpdateDialog", "更新失败,文件不存在或拒绝访问!"));
    DEncryptInfo info(path);
    const QString error = readPackage(info);
    if (!error.isEmpty())
        return failWith(error);

    UpdateThread thread;
    applyFlashTimeouts(thread);
    thread.setPackage(info);

    ProgressDisplay progress(cliText("ZrvuCli", "更新固件"));
    bool succeeded = false;
    QStringList errors;
    QEventLoop loop;
    InterruptWatcher interrupts;
    QObject::connect(&thread, &UpdateThread::signalUpdateProgress, &loop, [&](int value) { progress.update(value); });
    QObject::connect(&thread, &UpdateThread::signalUpdateSucceed, &loop, [&] {
        // The thread reports a page as it starts it; the end is the last step.
        progress.update(100);
        succeeded = true;
    });
    QObject::connect(&thread, &UpdateThread::signalShowErrorMessage, &loop,
                     [&](const QString &text) { errors << text; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&](int count) {
        progress.finish();
        if (count >= 2) {
            writeErr(cliText("ZrvuCli", "固件更新被中断,设备可能需要重新更新固件。") + QLatin1Char('\n'));
            exitNow(ExitInterrupted);
        }
        // Stopping between pages would leave the instrument without firmware.
        writeErr(cliText("UpdateDialog", "正在更新固件,请等待更新完成!") + QLatin1Char('\n')
                 + cliText("ZrvuCli", "再按一次 Ctrl-C 强制结束。") + QLatin1Char('\n'));
    });
    thread.start();
    loop.exec();
    thread.wait();
    progress.finish();

    if (!errors.isEmpty()) {
        for (const QString &text : qAsConst(errors))
            failWith(text);
        return ExitFailed;
    }
    if (!succeeded)
        return failWith(cliText("ZrvuCli", "固件更新失败"));
    writeOut(cliText("UpdateDialog", "固件更新成功!") + QLatin1Char('\n'));
    return ExitOk;
}

int runCatalogue(const CliOptions &options)
{
    DeviceTypeMgr mgr;
    mgr.setCatalogueUrl(options.url);
    QStringList errors;
    bool listed = false;
    QEventLoop loop;
    InterruptWatcher interrupts;
    QObject::connect(&mgr, &DeviceTypeMgr::signalShowErrorMessage, &loop,
                     [&](const QString &text) { errors << text; });
    QObject::connect(&mgr, &DeviceTypeMgr::signalFinished, &loop, [&] { listed = true; });
    QObject::connect(&mgr, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&] { mgr.stopFetch(); });
    mgr.start();
    loop.exec();
    mgr.wait();
    if (interrupts.count() > 0)
        return ExitInterrupted;
    if (!errors.isEmpty()) {
        for (const QString &text : qAsConst(errors))
            failWith(text);
        return ExitFailed;
    }
    if (!listed)
        return failWith(cliText("DeviceTypeMgr", "获取设备列表失败,请重试!"));
    // The order of the assistant's list.
    const QMap<QString, QString> list = mgr.typeList();
    QString out;
    for (auto it = list.begin(); it != list.end(); ++it)
        out += it.key() + QLatin1Char('\t') + it.value() + QLatin1Char('\n');
    writeOut(out);
    return ExitOk;
}

int runDownload(const CliOptions &options)
{
    const QString link = options.arguments.at(0);
    const QString folder = options.arguments.at(1);
    if (link.isEmpty())
        return failWith(cliText("UpdateDialog", "请选择设备类型!"));
    if (folder.isEmpty())
        return failWith(cliText("UpdateDialog", "请选择下载路径!"));

    DownloadThread thread;
    ProgressDisplay progress(cliText("ZrvuCli", "下载文件"));
    bool succeeded = false;
    QStringList errors;
    QEventLoop loop;
    InterruptWatcher interrupts;
    QObject::connect(&thread, &DownloadThread::signalSetDownloadProgress, &loop,
                     [&](int value) { progress.update(value); });
    QObject::connect(&thread, &DownloadThread::signalDownloadSucceed, &loop, [&] { succeeded = true; });
    QObject::connect(&thread, &DownloadThread::signalShowErrorMessage, &loop,
                     [&](const QString &text) { errors << text; });
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    // The thread keeps an older file of that name and leaves no partial one.
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &loop, [&] { thread.stopDownload(); });
    thread.startDownload(link, folder);
    loop.exec();
    thread.wait();
    progress.finish();
    if (interrupts.count() > 0 && !succeeded)
        return ExitInterrupted;
    if (!errors.isEmpty()) {
        for (const QString &text : qAsConst(errors))
            failWith(text);
        return ExitFailed;
    }
    if (!succeeded)
        return failWith(cliText("DownloadThread", "下载异常: 未找到该文件或下载失败"));
    writeOut(cliText("UpdateDialog", "文件下载成功!") + QLatin1Char('\n'));
    return ExitOk;
}
