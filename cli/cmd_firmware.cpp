#include "cli/cliruntime.h"
#include "cli/commands.h"
#include "cli/jsonout.h"

#include "firmware/devicetypemgr.h"
#include "firmware/downloadthread.h"
#include "firmware/flash.h"
#include "firmware/package.h"
#include "items/safewrite.h"
#include "link/devicelink.h"
#include "settings/settingkeys.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <mutex>

namespace {

// Short waits for the test suites: "exchange,erase,pause" in milliseconds.
void applyFlashTimeouts(FlashTimeouts &timeouts)
{
    const QStringList parts = qEnvironmentVariable("ZRVU_CLI_FLASH_TIMEOUTS").split(QLatin1Char(','));
    if (parts.size() != 3)
        return;
    bool a = false, b = false, c = false;
    const int exchange = parts.at(0).toInt(&a);
    const int erase = parts.at(1).toInt(&b);
    const int pause = parts.at(2).toInt(&c);
    if (a && b && c && exchange > 0 && erase > 0 && pause >= 0)
        timeouts = {exchange, erase, pause};
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
        return failWith(Failure::BadPackage, error);
    CliJson::set(QStringLiteral("device"), info.device());
    CliJson::set(QStringLiteral("model"), info.model());
    CliJson::set(QStringLiteral("version"), info.version());
    CliJson::set(QStringLiteral("image_bytes"), info.image().size());
    writeOut(QStringLiteral("device: %1\nmodel: %2\nversion: %3\nimage: %4 bytes\n")
                 .arg(info.device(), info.model(), info.version())
                 .arg(info.image().size()));
    // Scripts gate flashing on this command: a package that could not be
    // flashed must not pass.
    if (info.model().isEmpty())
        return failWith(Failure::BadPackage, ZrvuCli::tr("固件文件中没有设备型号"));
    if (info.image().isEmpty()) {
        FlashOutcome refused;
        refused.status = FlashOutcome::NoImage;
        refused.failure = Failure::BadPackage;
        return failWith(flashError(refused), flashMessage(refused));
    }
    return ExitOk;
}

int runFlash(const CliOptions &options)
{
    const QString path = options.arguments.at(0);
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists() || !file.isFile())
        return failWith(Failure::FileOpenFailed, flashFileMissingMessage());
    DEncryptInfo info(path);
    const QString error = readPackage(info);
    if (!error.isEmpty())
        return failWith(Failure::BadPackage, error);
    CliJson::set(QStringLiteral("model"), info.model());
    CliJson::set(QStringLiteral("version"), info.version());
    CliJson::set(QStringLiteral("pages"), 0);
    CliJson::set(QStringLiteral("backup"), QJsonValue::Null);

    // What the instrument holds now is kept before the flash may change it.
    if (!options.noBackup && SettingKeys::backupEnabled.read()) {
        QString backup;
        const int status = backupInstrumentItems(QString(), &backup);
        if (status != ExitOk)
            return status == ExitInterrupted ? status : failWith(Failure::BackupFailed, ZrvuCli::tr("未更新固件;不备份也要更新请加 --no-backup"));
        writeErr(backupWrittenMessage(backup) + QLatin1Char('\n'));
        CliJson::set(QStringLiteral("backup"), QDir::toNativeSeparators(backup));
    }

    ProgressDisplay progress(ZrvuCli::tr("更新固件"));
    // The progress line is drawn by the flash and cleared by a Ctrl-C.
    std::mutex progressLock;
    FlashHooks hooks;
    applyFlashTimeouts(hooks.timeouts);
    hooks.progress = [&](int value) {
        std::lock_guard<std::mutex> lock(progressLock);
        progress.update(value);
    };
    FlashOutcome outcome;
    runOperation(
        [&](OperationRun &) {
            DeviceLink link;
            outcome = flashPackage(link, info, hooks);
            // Progress is reported as a page starts; the end is the last step.
            if (outcome.status == FlashOutcome::Complete)
                hooks.progress(100);
            return ExitOk;
        },
        [&](int count, OperationRun &) {
            std::lock_guard<std::mutex> lock(progressLock);
            progress.finish();
            if (count >= 2) {
                writeErr(ZrvuCli::tr("固件更新被中断,设备可能需要重新更新固件。") + QLatin1Char('\n'));
                exitNow(ExitInterrupted);
            }
            // Stopping between pages would leave the instrument without firmware.
            writeErr(flashBusyMessage() + QLatin1Char('\n') + ZrvuCli::tr("再按一次 Ctrl-C 强制结束。")
                     + QLatin1Char('\n'));
        });
    progress.finish();

    CliJson::set(QStringLiteral("pages"), outcome.pagesDone);
    if (outcome.status != FlashOutcome::Complete)
        return failWith(flashError(outcome), flashMessage(outcome));
    writeOut(flashSucceededMessage() + QLatin1Char('\n'));
    return ExitOk;
}

int runCatalogue(const CliOptions &options)
{
    const QString url = options.url.isEmpty() ? DeviceTypeMgr::configuredCatalogueUrl() : options.url;
    CatalogueOutcome outcome;
    OperationRun run;
    runOperation(
        [&](OperationRun &r) {
            CatalogueHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            outcome = fetchCatalogue(url, hooks);
            return ExitOk;
        },
        stopOnInterrupt, -1, &run);
    if (run.interrupts > 0 || outcome.failure == Failure::Interrupted)
        return ExitInterrupted;
    if (outcome.status != CatalogueOutcome::Listed)
        return failWith(Failure::CatalogueFailed, catalogueMessage(outcome));
    // The order of the assistant's list.
    QString out;
    for (auto it = outcome.entries.cbegin(); it != outcome.entries.cend(); ++it) {
        out += it.key() + QLatin1Char('\t') + it.value() + QLatin1Char('\n');
        if (CliJson::enabled())
            CliJson::record(QStringLiteral("package"),
                            {{QStringLiteral("name"), it.key()}, {QStringLiteral("link"), it.value()}});
    }
    CliJson::set(QStringLiteral("count"), outcome.entries.size());
    writeOut(out);
    return ExitOk;
}

int runDownload(const CliOptions &options)
{
    const QString link = options.arguments.at(0);
    const QString folder = options.arguments.at(1);
    if (link.isEmpty())
        return failWith(Failure::BadValue, downloadNoTypeMessage());
    if (folder.isEmpty())
        return failWith(Failure::BadValue, downloadNoFolderMessage());

    ProgressDisplay progress(ZrvuCli::tr("下载文件"));
    DownloadOutcome outcome;
    OperationRun run;
    // A stopped download keeps an older file of that name and leaves no
    // partial one.
    runOperation(
        [&](OperationRun &r) {
            DownloadHooks hooks;
            hooks.stopRequested = [&r] { return r.stop.load(); };
            hooks.progress = [&](int value) { progress.update(value); };
            outcome = downloadPackage(link, folder, hooks);
            return ExitOk;
        },
        stopOnInterrupt, -1, &run);
    progress.finish();
    if (outcome.status == DownloadOutcome::Complete) {
        writeOut(downloadSucceededMessage() + QLatin1Char('\n'));
        CliJson::set(QStringLiteral("file"), QDir::toNativeSeparators(outcome.path));
        return ExitOk;
    }
    if (run.interrupts > 0 || outcome.failure == Failure::Interrupted)
        return ExitInterrupted;
    return failWith(Failure::DownloadFailed, downloadMessage(outcome));
}
