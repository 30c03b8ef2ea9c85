// isReplyComplete as the link calls it: after every chunk appended to a
// reply. Input: flags byte (bit 0 encrypt, bit 1 high byte first, bits 4-7
// the chunk size), device address, then the reply bytes.
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"

namespace {

// The completeness rules written out independently of the codec.
bool expected(const QByteArray &r, quint8 address, bool encrypt, bool high)
{
    const int n = r.size();
    if (n == 0)
        return false;
    if (encrypt)
        return n > 6 && checkFrameCrc(r.constData(), n, high);
    const auto first = static_cast<quint8>(r.at(0));
    if (first == address)
        return n >= 5 && n == static_cast<quint8>(r.at(2)) + 5 && checkFrameCrc(r.constData(), n, high);
    if (first == 0x7E)
        return n >= 5 && static_cast<quint8>(r.at(n - 1)) == 0x7F && checkFrameCrc(r.constData(), n - 1, high);
    return checkFrameCrc(r.constData(), n, high);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 0x10000)
        return 0;
    const bool encrypt = data[0] & 1;
    const bool high = data[0] & 2;
    const int chunk = (data[0] >> 4) + 1;
    const quint8 address = data[1];
    const QByteArray reply = fuzzBytes(data + 2, size - 2);

    QByteArray accumulated;
    for (int pos = 0; pos < reply.size(); pos += chunk) {
        accumulated.append(reply.mid(pos, chunk));
        const bool complete = isReplyComplete(accumulated, address, encrypt, high);
        FUZZ_CHECK(complete == expected(accumulated, address, encrypt, high));
        if (complete && !encrypt && static_cast<quint8>(accumulated.at(0)) == address)
            FUZZ_CHECK(accumulated.size() == static_cast<quint8>(accumulated.at(2)) + 5);
    }
    FUZZ_CHECK(!isReplyComplete(QByteArray(), address, encrypt, high));
    return 0;
}
