// The traffic decoder on arbitrary frames, in both directions and after an
// arbitrary request. Input: flags byte (bit 0 sent, bit 1 wrap the frame in
// an envelope), the request's length n, n request bytes, then the frame.
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"
#include "link/framedecoder.h"
#include "link/traffic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 0x4000)
        return 0;
    const bool sent = data[0] & 1;
    const size_t n = std::min<size_t>(data[1], size - 2);
    const QByteArray request = fuzzBytes(data + 2, n);
    QByteArray frame = fuzzBytes(data + 2 + n, size - 2 - n);
    const bool wrapped = (data[0] & 2) && !frame.isEmpty();
    const QByteArray plain = frame;
    if (wrapped)
        frame = encryptEnvelope(frame);

    const QString text = explainFrame(frame, sent, request);
    FUZZ_CHECK(!text.isEmpty());
    // One row, one line: the log's columns depend on it.
    FUZZ_CHECK(!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\t')));
    FUZZ_CHECK(text == explainFrame(frame, sent, request));
    if (wrapped) {
        FUZZ_CHECK(envelopeInner(frame) == plain);
        // The inner frame's own explanation comes first, then its bytes.
        FUZZ_CHECK(text.contains(explainFrame(plain, sent, request)));
    }

    TrafficEntry entry;
    entry.direction = sent ? TrafficDirection::Sent : TrafficDirection::Received;
    entry.endpoint = QStringLiteral("127.0.0.1:5000");
    entry.bytes = frame;
    entry.request = request;
    entry.time = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6));
    const QStringList columns = formatTrafficLine(entry).split(QLatin1Char('\t'));
    FUZZ_CHECK(columns.size() == 5);
    FUZZ_CHECK(QByteArray::fromHex(columns.at(3).toLatin1()) == frame);
    FUZZ_CHECK(columns.at(3).size() == std::max(0, frame.size() * 3 - 1));
    return 0;
}
