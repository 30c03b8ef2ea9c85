// decodeDeviceText on arbitrary instrument bytes; encodeDeviceText on what
// comes out, and on the same bytes read as UTF-16 (any text a user types).
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
    // GB2312 leaves cells empty that the GBK converter maps to private use;
    // such bytes are not GB2312 text.
    for (const QChar c : text)
        FUZZ_CHECK(c.unicode() < 0xE000 || c.unicode() > 0xF8FF);

    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && static_cast<quint8>(c) < 0x80;
    if (ascii)
        FUZZ_CHECK(text == QString::fromLatin1(bytes.constData(), bytes.size())); // NULs included

    // Text the instrument sent must be sendable back as it was read.
    const QByteArray encoded = encodeDeviceText(text);
    FUZZ_CHECK(decodeDeviceText(encoded) == text || encoded.contains('\0') || text.contains(QChar(0)));

    // Arbitrary UTF-16, lone surrogates included: either GB2312 that reads
    // back as the same text, or one byte per UTF-16 unit (Latin-1 or "?").
    const QString typed = QString::fromUtf16(reinterpret_cast<const char16_t *>(data), int(size / 2));
    const QByteArray out = encodeDeviceText(typed);
    FUZZ_CHECK(out.isEmpty() == typed.isEmpty());
    if (out.size() != typed.size())
        FUZZ_CHECK(decodeDeviceText(out) == typed);
    return 0;
}
