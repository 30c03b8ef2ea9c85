// decodeDeviceText on arbitrary instrument bytes; encodeDeviceText on what
// comes out.
#include "fuzz/fuzzcheck.h"
#include "link/framecodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const QByteArray bytes = fuzzBytes(data, size);
    const QString text = decodeDeviceText(bytes);
    FUZZ_CHECK(text == decodeDeviceText(bytes.constData(), bytes.size()));
    // Every path yields at most one character per byte, never a stand-in
    // for bytes it could not read.
    FUZZ_CHECK(text.size() <= bytes.size());
    FUZZ_CHECK(!text.contains(QChar::ReplacementCharacter));

    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<quint8>(c) < 0x80;
    if (ascii)
        FUZZ_CHECK(text == QString::fromLatin1(bytes.constData(), bytes.size())); // NULs included

    // Text the instrument sent must be sendable back as it was read.
    const QByteArray encoded = encodeDeviceText(text);
    FUZZ_CHECK(decodeDeviceText(encoded) == text || encoded.contains('\0') || text.contains(QChar(0)));
    return 0;
}
