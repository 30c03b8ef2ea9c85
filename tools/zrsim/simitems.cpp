#include "tools/zrsim/simitems.h"

#include "link/framecodec.h"
#include "tools/zrsim/simdevice.h"

#include <QFile>
#include <QRegularExpression>

namespace {

constexpr int kMaxItems = 255; // item 255 is the debug switch
constexpr int kMaxTextBytes = 255;

class SimItems : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("items"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("items"),
                          QStringLiteral("Read the item list from FILE (UTF-8, one item per line: \"name:value\", or "
                                         "\"name\" for a command item; a leading \"!\" makes it read-only; empty "
                                         "lines and lines starting with \"#\" are skipped)."),
                          QStringLiteral("FILE")});
        parser.addOption({QStringLiteral("items-latin1"),
                          QStringLiteral("Send the item texts in Latin-1, as an instrument with a single-byte "
                                         "code page does (characters outside it become \"?\").")});
        parser.addOption({QStringLiteral("flashed-version"),
                          QStringLiteral("After a whole image was flashed, the item named 软件版本 reads TEXT, as "
                                         "the new firmware reports its version."),
                          QStringLiteral("TEXT")});
        parser.addOption({QStringLiteral("loader-only"),
                          QStringLiteral("Leave item reads and writes unanswered, as an instrument that runs only "
                                         "its loader does (it still answers the flash frames).")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        m_latin1 = parser.isSet(QStringLiteral("items-latin1"));
        m_loaderOnly = parser.isSet(QStringLiteral("loader-only"));
        m_flashedVersion = parser.value(QStringLiteral("flashed-version"));
        QStringList lines = defaultSimItemLines();
        if (parser.isSet(QStringLiteral("items"))) {
            QFile f(parser.value(QStringLiteral("items")));
            if (!f.open(QIODevice::ReadOnly)) {
                *error = QStringLiteral("--items: cannot read %1").arg(f.fileName());
                return false;
            }
            QString text = QString::fromUtf8(f.readAll());
            if (text.startsWith(QChar(0xFEFF)))
                text.remove(0, 1);
            lines = text.split(QLatin1Char('\n'));
        }
        m_items.clear();
        for (const QString &line : qAsConst(lines)) {
            SimItem item;
            if (!parseSimItemLine(line, &item))
                continue;
            if (encode(item.text()).size() > kMaxTextBytes) {
                *error = QStringLiteral("--items: item text longer than %1 bytes: %2").arg(kMaxTextBytes).arg(line);
                return false;
            }
            if (m_items.size() >= kMaxItems) {
                *error = QStringLiteral("--items: more than %1 items").arg(kMaxItems);
                return false;
            }
            m_items.append(item);
        }
        return true;
    }

    bool handle(SimDevice &device, const QByteArray &r, QList<SimChunk> &reply) override
    {
        if (r.size() < 8 || static_cast<quint8>(r[2]) != 0x4B)
            return false;
        const quint8 function = static_cast<quint8>(r[1]);
        const int index = static_cast<quint8>(r[3]);
        if (m_loaderOnly && (function == 0x03 || function == 0x0F))
            return true;
        if (function == 0x03 && r.size() == 8) {
            const QByteArray text = index < m_items.size() ? encode(m_items[index].text()) : QByteArray();
            reply.append({SimDevice::countedReply(device.address(), 0x03, text), 0});
            return true;
        }
        if (function != 0x0F || r.size() < 10)
            return false;
        const int n = static_cast<quint8>(r[6]);
        if (n < 1 || r.size() != n + 9)
            return false;
        const QString value = decodeDeviceText(r.constData() + 7, n - 1);
        if (index >= m_items.size()) {
            device.status(QStringLiteral("WRITE %1 <no such item>").arg(index));
            reply.append({SimDevice::countedReply(device.address(), 0x03, QByteArray()), 0});
            return true;
        }
        SimItem &item = m_items[index];
        if (!item.hasValue) {
            device.status(QStringLiteral("COMMAND %1 %2").arg(index).arg(item.name));
        } else if (accepts(item, value)) {
            item.value = value;
            device.status(QStringLiteral("WRITE %1 %2").arg(index).arg(item.text()));
        } else {
            device.status(QStringLiteral("REFUSED %1 %2").arg(index).arg(value));
        }
        reply.append({SimDevice::countedReply(device.address(), 0x03, encode(item.text())), 0});
        return true;
    }

    void announced(SimDevice &device, const QString &event) override
    {
        if (event != QLatin1String("flashed") || m_flashedVersion.isEmpty())
            return;
        for (SimItem &item : m_items) {
            if (item.hasValue && item.name == QStringLiteral("软件版本")) {
                item.value = m_flashedVersion;
                device.status(QStringLiteral("VERSION %1").arg(m_flashedVersion));
            }
        }
    }

private:
    QByteArray encode(const QString &text) const
    {
        if (!m_latin1)
            return encodeDeviceText(text);
        QByteArray out;
        out.reserve(text.size());
        for (const QChar c : text)
            out.append(c.unicode() > 0xFF ? '?' : char(c.unicode()));
        return out;
    }

    bool accepts(const SimItem &item, const QString &value) const
    {
        if (item.readOnly)
            return false;
        SimItem probe = item;
        probe.value = value;
        if (encode(probe.text()).size() > kMaxTextBytes)
            return false;
        // An item that lists its choices takes only one of them.
        static const QRegularExpression choices(QStringLiteral("^(.+)\\((([^/]+/)+[^/]+)\\)$"));
        const QRegularExpressionMatch m = choices.match(item.name);
        if (m.hasMatch())
            return m.captured(2).split(QLatin1Char('/')).contains(value);
        return true;
    }

    QList<SimItem> m_items;
    bool m_latin1 = false;
    bool m_loaderOnly = false;
    QString m_flashedVersion;
};

} // namespace

