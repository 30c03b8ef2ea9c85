#include "tools/zrsoak/soakphases.h"

#include "tools/zrsim/simlauncher.h"

#include "firmware/package.h"
#include "firmware/updatethread.h"
#include "items/itemrules.h"
#include "items/itemwrite.h"
#include "items/refreshthread.h"
#include "link/devicelink.h"
#include "link/framecodec.h"
#include "settings/config.h"
#include "settings/settingkeys.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QTextCodec>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

constexpr int kReadTimeoutMs = RefreshThread::kFirstTimeoutMs;
constexpr int kRetryTimeoutMs = RefreshThread::kRetryTimeoutMs;
constexpr int kExchangeTimeoutMs = 5000;
constexpr int kEraseTimeoutMs = 10000;
constexpr int kReopenPauseMs = 1000;
constexpr int kSerialChunkWaitMs = 500;
// Beyond its bound by this much an operation counts as hung, and the phase
// ends instead of waiting for ever.
constexpr qint64 kHangMarginMs = 30000;
const char kModel[] = "ZR-SOAK";

// The instrument of the refresh and write phases: a read-only item, a
// choice, a free text and a command.
struct SoakItem {
    QString name;
    QString value;
    bool hasValue;
    bool readOnly;
};
const QList<SoakItem> &soakItems()
{
    static const QList<SoakItem> items{
        {QStringLiteral("设备名称"), QStringLiteral("ZR-Soak"), true, true},
        {QStringLiteral("波特率(2400/4800/9600)"), QStringLiteral("9600"), true, false},
        {QStringLiteral("站点名称"), QStringLiteral("一号泵站"), true, false},
        {QStringLiteral("重启设备"), QString(), false, false},
    };
    return items;
}

QByteArray itemsFile()
{
    QByteArray out;
    for (const SoakItem &item : soakItems()) {
        const QString line = (item.readOnly ? QStringLiteral("!") : QString()) + item.name
                             + (item.hasValue ? QStringLiteral(":") + item.value : QString());
        out += line.toUtf8() + '\n';
    }
    return out;
}

// Ends the process when one operation outlives every limit: a hang must
// not stall the soak, and it is what the soak is there to catch.
class Watchdog
{
public:
    explicit Watchdog(SoakEmit report)
        : m_emit(std::move(report))
        , m_thread([this] { loop(); })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void arm(const QString &kind, qint64 boundMs, const QString &what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = true;
        m_kind = kind;
        m_what = what;
        m_boundMs = boundMs;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs + kHangMarginMs);
        m_wake.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }

private:
    void loop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            const auto deadline = m_deadline;
            if (m_wake.wait_until(lock, deadline) == std::cv_status::timeout && m_armed && !m_stop
                && std::chrono::steady_clock::now() >= m_deadline) {
                SoakRecord r;
                r.kind = m_kind;
                r.outcome = QStringLiteral("HANG");
                r.verdict = SoakRecord::Unexpected;
                r.ms = m_boundMs + kHangMarginMs;
                r.boundMs = m_boundMs;
                r.detail = QStringLiteral("no outcome %1 ms after its bound: %2").arg(kHangMarginMs).arg(m_what);
                m_emit(r);
                std::_Exit(4);
            }
        }
    }

    SoakEmit m_emit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_armed = false;
    QString m_kind;
    QString m_what;
    qint64 m_boundMs = 0;
    std::chrono::steady_clock::time_point m_deadline;
    std::thread m_thread;
};

void writeConfig(const SoakOptions &o, const SoakSim &sim)
{
    singleton<Config>::destroy();
    QFile::remove(QStringLiteral("config.ini"));
    QSettings s(QStringLiteral("config.ini"), QSettings::IniFormat);
    s.setIniCodec(QTextCodec::codecForName("utf-8"));
    SettingKeys::deviceAddress.write(1, &s);
    SettingKeys::communicateEncrypt.write(o.encrypt, &s);
    if (o.serial) {
        SettingKeys::communicateUdp.write(0, &s);
        SettingKeys::serialPort.write(sim.ptyPath(), &s);
        SettingKeys::serialBaudrate.write(115200, &s);
    } else {
        SettingKeys::communicateUdp.write(1, &s);
        SettingKeys::udpAddress.write(QStringLiteral("127.0.0.1"), &s);
        SettingKeys::udpPort.write(QString::number(sim.udpPort()), &s);
    }
}

