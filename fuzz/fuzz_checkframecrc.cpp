// checkFrameCrc against a direct reading of the rule, in both byte orders,
// and with the CRC appended the way senders do.
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x100000)
        return 0;
    const QByteArray frame = fuzzBytes(data, size);
    const int n = frame.size();
    for (const bool high : {false, true}) {
        const bool ok = checkFrameCrc(frame, high);
        FUZZ_CHECK(ok == checkFrameCrc(frame.constData(), n, high));
        if (n < 3) {
            FUZZ_CHECK(!ok);
            continue;
        }
        const quint16 crc = crc16Modbus(frame.constData(), n - 2);
        const auto a = static_cast<quint8>(frame.at(n - 2));
        const auto b = static_cast<quint8>(frame.at(n - 1));
        const quint16 stored = high ? quint16(a << 8 | b) : quint16(b << 8 | a);
        FUZZ_CHECK(ok == (crc == stored));
    }

    if (n == 0)
        return 0; // a bare CRC is too short to be a frame
    // Any body with its CRC appended passes in the order it was written.
    QByteArray low = frame;
    appendCrcLowFirst(low);
    FUZZ_CHECK(checkFrameCrc(low, false));
    const quint16 crc = crc16Modbus(frame);
    QByteArray high = frame;
    high.append(char(crc >> 8));
    high.append(char(crc & 0xFF));
    FUZZ_CHECK(checkFrameCrc(high, true));
    FUZZ_CHECK(checkFrameCrc(low, true) == (quint8(crc >> 8) == quint8(crc & 0xFF)));

    // The CRC of a frame followed by its own CRC (low first) is zero.
    FUZZ_CHECK(crc16Modbus(low) == 0);
    return 0;
}
