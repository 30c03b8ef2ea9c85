// Writes the seed corpora: frames as the program and the instruments put
// them on the wire, item files as the export writes them, packages as zrpack
// writes them, catalogue pages, skip tables, serial-number answers and the
// history and monitor text the simulator sends.
// Usage: fuzz_seeds OUTDIR (creates OUTDIR/<target>/).
#include "firmware/package.h"
#include "items/itemcsv.h"
#include "link/framecodec.h"
#include "tests/support/cataloguepage.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray withCrc(QByteArray frame)
{
    appendCrcLowFirst(frame);
    return frame;
}

QByteArray countedReply(quint8 address, quint8 function, const QByteArray &data)
{
    QByteArray frame;
    frame.append(char(address));
    frame.append(char(function));
    frame.append(char(data.size()));
    frame.append(data);
    return withCrc(frame);
}

QByteArray clockWrite(quint8 address)
{
    return withCrc(QByteArray::fromHex("0f4d0800030719" "0c" "1f" "17" "3b" "3b" "04").prepend(char(address)));
}

QList<QByteArray> frames()
{
    const QByteArray gbItem = encodeDeviceText(QStringLiteral("温度单位:摄氏度"));
    QList<QByteArray> out{
        buildItemReadRequest(1, 0),
        buildItemReadRequest(255, 17),
        buildTextWriteRequest(1, 255, QStringLiteral("1")),
        buildTextWriteRequest(1, 3, QStringLiteral("波特率:9600")),
        countedReply(1, 0x03, "AB"),
        countedReply(1, 0x03, "Baudrate:9600|4800|19200"),
        countedReply(1, 0x03, gbItem),
        countedReply(1, 0x03, QByteArray()),
        countedReply(0x7E, 0x03, "x"),
        withCrc(QByteArray::fromHex("01060010 0001")),
        clockWrite(1),
        buildDelimitedFrame("AB"),
        buildDelimitedFrame(QByteArray::fromHex("a1000000000000")),
        buildDelimitedFrame(QByteArray(1024 + 4, '\x5a')),
        QByteArray("{\"sn\":\"ZR2026120800017\"}"),
    };
    return out;
}

bool writeSeed(const QString &dir, int index, const QByteArray &bytes)
{
    QDir().mkpath(dir);
    QFile file(QStringLiteral("%1/seed-%2").arg(dir).arg(index, 3, 10, QLatin1Char('0')));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeSeeds(const QString &dir, int first, const QList<QByteArray> &seeds)
{
    bool ok = true;
    for (int i = 0; i < seeds.size(); ++i)
        ok &= writeSeed(dir, first + i, seeds.at(i));
    return ok;
}

QByteArray flags(char f, const QByteArray &rest)
{
    return QByteArray(1, f) + rest;
}

// Item replies as the refresh receives them: flags (bit 3 asks the target to
// append the CRC), device address, item index, the reply.
QList<QByteArray> replySeeds()
{
    auto reply = [](quint8 address, quint8 function, const QByteArray &text) {
        QByteArray r;
        r.append(char(address));
        r.append(char(function));
        r.append(char(text.size()));
        return r + text;
    };
    const QByteArray item = encodeDeviceText(QStringLiteral("波特率(2400/4800/9600):9600"));
    return {flags('\x08', QByteArray("\x01\x00", 2) + reply(1, 3, item)),
            flags('\x08', QByteArray("\x01\x05", 2) + reply(1, 3, "Reset")),
            flags('\x08', QByteArray("\x01\x06", 2) + reply(1, 3, QByteArray())),
            flags('\x08', QByteArray("\x01\x00", 2) + reply(2, 3, QByteArray())),
            flags('\x08', QByteArray("\x01\x00", 2) + reply(1, 3, "AB").left(4)),
            flags('\x0C', QByteArray("\x01\x00", 2) + reply(1, 3, "Name:ZR-100:")),
            flags('\x00', QByteArray("\x01\x03", 2) + countedReply(1, 3, "Rate:9600")),
            flags('\x04', QByteArray("\x01\x03", 2) + countedReply(1, 3, "Rate:9600").left(6)),
            flags('\x06', QByteArray("\x01\x03", 2)),
            flags('\x01', QByteArray("\x01\x03", 2))};
}

QList<QByteArray> packageSeeds()
{
    const QVariantMap good = packageFields(QStringLiteral("ZR 温湿度记录仪"), QStringLiteral("ZR-100"),
                                           QStringLiteral("V1.02"), QByteArray::fromHex("5aa501020304fffe"));
    QVariantMap extra = packageFields(QStringLiteral("ZR"), QStringLiteral("ZR-200"), QString(), QByteArray(64, 'x'));
    extra.insert(QStringLiteral("notes"), QStringList{QStringLiteral("a"), QStringLiteral("b")});
    extra.insert(QStringLiteral("list"), QVariantList{1, QStringLiteral("x"), QByteArray("y")});
    extra.insert(QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), 2.5}});
    QList<QByteArray> out;
    // Whole files as zrpack writes them.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("seed.zrbin"));
    if (dir.isValid() && writePackage(path, good, nullptr)) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            out << flags('\x00', file.readAll());
    }
    out << flags('\x00', QByteArray("not a package\n"));
    out << flags('\x01', packageInfoText(good)) << flags('\x01', packageInfoText(extra))
        << flags('\x01', QByteArray("AAAA")) << flags('\x01', QByteArray());
    out << flags('\x02', packagePayload(good)) << flags('\x02', packagePayload(extra))
        << flags('\x02', packagePayload(QVariantMap()));
    return out;
}