bool startSim(const SoakOptions &o, quint64 seedOffset, SoakSim &sim, QString *error)
{
    QFile items(QStringLiteral("items.txt"));
    if (!items.open(QIODevice::WriteOnly | QIODevice::Truncate) || items.write(itemsFile()) < 0) {
        *error = QStringLiteral("cannot write items.txt in %1").arg(QDir::currentPath());
        return false;
    }
    items.close();
    QStringList args;
    if (o.serial)
        args << QStringLiteral("--pty");
    else
        args << QStringLiteral("--udp") << QStringLiteral("127.0.0.1:0");
    args << QStringLiteral("--items") << items.fileName() << QStringLiteral("--model") << QLatin1String(kModel);
    if (o.encrypt)
        args << QStringLiteral("--encrypt");
    args << o.simFaultArguments(seedOffset);
    if (!sim.start(o.simPath, args, error))
        return false;
    writeConfig(o, sim);
    return true;
}

QString itemsText(const QList<QStringList> &items)
{
    QStringList parts;
    for (const QStringList &l : items)
        parts << l.join(QLatin1Char(':'));
    return parts.join(QLatin1String(" | "));
}

QList<QStringList> expectedItems()
{
    QList<QStringList> out;
    for (const SoakItem &item : soakItems())
        out << (item.hasValue ? QStringList{item.name, item.value} : QStringList{item.name});
    return out;
}

// ---- refresh ------------------------------------------------------------

int refreshPhase(const SoakOptions &o, const SoakEmit &report, Watchdog &watchdog, SoakSim &sim)
{
    Q_UNUSED(sim)
    const SoakTexts texts = SoakTexts::refresh();
    const QList<QStringList> expected = expectedItems();
    // Each an answer the instrument gives, if maybe not to this request.
    auto onlyInstrumentTexts = [&expected](const QList<QStringList> &got) {
        return std::all_of(got.begin(), got.end(), [&expected](const QStringList &l) { return expected.contains(l); });
    };
    // One item: the first request and its single retry.
    const qint64 itemBound = o.exchangeBoundMs(kReadTimeoutMs) + o.exchangeBoundMs(kRetryTimeoutMs) + o.toleranceMs;

    RefreshThread refresh; // reused for every round, like the main window's
    QObject context;
    QElapsedTimer clock;
    // Stamped on the worker thread as the signals leave it; read once the
    // thread has finished.
    QList<qint64> stamps;
    QList<QStringList> items;
    QList<int> indexes;
    QStringList errors;
    QStringList titles;
    bool cleared = false;
    auto stamp = [&stamps, &clock] { stamps << clock.elapsed(); };
    QObject::connect(&refresh, &RefreshThread::signalClearItems, stamp);
    QObject::connect(&refresh, &RefreshThread::signalAddItems, stamp);
    QObject::connect(&refresh, &RefreshThread::showErrorMessage, stamp);
    // The window's own path: queued to this thread.
    QObject::connect(&refresh, &RefreshThread::signalClearItems, &context, [&] {
        items.clear();
        indexes.clear();
        cleared = true;
    });
    QObject::connect(&refresh, &RefreshThread::signalAddItems, &context, [&](int index, const QStringList &list) {
        indexes << index;
        items << list;
    });
    QObject::connect(&refresh, &RefreshThread::showErrorMessage, &context,
                     [&](const QString &title, const QString &error, const QString &) {
                         titles << title;
                         errors << error;
                     });

    for (int round = 0; round < o.rounds; ++round) {
        stamps.clear();
        items.clear();
        indexes.clear();
        errors.clear();
        titles.clear();
        cleared = false;
        const qint64 bound = o.toleranceMs + (expected.size() + 1) * itemBound;
        watchdog.arm(QStringLiteral("refresh"), bound, QStringLiteral("refresh %1").arg(round));
        QEventLoop loop;
        QObject::connect(&refresh, &QThread::finished, &loop, &QEventLoop::quit);
        clock.start();
        refresh.start();
        loop.exec();
        refresh.wait();
        const qint64 total = clock.elapsed();
        QCoreApplication::sendPostedEvents();
        watchdog.disarm();

        SoakRecord r;
        r.kind = QStringLiteral("refresh");
        r.ms = total;
        r.boundMs = 2 * o.toleranceMs + stamps.size() * itemBound;
        // The link opens before the first signal; every later wait is one item.
        QList<qint64> marks = stamps;
        marks << total;
        for (int i = 0; i < marks.size(); ++i) {
            const qint64 gap = marks[i] - (i == 0 ? 0 : marks[i - 1]);
            const qint64 limit = i == 0 ? o.toleranceMs : itemBound;
            if (gap > limit) {
                r.longWait = true;
                r.detail += QStringLiteral("wait %1 took %2 ms (bound %3); ").arg(i).arg(gap).arg(limit);
            }
        }
        bool prefixOk = items.size() <= expected.size();
        for (int i = 0; prefixOk && i < items.size(); ++i)
            prefixOk = items[i] == expected[i] && indexes[i] == i;
        if (errors.isEmpty()) {
            r.outcome = QStringLiteral("ok");
            if (!cleared) {
                r.verdict = SoakRecord::Unexpected;
                r.outcome = QStringLiteral("ended without clearing the list or a message");
            } else if (items != expected || !prefixOk) {
                r.verdict = onlyInstrumentTexts(items) ? SoakRecord::Stale : SoakRecord::WrongData;
                r.detail += QStringLiteral("got %1").arg(itemsText(items));
            }
        } else if (errors.size() > 1 || titles.first() != QStringLiteral("刷新")) {
            r.verdict = SoakRecord::Unexpected;
            r.outcome = errors.join(QLatin1String(" + "));
            r.detail += QStringLiteral("titles %1").arg(titles.join(QLatin1Char(',')));
        } else if (texts.contains(errors.first())) {
            r.verdict = prefixOk                      ? SoakRecord::KnownError
                        : onlyInstrumentTexts(items) ? SoakRecord::Stale
                                                     : SoakRecord::WrongData;
            r.outcome = texts.normalised(errors.first());
            r.detail += QStringLiteral("after %1 items: %2").arg(items.size()).arg(errors.first());
            if (!prefixOk)
                r.detail += QStringLiteral("; got %1").arg(itemsText(items));
        } else {
            r.verdict = SoakRecord::Unexpected;
            r.outcome = errors.first();
        }
        report(r);
    }
    return 0;
}

