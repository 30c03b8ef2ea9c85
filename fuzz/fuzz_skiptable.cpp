// parseSkipTable on any SkipItems file, then the skip filter over rows
// named after the table's own lines. Input: the file bytes.
#include "fuzz/fuzzcheck.h"
#include "items/skiptable.h"

#include <QList>
#include <QSet>

namespace {

const QString kName = QStringLiteral("设备名称");
const QString kModel = QStringLiteral("设备型号");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const QByteArray bytes = fuzzBytes(data, size);
    const SkipTable table = parseSkipTable(bytes);

    int lines = bytes.count('\n');
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        ++lines;
    FUZZ_CHECK(table.size() <= lines);
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        // Keys and texts are compared cleaned, so they are stored cleaned.
        FUZZ_CHECK(cleanSkipText(it.key()) == it.key());
        FUZZ_CHECK(!it.value().isEmpty());
        for (const QString &text : it.value())
            FUZZ_CHECK(cleanSkipText(text) == text);
    }

    // Rows made from the table's own keys and texts, in an order taken from
    // the input: every row is shown at most once, in the order it came.
    QStringList words;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        words << it.key();
        for (const QString &text : it.value())
            words << text;
    }
    words << QStringLiteral("other");
    ItemSkipFilter filter;
    filter.setTable(table);
    QSet<int> shown;
    const int rows = qMin<int>(size, 64);
    for (int i = 0; i < rows; ++i) {
        const auto b = static_cast<quint8>(data[i]);
        static const QString names[] = {kName, kModel, QStringLiteral("Model"), QStringLiteral("Rate")};
        const QStringList list{names[b & 3], words.at((b >> 2) % words.size())};
        const bool wasHeld = filter.hasHeldRow();
        const ItemSkipFilter::Item held = filter.heldRow();
        int released = 0;
        const bool skipped = filter.isSkippedRow(i, list, [&](int index, const QStringList &releasedList) {
            // Only the held row is released, once, ahead of the row that
            // decided it.
            FUZZ_CHECK(wasHeld && index == held.first && releasedList == held.second);
            FUZZ_CHECK(!shown.contains(index));
            shown.insert(index);
            ++released;
        });
        FUZZ_CHECK(released <= 1);
        if (released)
            FUZZ_CHECK(!skipped && list.at(0) == kModel && !filter.hasHeldRow());
        if (!skipped) {
            FUZZ_CHECK(!shown.contains(i));
            shown.insert(i);
        }
        // A held row is decided by the next model row and by nothing else.
        if (wasHeld && list.at(0) != kModel)
            FUZZ_CHECK(filter.hasHeldRow());
    }
    FUZZ_CHECK(shown.size() <= rows);
    return 0;
}