bool parseSimItemLine(const QString &line, SimItem *item)
{
    QString text = line;
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (text.trimmed().isEmpty() || text.startsWith(QLatin1Char('#')))
        return false;
    *item = SimItem();
    if (text.startsWith(QLatin1Char('!'))) {
        item->readOnly = true;
        text.remove(0, 1);
    }
    const int colon = text.indexOf(QLatin1Char(':'));
    item->hasValue = colon >= 0;
    item->name = item->hasValue ? text.left(colon) : text;
    item->value = item->hasValue ? text.mid(colon + 1) : QString();
    return true;
}

QStringList defaultSimItemLines()
{
    return {
        QStringLiteral("!设备名称:ZR-Demo"),
        QStringLiteral("!设备型号:ZR3100"),
        QStringLiteral("!软件版本:V2.13"),
        QStringLiteral("!出厂编号:ZR20261208001"),
        QStringLiteral("设备地址:1"),
        QStringLiteral("波特率(2400/4800/9600/19200/115200):9600"),
        QStringLiteral("校验方式(无/奇校验/偶校验):无"),
        QStringLiteral("采样间隔(秒):60"),
        QStringLiteral("上限报警值:85.5"),
        QStringLiteral("下限报警值:-10"),
        QStringLiteral("报警使能(关/开):开"),
        QStringLiteral("站点名称:一号泵站"),
        QStringLiteral("Station:North Pump 3"),
        QStringLiteral("Unit(mA/V/Pa):mA"),
        QStringLiteral("Rate(1/5/10/60):10"),
        QStringLiteral("IP:192.168.1.100"),
        QStringLiteral("Note:"),
        QStringLiteral("!Uptime:1234 h"),
        QStringLiteral("恢复出厂设置"),
        QStringLiteral("重启设备"),
        QStringLiteral("Calibrate zero"),
    };
}

SimFeature *createSimItems()
{
    return new SimItems;
}