// ---- item writes --------------------------------------------------------

struct WritePlan {
    int index = 0;
    QString value;
    int mode = WriteValue;
    bool expectWritten = true;
};

WritePlan randomWrite(QRandomGenerator &rng)
{
    static const QStringList rates{QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600")};
    WritePlan p;
    p.index = static_cast<int>(rng.bounded(10u));
    // Mostly writable items, now and then one the instrument keeps.
    if (p.index >= 4)
        p.index = p.index < 7 ? 1 : 2;
    switch (p.index) {
    case 0:
        p.value = QStringLiteral("ZR-Other");
        p.expectWritten = false;
        break;
    case 1:
        if (rng.bounded(8u) == 0) {
            p.value = QStringLiteral("19200");
            p.expectWritten = false;
        } else {
            p.value = rates.at(static_cast<int>(rng.bounded(3u)));
        }
        break;
    case 2:
        p.value = rng.bounded(2u) ? QStringLiteral("泵站%1").arg(rng.bounded(1000u))
                                  : QStringLiteral("Pump %1").arg(rng.bounded(1000u));
        break;
    default:
        p.value.clear();
        p.mode = WriteCommand;
        break;
    }
    return p;
}

// `held`: every item text the instrument may hold or have held, so a late
// echo of an earlier write is told from a wrong one.
SoakRecord judgeWrite(const WritePlan &plan, const ItemWriteOutcome &out, const SoakTexts &texts,
                      const QSet<QString> &held)
{
    SoakRecord r;
    r.kind = QStringLiteral("write");
    r.detail = QStringLiteral("item %1 '%2'").arg(plan.index).arg(plan.value);
    switch (out.status) {
    case ItemWriteOutcome::LinkFailed:
        r.outcome = out.detail;
        r.verdict = texts.contains(out.detail) ? SoakRecord::KnownError : SoakRecord::Unexpected;
        return r;
    case ItemWriteOutcome::BadReply:
        r.outcome = QStringLiteral("硬件返回数据校验错误");
        r.verdict = SoakRecord::KnownError;
        r.detail += QStringLiteral(" reply %1").arg(hexDump(out.reply));
        return r;
    case ItemWriteOutcome::ValueTooLong:
        r.outcome = QStringLiteral("value too long");
        r.verdict = SoakRecord::Unexpected;
        return r;
    case ItemWriteOutcome::ValueNotCarried:
        r.outcome = out.detail;
        r.verdict = SoakRecord::Unexpected;
        return r;
    case ItemWriteOutcome::Written:
    case ItemWriteOutcome::Refused:
        break;
    }
    const bool written = out.status == ItemWriteOutcome::Written;
    r.outcome = written ? QStringLiteral("写入配置成功") : QStringLiteral("写入配置失败,该项不支持修改");
    const QString text = decodeDeviceText(out.reply.mid(3, quint8(out.reply.at(2))));
    const QStringList fields = splitItemText(text);
    const QString name = soakItems().at(plan.index).name;
    if (fields.value(0) != name || written != plan.expectWritten
        || (written && plan.mode == WriteValue && out.reportedValue != plan.value)) {
        r.verdict = held.contains(text) ? SoakRecord::Stale : SoakRecord::WrongData;
        r.detail += QStringLiteral(" answered '%1'").arg(text);
    }
    return r;
}

int writePhase(const SoakOptions &o, const SoakEmit &report, Watchdog &watchdog, SoakSim &sim)
{
    const SoakTexts texts = SoakTexts::write();
    const qint64 bound = o.exchangeBoundMs(kExchangeTimeoutMs) + o.toleranceMs;
    QRandomGenerator rng(static_cast<quint32>(o.seed * 2654435761u + 17));
    QSet<QString> held;
    for (const SoakItem &item : soakItems())
        held << (item.hasValue ? item.name + QLatin1Char(':') + item.value : item.name);
    int done = 0;
    while (done < o.rounds) {
        // Single writes (a link each, as after editing a row) and batches
        // (one link, stop at the first failure, as the batch write does).
        const bool batch = rng.bounded(2u) == 0;
        const int rows = std::min(batch ? 2 + static_cast<int>(rng.bounded(5u)) : 1, o.rounds - done);
        QList<WritePlan> plans;
        for (int i = 0; i < rows; ++i) {
            plans << randomWrite(rng);
            const WritePlan &p = plans.last();
            if (p.expectWritten && p.mode == WriteValue)
                held << soakItems().at(p.index).name + QLatin1Char(':') + p.value;
        }

        QElapsedTimer clock;
        clock.start();
        DeviceLink link;
        if (!link.open()) {
            SoakRecord r;
            r.kind = QStringLiteral("write");
            r.outcome = QStringLiteral("写入错误,连接设备失败");
            r.verdict = SoakRecord::KnownError;
            r.ms = clock.elapsed();
            r.boundMs = o.toleranceMs;
            r.detail = link.errorText;
            report(r);
            ++done;
            continue;
        }
        for (const WritePlan &plan : qAsConst(plans)) {
            watchdog.arm(QStringLiteral("write"), bound, QStringLiteral("write %1").arg(done));
            const ItemWriteOutcome out = writeItemExchange(link, plan.index, plan.value, plan.mode);
            SoakRecord r = judgeWrite(plan, out, texts, held);
            r.ms = clock.elapsed();
            r.boundMs = bound;
            watchdog.disarm();
            report(r);
            ++done;
            clock.restart();
            if (!out.answered())
                break;
        }
        link.close();
        // Keeps zrsim's status lines from piling up in our pipe.
        sim.takeLines();
    }
    return 0;
}

// ---- flashing -----------------------------------------------------------

struct FlashTrace {
    struct Event {
        qint64 at;
        int progress; // -1: no progress signal
        bool succeed;
        QString error;
    };
    QList<Event> events;
};

int flashPhase(const SoakOptions &o, const SoakEmit &report, Watchdog &watchdog, SoakSim &sim)
{
    const SoakTexts texts = SoakTexts::flash();
    QByteArray image(o.imageBytes, Qt::Uninitialized);
    QRandomGenerator rng(static_cast<quint32>(o.seed + 99));
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(rng.bounded(256u));
    const QByteArray md5 = QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex();
    const int pageCount = (image.size() + 1023) / 1024;
    QDir().mkpath(QStringLiteral("Files"));
    const QString packagePath = QDir::current().absoluteFilePath(QStringLiteral("Files/soak.zrbin"));
    QString error;
    if (!writePackage(packagePath,
                      packageFields(QStringLiteral("ZR Soak"), QLatin1String(kModel), QStringLiteral("1.0"), image),
                      &error)) {
        std::fprintf(stderr, "zrsoak: cannot write the package: %s\n", qPrintable(error));
        return 1;
    }

    const qint64 exchange = o.exchangeBoundMs(kExchangeTimeoutMs);
    const qint64 pageBound = exchange + o.toleranceMs;
    // Open, identify twice around the pause, erase, and the leave requests
    // that follow a failed identify.
    const qint64 beforePages = o.toleranceMs + 2 * exchange + kReopenPauseMs + o.exchangeBoundMs(kEraseTimeoutMs)
                               + 2 * exchange;
    const qint64 afterPages = 2 * exchange + o.toleranceMs;

    UpdateThread update; // reused for every run, like the update dialog's
    QElapsedTimer clock;
    FlashTrace trace;
    QObject::connect(&update, &UpdateThread::signalUpdateProgress,
                     [&](int value) { trace.events.append({clock.elapsed(), value, false, QString()}); });
    QObject::connect(&update, &UpdateThread::signalUpdateSucceed,
                     [&] { trace.events.append({clock.elapsed(), -1, true, QString()}); });
    QObject::connect(&update, &UpdateThread::signalShowErrorMessage,
                     [&](const QString &text) { trace.events.append({clock.elapsed(), -1, false, text}); });

    int pages = 0;
    for (int run = 0; pages < o.rounds && run < o.rounds; ++run) {
        sim.takeLines();
        // The dialog reads the package again when flashing starts.
        DEncryptInfo info(packagePath);
        {
            DDbServer db(packageConnectionName());
            error = db.readInfo(info);
        }
        if (!error.isEmpty() || info.image() != image) {
            std::fprintf(stderr, "zrsoak: cannot read the package back: %s\n", qPrintable(error));
            return 1;
        }
        update.setPackage(info);
        trace.events.clear();
        const qint64 runBound = beforePages + pageCount * pageBound + afterPages;
        watchdog.arm(QStringLiteral("flash"), runBound, QStringLiteral("flash run %1").arg(run));
        QEventLoop loop;
        QObject::connect(&update, &QThread::finished, &loop, &QEventLoop::quit);
        clock.start();
        update.start();
        loop.exec();
        update.wait();
        const qint64 total = clock.elapsed();
        watchdog.disarm();

        SoakRecord rec;
        rec.kind = QStringLiteral("flash");
        rec.ms = total;
        QList<FlashTrace::Event> progress;
        int ends = 0;
        QString failure;
        bool succeeded = false;
        for (const FlashTrace::Event &e : qAsConst(trace.events)) {
            if (e.progress >= 0)
                progress << e;
            else
                ++ends;
            if (e.succeed)
                succeeded = true;
            if (!e.error.isEmpty())
                failure = e.error;
        }
        const int acked = progress.isEmpty() ? 0 : progress.size() - 1;
        const bool pageFailed = failure == QStringLiteral("固件更新失败,发送文件数据失败!");
        rec.boundMs = beforePages + (acked + (pageFailed ? 1 : 0)) * pageBound + afterPages;

        // Every acknowledged page, then the one that was not.
        for (int k = 0; k < acked; ++k) {
            SoakRecord p;
            p.kind = QStringLiteral("page");
            p.outcome = QStringLiteral("ok");
            p.ms = progress[k + 1].at - progress[k].at;
            p.boundMs = pageBound;
            const int want = static_cast<int>(qint64(k) * 102400 / image.size());
            if (progress[k + 1].progress != want) {
                p.verdict = SoakRecord::WrongData;
                p.detail = QStringLiteral("progress %1, expected %2").arg(progress[k + 1].progress).arg(want);
            }
            p.detail += QStringLiteral("run %1 page %2").arg(run).arg(k);
            report(p);
        }
        if (pageFailed) {
            SoakRecord p;
            p.kind = QStringLiteral("page");
            p.outcome = failure;
            p.verdict = progress.isEmpty() ? SoakRecord::Unexpected : SoakRecord::KnownError;
            p.ms = total - (progress.isEmpty() ? 0 : progress.last().at);
            p.boundMs = pageBound;
            p.detail = QStringLiteral("run %1 page %2").arg(run).arg(acked);
            report(p);
        }
        pages += acked + (pageFailed ? 1 : 0);

        const qint64 firstSignal = trace.events.isEmpty() ? total : trace.events.first().at;
        if (firstSignal > beforePages) {
            rec.longWait = true;
            rec.detail += QStringLiteral("before the pages %1 ms (bound %2); ").arg(firstSignal).arg(beforePages);
        }
        if (succeeded && !progress.isEmpty() && total - progress.last().at > afterPages) {
            rec.longWait = true;
            rec.detail += QStringLiteral("after the pages %1 ms (bound %2); ").arg(total - progress.last().at).arg(afterPages);
        }
        if (ends != 1) {
            rec.verdict = SoakRecord::Unexpected;
            rec.outcome = QStringLiteral("%1 final signals").arg(ends);
        } else if (succeeded) {
            rec.outcome = QStringLiteral("ok");
            // What the instrument received, as it reports at the leave request.
            QString line;
            QElapsedTimer wait;
            wait.start();
            while (line.isEmpty() && wait.elapsed() < 3000) {
                for (const QString &l : sim.takeLines()) {
                    if (l.startsWith(QStringLiteral("ZRSIM FLASH IMAGE ")))
                        line = l;
                }
                if (line.isEmpty())
                    QThread::msleep(20);
            }
            const QString want = QStringLiteral("ZRSIM FLASH IMAGE %1 %2 PAGES %3 MISNUMBERED 0")
                                     .arg(image.size())
                                     .arg(QString::fromLatin1(md5))
                                     .arg(pageCount);
            if (acked != pageCount || line != want) {
                rec.verdict = SoakRecord::WrongData;
                rec.detail += QStringLiteral("%1 pages acknowledged; instrument: %2").arg(acked).arg(line);
            }
        } else {
            rec.outcome = texts.normalised(failure);
            rec.verdict = texts.contains(failure) ? SoakRecord::KnownError : SoakRecord::Unexpected;
            rec.detail += QStringLiteral("after %1 pages").arg(acked);
        }
        report(rec);
    }
    return 0;
}

} // namespace

