// Item files. Bit 0 of the first byte picks the property:
//  0: the rest is an item file to import: itemFileLines and
//     parseItemCsvLine on every line;
//  1: the rest is an item text as an instrument sends it (bytes 1-2 the
//     item index, byte 3 the position): its tree row, exported and imported
//     again, gives the same row.
#include "fuzz/fuzzcheck.h"
#include "items/itemcsv.h"
#include "link/framecodec.h"

namespace {

void importFile(const QByteArray &bytes)
{
    const QStringList lines = itemFileLines(bytes);
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\n')));
        int index = -1;
        QStringList fields;
        if (!parseItemCsvLine(line, &index, &fields))
            continue;
        // "digits.text": the index is exactly those digits.
        const int dot = line.indexOf(QLatin1Char('.'));
        FUZZ_CHECK(dot > 0);
        bool ok = false;
        FUZZ_CHECK(line.left(dot).toInt(&ok, 10) == index && ok);
        FUZZ_CHECK(index >= 0);
        FUZZ_CHECK(fields.size() == 1 || fields.size() == 2);
        FUZZ_CHECK(fields.join(QLatin1Char(',')) == line.mid(dot + 1).trimmed());
    }
}

void roundTrip(const uint8_t *data, size_t size)
{
    if (size < 3)
        return;
    const int index = data[0] << 8 | data[1];
    const int position = data[2] + 1;
    const QStringList item = splitItemText(decodeDeviceText(reinterpret_cast<const char *>(data + 3), int(size - 3)));
    const ItemRow row{index, itemColumn0(position, item), itemColumn1(item)};
    // Control characters are shown as symbols, so a row is one line whatever
    // the instrument sent.
    const QString text = row.column0 + row.column1;
    FUZZ_CHECK(!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')));
    // A comma in the name cannot survive the line format; everything else must.
    if (item.value(0).contains(QLatin1Char(',')))
        return;

    const QByteArray file = buildItemFile({row});
    FUZZ_CHECK(file.startsWith("\xEF\xBB\xBF") && file.endsWith("\r\n"));
    const QStringList lines = itemFileLines(file);
    FUZZ_CHECK(lines.size() == 1);
    int parsedIndex = -1;
    QStringList fields;
    // The instrument numbers its items in one byte: a larger index is refused.
    if (index > 255) {
        FUZZ_CHECK(!parseItemCsvLine(lines.at(0), &parsedIndex, &fields));
        return;
    }
    FUZZ_CHECK(parseItemCsvLine(lines.at(0), &parsedIndex, &fields));
    FUZZ_CHECK(parsedIndex == index);
    // Imported lines go through the same row making as received items.
    FUZZ_CHECK(itemColumn0(position, fields) == row.column0);
    FUZZ_CHECK(itemColumn1(fields) == row.column1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 0x10000)
        return 0;
    if (data[0] & 1)
        roundTrip(data + 1, size - 1);
    else
        importFile(fuzzBytes(data + 1, size - 1));
    return 0;
}
