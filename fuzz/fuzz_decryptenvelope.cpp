// decryptEnvelope on arbitrary received bytes, and the round trip through
// encryptEnvelope. Input: flags byte (bit 0 high byte first), then bytes.
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 0x10000)
        return 0;
    const bool high = data[0] & 1;
    const QByteArray received = fuzzBytes(data + 1, size - 1);
    const int t = received.size();

    const QByteArray plain = decryptEnvelope(received, high);
    const bool envelope = t >= 7 && checkFrameCrc(received, high) && quint8(received.at(0)) == 0xFE
        && quint8(received.at(1)) == 0xEF && ((quint8(received.at(2)) << 8) | quint8(received.at(3))) == t - 6;
    if (!envelope) {
        FUZZ_CHECK(plain == received);
    } else {
        FUZZ_CHECK(plain.size() == t - 6);
        // Encrypting what came out gives the same envelope back, up to the
        // order of its CRC bytes.
        const QByteArray again = encryptEnvelope(plain);
        FUZZ_CHECK(again.size() == t);
        FUZZ_CHECK(again.left(t - 2) == received.left(t - 2));
        if (!high)
            FUZZ_CHECK(again == received);
    }

    // Whatever the bytes, they survive the envelope unchanged.
    if (t >= 1 && t <= 65535) {
        const QByteArray wrapped = encryptEnvelope(received);
        FUZZ_CHECK(wrapped.size() == t + 6);
        FUZZ_CHECK(checkFrameCrc(wrapped, false));
        FUZZ_CHECK(decryptEnvelope(wrapped, false) == received);
    }
    return 0;
}