using CatalogueFixture::entry;
using CatalogueFixture::page;

QList<QByteArray> catalogueSeeds()
{
    return {page(entry("ZR-100 V1.02", "http://127.0.0.1/zr100.zrbin")
                 + entry("ZR-200 V2.00", "files/zr200.zrbin")),
            page("<p><div>only name</div></p><span/>"),
            page(QByteArray()),
            QByteArray("<html><body><div><div><br></div></body>"),
            QByteArray("<page><body><div><div/><div/></div></body></page>"),
            QByteArray("<!DOCTYPE html [<!ENTITY e \"x\">]><html><body><div><div/><div><div>&e;</div></div></div></body></html>"),
            page(entry("A", "l1") + "<div><div>B</div><div><a href=\"l2\">x</a><br></div></div>"),
            page(entry("A&#9;B", "l1") + entry("C", "l&#10;2") + entry("D", "l3")),
            // Past the nesting and the size bound (see the target).
            QByteArray("\xfe") + "ZR",
            QByteArray("\xff") + page(entry("A", "l"))};
}

// Mode 0: whole files as the export writes them; mode 1: instrument item
// texts (index high, index low, position, text).
QList<QByteArray> itemCsvSeeds()
{
    auto row = [](int index, const QString &c0, const QString &c1) {
        ItemRow r;
        r.index = index;
        r.column0 = c0;
        r.column1 = c1;
        return r;
    };
    const QByteArray file = buildItemFile({row(0, "01. 波特率(2400/4800/9600)", ": 9600"), row(1, "02. 复位", QString()),
                                           row(300, "03. 设备名称", ": ZR-100"), row(7, "04. Empty", ": ")});
    QList<QByteArray> out{flags('\x00', file),
                          flags('\x00', QByteArray("07. Name, value\n007.x\n\n5.a,b,c\r\n")),
                          flags('\x00', QByteArray("99999999999. overflow\r\n"))};
    const QList<QString> texts{QStringLiteral("波特率(2400/4800/9600):9600"), QStringLiteral("复位"),
                               QStringLiteral("设备名称:ZR-100"), QStringLiteral("Value:a,b"),
                               QStringLiteral(" Name : "), QStringLiteral("3.5 bar:1")};
    for (int i = 0; i < texts.size(); ++i)
        out << flags('\x01', QByteArray(1, char(i >> 8)) + char(i) + char(i) + encodeDeviceText(texts.at(i)));
    return out;
}

QList<QByteArray> skipTableSeeds()
{
    return {QByteArray("ZR-100,ZR-100A\r\nZR-200\n"),
            QByteArray(" A B , C D \nA,B,C\nD\n"),
            QByteArray("A,B\0junk,x\n", 11),
            QByteArray("Caf\xE9,M\nlast")};
}

// Serial numbers: length byte, the number's bytes, the answer.
QList<QByteArray> serialNumberSeeds()
{
    const QByteArray sn("ZR2026120800017");
    return {char(sn.size()) + sn + "{\"sn\":\"" + sn + "\"}",
            char(sn.size()) + sn + "{\"sn\":\"ZR2026120800018\"}",
            QByteArray(1, '\x03') + "abc" + "{\"sn\":\"abc\",\"extra\":[1,2,{}]}",
            QByteArray(1, '\x03') + "abc" + QByteArray("{\"sn\":\"abc\"}\0junk", 17),
            QByteArray(1, '\x01') + "a" + "[\"sn\"]"};
}

// The simulator's history text and debug lines, with chunking bytes ahead.
QByteArray historyText()
{
    QByteArray text = encodeDeviceText(QStringLiteral("时间,温度(℃),湿度(%)")) + "\r\n";
    text += "2026-12-08 00:00:00, 15.9, 66\r\n2026-12-08 00:10:00, 15.8, 67\r\n2026-12-08 00:2";
    return text;
}