QStringList SoakOptions::simFaultArguments(quint64 seedOffset) const
{
    return {QStringLiteral("--fault-seed"), QString::number(seed + seedOffset),
            QStringLiteral("--drop-rate"), QString::number(dropRate, 'g', 10),
            QStringLiteral("--crc-rate"), QString::number(crcRate, 'g', 10),
            QStringLiteral("--split-rate"), QString::number(splitRate, 'g', 10),
            QStringLiteral("--delay-rate"), QString::number(delayRate, 'g', 10),
            QStringLiteral("--delay-max"), QString::number(delayMaxMs),
            QStringLiteral("--split-gap-max"), QString::number(splitGapMaxMs)};
}

qint64 SoakOptions::exchangeBoundMs(int timeoutMs) const
{
    // The latest moment a piece of a reply can come is its delay plus the
    // pauses between its pieces.
    const qint64 lastPiece = (delayRate > 0 ? delayMaxMs : 0) + (splitRate > 0 ? 2 * splitGapMaxMs : 0);
    return timeoutMs + std::min<qint64>(timeoutMs, lastPiece) + (serial ? kSerialChunkWaitMs : 0);
}

SoakSim::~SoakSim()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool SoakSim::start(const QString &path, const QStringList &arguments, QString *error)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    SimLauncher::Announcement a;
    const SimLauncher::Outcome outcome = SimLauncher::start(m_process, path, arguments, &a);
    m_udpPort = a.udpPort;
    m_ptyPath = a.ptyPath;
    if (outcome == SimLauncher::Ready)
        return true;
    if (outcome == SimLauncher::NotStarted)
        *error = QStringLiteral("cannot start %1: %2").arg(path, m_process.errorString());
    else
        *error = QStringLiteral("%1 did not get ready").arg(path);
    return false;
}

