// DeviceTypeMgr::parseCatalogue on any page body a server could send.
#include "firmware/devicetypemgr.h"
#include "fuzz/fuzzcheck.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x100000)
        return 0;
    QByteArray page = fuzzBytes(data, size);
    // A first byte 0xFE or 0xFF puts the rest past the nesting or the size
    // bound, which no page may pass whatever it holds.
    bool overBound = false;
    if (!page.isEmpty() && static_cast<uchar>(page.at(0)) >= 0xFE) {
        const QByteArray rest = page.mid(1);
        overBound = true;
        if (static_cast<uchar>(page.at(0)) == 0xFE) {
            const int n = DeviceTypeMgr::maxNesting;
            page = "<html><body><div><div/><div><div>" + QByteArray("<b>").repeated(n) + rest
                   + QByteArray("</b>").repeated(n) + "</div><div><a href=\"l\"/></div></div></div></body></html>";
        } else {
            // Built once: the bound is refused before parsing, so the cost
            // of this branch is the copy alone.
            static const QByteArray padding = "<!--" + QByteArray(DeviceTypeMgr::maxPageBytes, ' ') + "-->";
            page = rest + padding;
        }
    }
    DeviceTypeMgr mgr;
    const bool found = mgr.parseCatalogue(page);
    const QMap<QString, QString> list = mgr.typeList();
    if (overBound)
        FUZZ_CHECK(!found);
    // False leaves the list as it was (empty here); true took the entries
    // that carry no control character.
    if (!found)
        FUZZ_CHECK(list.isEmpty());
    for (auto it = list.cbegin(); it != list.cend(); ++it) {
        FUZZ_CHECK(it.key() == it.key().trimmed());
        FUZZ_CHECK(it.value() == it.value().trimmed());
        FUZZ_CHECK(!DeviceTypeMgr::hasControlCharacter(it.key()));
        FUZZ_CHECK(!DeviceTypeMgr::hasControlCharacter(it.value()));
    }
    // The list is only ever added to: a second parse of the same page
    // leaves the same list.
    FUZZ_CHECK(mgr.parseCatalogue(page) == found);
    FUZZ_CHECK(mgr.typeList() == list);
    return 0;
}
