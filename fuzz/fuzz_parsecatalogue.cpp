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
    const QByteArray page = fuzzBytes(data, size);
    DeviceTypeMgr mgr;
    const bool found = mgr.parseCatalogue(page);
    const QMap<QString, QString> list = mgr.typeList();
    // True means the entry list was found, so at least one entry was taken;
    // false leaves the list as it was.
    FUZZ_CHECK(found == !list.isEmpty());
    for (auto it = list.cbegin(); it != list.cend(); ++it) {
        FUZZ_CHECK(it.key() == it.key().trimmed());
        FUZZ_CHECK(it.value() == it.value().trimmed());
    }
    // The list is only ever added to: a second parse of the same page
    // leaves the same list.
    FUZZ_CHECK(mgr.parseCatalogue(page) == found);
    FUZZ_CHECK(mgr.typeList() == list);
    return 0;
}
