// isReplyComplete as the link calls it: after every chunk appended to a
// reply, with the size bound past which the link gives up (maxReplySize).
// Input: flags byte (bit 0 encrypt, bit 1 high byte first, bits 4-7 the
// chunk size), device address, then the reply bytes.
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
    int cutAt = -1; // the size at which the link gave up on an overlong reply
    int boundSeen = 0;
    bool taken = false; // the link stopped at a complete reply
    for (int pos = 0; pos < reply.size(); pos += chunk) {
        accumulated.append(reply.mid(pos, chunk));
        const bool complete = isReplyComplete(accumulated, address, encrypt, high);
        FUZZ_CHECK(complete == expected(accumulated, address, encrypt, high));
        const bool counted = !encrypt && static_cast<quint8>(accumulated.at(0)) == address;
        if (complete && counted)
            FUZZ_CHECK(accumulated.size() == static_cast<quint8>(accumulated.at(2)) + 5);

        const int bound = maxReplySize(accumulated, address, encrypt);
        FUZZ_CHECK(bound >= 5 && bound <= kMaxEnvelope);
        if (counted)
            FUZZ_CHECK(bound <= kMaxCountedReply);
        if (!encrypt && !counted)
            FUZZ_CHECK(bound == kMaxDelimitedReply);
        if (cutAt < 0 && !taken && !complete && accumulated.size() > bound) {
            cutAt = accumulated.size();
            boundSeen = bound;
        }
        // Nothing the link gave up on could still have become a counted
        // reply or a valid envelope: the bound never cuts a real frame.
        if (cutAt >= 0 && complete) {
            FUZZ_CHECK(!counted);
            FUZZ_CHECK(!encrypt || decryptEnvelope(accumulated, high) == accumulated);
        }
        taken = taken || (complete && cutAt < 0);
        // Memory: what the link holds is at most the bound plus one chunk.
        if (cutAt >= 0)
            FUZZ_CHECK(cutAt <= boundSeen + chunk);
    }
    FUZZ_CHECK(!isReplyComplete(QByteArray(), address, encrypt, high));
    return 0;
}
