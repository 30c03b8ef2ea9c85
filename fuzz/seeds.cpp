// Writes the seed corpora: frames as the program and the instruments put
// them on the wire. Usage: fuzz_seeds OUTDIR (creates OUTDIR/<target>/).
#include "link/framecodec.h"

#include <QDir>
#include <QFile>
#include <QList>

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

} // namespace

int main(int argc, char **argv)
{
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
    if (!ok) {
        std::fprintf(stderr, "cannot write seeds below %s\n", argv[1]);
        return 1;
    }
    std::printf("seeds written below %s\n", argv[1]);
    return 0;
}
