// parseSearchAnswer on any datagram: no name for no bytes, otherwise the
// decoded text without surrounding white space, never longer than the
// datagram and never a stand-in for bytes it could not read.
#include "discovery/devicesearch.h"
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const QByteArray datagram = fuzzBytes(data, size);
    const QString name = parseSearchAnswer(datagram);
    FUZZ_CHECK(name.size() <= datagram.size());
    FUZZ_CHECK(!name.contains(QChar::ReplacementCharacter));
    FUZZ_CHECK(name == name.trimmed());
    FUZZ_CHECK(name == decodeDeviceText(datagram).trimmed());
    FUZZ_CHECK(!datagram.isEmpty() || name.isEmpty());
    return 0;
}
