// The serial-number answer check. Input: byte 0 the length of the serial
// number (0-24), that many bytes mapped onto letters and digits, then the
// answer bytes.
#include "fuzz/fuzzcheck.h"
#include "items/serialnumber.h"

namespace {

QString serialFrom(const uint8_t *data, int n)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString sn;
    for (int i = 0; i < n; ++i)
        sn += QLatin1Char(alphabet[data[i] % 62]);
    return sn;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 0x10000)
        return 0;
    const int n = qMin<int>(data[0] % 25, int(size) - 1);
    const QString sn = serialFrom(data + 1, n);
    const QByteArray answer = fuzzBytes(data + 1 + n, size - 1 - n);

    const QVariantMap map = parseJsonObject(answer);
    const bool ok = isSerialNumberAnswerOk(answer, sn);
    if (ok) {
        FUZZ_CHECK(map.contains(QStringLiteral("sn")));
        // One answer confirms one serial number only.
        FUZZ_CHECK(!isSerialNumberAnswerOk(answer, sn + QLatin1Char('0')));
        if (!sn.isEmpty())
            FUZZ_CHECK(!isSerialNumberAnswerOk(answer, sn.left(sn.size() - 1)));
    }
    FUZZ_CHECK(!serialNumberAnswerText(answer).contains(QChar(0)));

    if (n > 0) {
        FUZZ_CHECK(isValidSerialNumber(sn));
        // The command parses as what the instrument expects, and the answer
        // it gives is accepted.
        const QVariantMap command = parseJsonObject(buildSerialNumberCommand(sn));
        FUZZ_CHECK(command.value(QStringLiteral("write")).toMap().value(QStringLiteral("sn")).toString() == sn);
        FUZZ_CHECK(isSerialNumberAnswerOk("{\"sn\":\"" + sn.toLatin1() + "\"}", sn));
    }
    return 0;
}