QByteArray monitorText()
{
    return QByteArray("#1 ch1=4.10 mA\r\n") + encodeDeviceText(QStringLiteral("#2 温度: 21 ℃\r\n"))
           + encodeDeviceText(QStringLiteral("#3 压力正常, 报警未触发\r\n")) + "#4 state=OK\r\n#5 dump:   5  36 \r";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    int n = 0;
    for (const QByteArray &frame : frames()) {
        const QByteArray envelope = encryptEnvelope(frame);
        ok &= writeSeed(root + "/checkframecrc", n, frame);
        ok &= writeSeed(root + "/checkframecrc", 100 + n, envelope);
        // flags: bit 0 encrypt, bit 1 high byte first, high nibble chunk size - 1
        const char address = frame.isEmpty() ? '\x01' : frame.at(0);
        ok &= writeSeed(root + "/isreplycomplete", n, QByteArray(1, '\x00') + address + frame);
        ok &= writeSeed(root + "/isreplycomplete", 100 + n, QByteArray(1, '\x32') + address + frame);
        ok &= writeSeed(root + "/isreplycomplete", 200 + n, QByteArray(1, '\x01') + '\x01' + envelope);
        ok &= writeSeed(root + "/isreplycomplete", 300 + n, QByteArray(1, '\xF2') + '\x01' + frame);
        ok &= writeSeed(root + "/decryptenvelope", n, QByteArray(1, '\x00') + envelope);
        ok &= writeSeed(root + "/decryptenvelope", 100 + n, QByteArray(1, '\x00') + frame);
        ok &= writeSeed(root + "/decodedevicetext", n, frame);
        ++n;
    }
    // Envelope with its CRC high byte first, as the flash exchanges test it.
    QByteArray highFirst = encryptEnvelope(buildDelimitedFrame("AB"));
    const char crcLow = highFirst.at(highFirst.size() - 2);
    highFirst[highFirst.size() - 2] = highFirst.at(highFirst.size() - 1);
    highFirst[highFirst.size() - 1] = crcLow;
    ok &= writeSeed(root + "/decryptenvelope", 200, QByteArray(1, '\x01') + highFirst);
    // Item texts the instruments send: GB2312, Latin-1, cut-off GB2312, ASCII with NUL padding.
    const QList<QByteArray> texts{encodeDeviceText(QStringLiteral("设备地址:1")),
                                  QByteArray("Temp\xb0" "C:25"),
                                  QByteArray("A\xb0"),
                                  QByteArray("Name:ZR-100\0\0\0", 14),
                                  encodeDeviceText(QStringLiteral("记录时间:2026-12-08 18:00:00"))};
    for (int i = 0; i < texts.size(); ++i)
        ok &= writeSeed(root + "/decodedevicetext", 100 + i, texts.at(i));
    ok &= writeSeeds(root + "/checkreply", 0, replySeeds());
    ok &= writeSeeds(root + "/readpackage", 0, packageSeeds());
    ok &= writeSeeds(root + "/parsecatalogue", 0, catalogueSeeds());
    ok &= writeSeeds(root + "/itemcsv", 0, itemCsvSeeds());
    ok &= writeSeeds(root + "/skiptable", 0, skipTableSeeds());
    ok &= writeSeeds(root + "/serialnumber", 0, serialNumberSeeds());
    ok &= writeSeeds(root + "/historylines", 0, {QByteArray("\x01\x02\x03\x04", 4) + historyText(),
                                                 QByteArray("\xff\x00\x10\x20", 4) + historyText()});
    ok &= writeSeeds(root + "/monitorlines", 0, {QByteArray("\x01\x02\x03\x04", 4) + monitorText(),
                                                 QByteArray("\x7f\x00\x10\x20", 4) + monitorText() + "\n\n"});
    // Answers to the discovery datagram as instruments give them.
    ok &= writeSeeds(root + "/searchanswer", 0, {QByteArray("ZR-100"), QByteArray("  ZR-200 \r\n"),
                                                 encodeDeviceText(QStringLiteral("流量计 A1")), QByteArray("A\xb0")});
    // The decoder: flags, request length, request, frame (a request, its reply).
    {
        const QByteArray read = buildItemReadRequest(1, 3);
        const auto seed = [](quint8 flags, const QByteArray &request, const QByteArray &frame) {
            return QByteArray(1, char(flags)) + char(request.size()) + request + frame;
        };
        ok &= writeSeeds(root + "/explainframe", 0,
                         {seed(1, QByteArray(), read), seed(3, QByteArray(), read),
                          seed(0, read, countedReply(1, 0x03, encodeDeviceText(QStringLiteral("波特率:9600")))),
                          seed(1, QByteArray(), buildTextWriteRequest(1, 255, QStringLiteral("1"))),
                          seed(1, QByteArray(), QByteArray::fromHex("7e05022c0100079100040000000000007f")),
                          seed(0, QByteArray(4, '\x01'), QByteArray("ZR-100"))});
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write seeds below %s\n", argv[1]);
        return 1;
    }
    std::printf("seeds written below %s\n", argv[1]);
    return 0;
}