QStringList SoakSim::takeLines()
{
    QCoreApplication::processEvents();
    m_buffer += m_process.readAllStandardOutput();
    const int end = m_buffer.lastIndexOf('\n');
    if (end < 0)
        return {};
    const QStringList lines = QString::fromUtf8(m_buffer.left(end)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    m_buffer.remove(0, end + 1);
    return lines;
}

int runSoakPhase(const QString &phase, const SoakOptions &options, const SoakEmit &report)
{
    Watchdog watchdog(report);
    SoakSim sim;
    QString error;
    const quint64 seedOffset = phase == QLatin1String("refresh") ? 0 : phase == QLatin1String("write") ? 1 : 2;
    if (!startSim(options, seedOffset, sim, &error)) {
        std::fprintf(stderr, "zrsoak %s: %s\n", qPrintable(phase), qPrintable(error));
        return 1;
    }
    int rc = 2;
    if (phase == QLatin1String("refresh"))
        rc = refreshPhase(options, report, watchdog, sim);
    else if (phase == QLatin1String("write"))
        rc = writePhase(options, report, watchdog, sim);
    else if (phase == QLatin1String("flash"))
        rc = flashPhase(options, report, watchdog, sim);
    if (rc == 0 && !sim.running()) {
        std::fprintf(stderr, "zrsoak %s: zrsim ended during the run\n", qPrintable(phase));
        rc = 1;
    }
    singleton<Config>::destroy();
    return rc;
}
