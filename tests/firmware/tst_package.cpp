#include "firmware/package.h"
#include "tests/support/workdir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

namespace {

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QByteArray qstringBytes(const QString &s)
{
    QByteArray out = be32(static_cast<quint32>(s.size() * 2));
    for (QChar c : s) {
        out.append(static_cast<char>(c.unicode() >> 8));
        out.append(static_cast<char>(c.unicode() & 0xFF));
    }
    return out;
}

// One variant header: 32-bit type id and the null flag.
QByteArray variantHeader(QMetaType::Type type)
{
    return be32(static_cast<quint32>(type)) + QByteArray(1, '\0');
}

// A field map of one entry whose value is `value` (serialised by hand).
QByteArray oneEntryMap(const QByteArray &value)
{
    return be32(1) + qstringBytes(QStringLiteral("k")) + value;
}

// Each level a one-element list around the next; the int 7 innermost.
// Built in one go: prepending level by level copies the whole value each
// time, which at 100000 levels took minutes under AddressSanitizer.
QByteArray nestedLists(int depth)
{
    return (variantHeader(QMetaType::QVariantList) + be32(1)).repeated(depth) + variantHeader(QMetaType::Int)
        + be32(7);
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString read(const QString &file, DEncryptInfo *out = nullptr)
    {
        DEncryptInfo info(file);
        DDbServer db(packageConnectionName());
        const QString error = db.readInfo(info);
        if (out)
            *out = info;
        return error;
    }

private slots:
    void goodPackageRoundTrip_data();
    void goodPackageRoundTrip();
    void layoutIsByteExact();
    void damagedPackages_data();
    void damagedPackages();
    void missingKeyReadsEmpty();
    void countsBeyondPayloadReadEmpty_data();
    void countsBeyondPayloadReadEmpty();
    void containerFieldsStillRead();
    void readingNeverWrites();
    void secondReadingReusesConnection();
    void zrpackBuildsReadablePackage();
};

void tst_Package::goodPackageRoundTrip_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty image") << 0;
    QTest::newRow("one byte") << 1;
    QTest::newRow("300 KiB") << 300 * 1024;
}

void tst_Package::goodPackageRoundTrip()
{
    QFETCH(int, size);
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    const QString file = path(QStringLiteral("good.zrbin"));
    QString error;
    QVERIFY2(writePackage(file, packageFields(QStringLiteral("温度变送器"), QStringLiteral("ZR-T100"),
                                              QStringLiteral("V2.3"), image),
                          &error),
             qPrintable(error));
    DEncryptInfo info;
    QCOMPARE(read(file, &info), QString());
    QCOMPARE(info.device(), QStringLiteral("温度变送器"));
    QCOMPARE(info.model(), QStringLiteral("ZR-T100"));
    QCOMPARE(info.version(), QStringLiteral("V2.3"));
    QCOMPARE(info.image(), image);
    QCOMPARE(info.path(), file);

    // A copy shares the fields; changing one side leaves the other alone.
    DEncryptInfo copy = info;
    copy.setFields({});
    QCOMPARE(info.image(), image);
}

// The package is an external format: the bytes are written out by hand here
// rather than through QDataStream so a change of stream version shows.
void tst_Package::layoutIsByteExact()
{
    QByteArray payload = be32(2);
    payload += qstringBytes(PackageKeys::device());
    payload += be32(10) + QByteArray(1, '\0') + qstringBytes(QStringLiteral("AB"));
    payload += qstringBytes(PackageKeys::image());
    payload += be32(12) + QByteArray(1, '\0') + be32(3) + QByteArray("\x01\x02\x03", 3);
    const QByteArray digest = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
    const QByteArray blob = be32(static_cast<quint32>(payload.size())) + payload + be32(16) + digest;

    QVariantMap fields;
    fields.insert(PackageKeys::device(), QStringLiteral("AB"));
    fields.insert(PackageKeys::image(), QByteArray("\x01\x02\x03", 3));
    QCOMPARE(packagePayload(fields), payload);
    QCOMPARE(QByteArray::fromBase64(packageInfoText(fields)), blob);

    // A hand-made package with line breaks in its Base64 text reads too.
    QByteArray text = blob.toBase64();
    text.insert(8, "\r\n");
    const QString file = path(QStringLiteral("manual.zrbin"));
    QString error;
    QVERIFY2(writePackageDatabase(file, {text}, true, &error), qPrintable(error));
    DEncryptInfo info;
    QCOMPARE(read(file, &info), QString());
    QCOMPARE(info.device(), QStringLiteral("AB"));
    QCOMPARE(info.image(), QByteArray("\x01\x02\x03", 3));
    QCOMPARE(info.model(), QString());
}

void tst_Package::damagedPackages_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    const QString missing = QStringLiteral("解析文件失败,文件不存在或拒绝访问!");
    const QString operation = QStringLiteral("解析文件失败,文件操作失败!");
    const QString digest = QStringLiteral("解析文件失败,文件校验失败!");
    QTest::newRow("empty path") << "empty path" << missing;
    QTest::newRow("directory") << "directory" << missing;
    QTest::newRow("missing file") << "missing" << missing;
    QTest::newRow("text file") << "text" << operation;
    QTest::newRow("empty file") << "empty" << operation;
    QTest::newRow("no INFO table") << "no table" << operation;
    QTest::newRow("INFO with 0 rows") << "0 rows" << operation;
    QTest::newRow("INFO with 2 rows") << "2 rows" << operation;
    QTest::newRow("payload changed after sealing") << "bad digest" << digest;
    QTest::newRow("short digest") << "short digest" << digest;
    QTest::newRow("not Base64 at all") << "garbage" << digest;
    // Neither may block the reading (SQLite would wait on a FIFO forever).
    QTest::newRow("FIFO") << "fifo" << missing;
    QTest::newRow("device") << "device" << missing;
    QTest::newRow("over the size cap") << "huge" << QStringLiteral("解析文件失败,文件过大!");
}

void tst_Package::damagedPackages()
{
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    const QVariantMap fields = packageFields("D", "M", "V", QByteArray(100, 'x'));
    const QByteArray good = packageInfoText(fields);
    QString file = path(QStringLiteral("damaged-%1.zrbin").arg(QString(kind).replace(' ', '_')));
    QString error;
    bool made = true;
    if (kind == "empty path") {
        file.clear();
    } else if (kind == "directory") {
        QVERIFY(QDir().mkpath(file));
    } else if (kind == "missing") {
    } else if (kind == "text" || kind == "empty") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (kind == "text")
            f.write("this is not a package\n");
    } else if (kind == "no table") {
        made = writePackageDatabase(file, {good}, false, &error);
    } else if (kind == "0 rows") {
        made = writePackageDatabase(file, {}, true, &error);
    } else if (kind == "2 rows") {
        made = writePackageDatabase(file, {good, good}, true, &error);
    } else if (kind == "bad digest") {
        QByteArray payload = packagePayload(fields);
        const QByteArray md5 = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
        payload[payload.size() - 1] = 'y';
        made = writePackageDatabase(file, {sealPackageBlob(payload, md5).toBase64()}, true, &error);
    } else if (kind == "short digest") {
        const QByteArray payload = packagePayload(fields);
        const QByteArray md5 = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
        made = writePackageDatabase(file, {sealPackageBlob(payload, md5.left(15)).toBase64()}, true, &error);
    } else if (kind == "garbage") {
        made = writePackageDatabase(file, {"****"}, true, &error);
    } else if (kind == "fifo") {
        QVERIFY(mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
    } else if (kind == "device") {
        file = QStringLiteral("/dev/zero");
    } else if (kind == "huge") {
        // Sparse: no disk space taken. A valid package in front, so only
        // the size refuses it.
        made = writePackageDatabase(file, {good}, true, &error);
        QFile f(file);
        QVERIFY(f.resize(DDbServer::maxPackageBytes + 1));
    }
    QVERIFY2(made, qPrintable(error));

    DEncryptInfo info(file);
    info.setFields({{"keep", 1}});
    DDbServer db(packageConnectionName());
    QCOMPARE(db.readInfo(info), expected);
    // A failed reading publishes nothing.
    QCOMPARE(info.fields().value("keep").toInt(), 1);
}

void tst_Package::missingKeyReadsEmpty()
{
    QVariantMap fields = packageFields("D", "M", "V", "img");
    fields.remove(PackageKeys::version());
    fields.insert(QStringLiteral("{00000000-0000-0000-0000-000000000000}"), 5);
    const QString file = path(QStringLiteral("noversion.zrbin"));
    QVERIFY(writePackage(file, fields, nullptr));
    DEncryptInfo info;
    QCOMPARE(read(file, &info), QString());
    QVERIFY(!info.field(PackageKeys::version()).isValid());
    QCOMPARE(info.version(), QString());
    QCOMPARE(info.model(), QStringLiteral("M"));
}

// A count field must never make the reader reserve room for more elements
// than the payload could hold: Qt's list readers reserve first, so such a
// payload made the reading allocate gigabytes (or abort) before it failed.
void tst_Package::countsBeyondPayloadReadEmpty_data()
{
    QTest::addColumn<QByteArray>("payload");
    // Found by fuzz_readpackage: a variant list claiming 0x5A005200 elements.
    QTest::newRow("fuzz: list count") << QByteArray::fromHex(
        "0000000700000008006c00690073007400000009005a005200206e296e7f5ea68bb05f554eea0000004c007b00310036"
        "003000420045004100370043002d0030003700420042002d0034004600430043002d0042004600370045002d00330043"
        "000040787878787878787878787878787878787878787878787878787878787878787878787878787878787878787878"
        "787878787878787878787878787878787878780000004c007b00440042004300410030003900410032002d0033004200"
        "300046002d0035003900430038002d003800390000000000000000000000000000000000000000000000d7ffffffffff"
        "290000320044002d004200420046003500340043003000410043004400360034007d0000000a000000000c005a005200"
        "2d003200300030");
    QTest::newRow("variant list") << oneEntryMap(variantHeader(QMetaType::QVariantList) + be32(0x7FFFFFFF));
    QTest::newRow("string list") << oneEntryMap(variantHeader(QMetaType::QStringList) + be32(0x40000000));
    QTest::newRow("byte array list") << oneEntryMap(variantHeader(QMetaType::QByteArrayList) + be32(0x40000000));
    QTest::newRow("list inside a map")
        << oneEntryMap(variantHeader(QMetaType::QVariantMap) + be32(1) + qstringBytes("x")
                       + variantHeader(QMetaType::QVariantList) + be32(0x20000000));
    QTest::newRow("list inside a list")
        << oneEntryMap(variantHeader(QMetaType::QVariantList) + be32(1) + variantHeader(QMetaType::QStringList)
                       + be32(0x20000000));
    // Qt keeps 30 bits of a type id and finds user types by name, so these
    // read as lists as well.
    QTest::newRow("fuzz: list under a wider type id")
        << oneEntryMap(be32(0x40000009) + QByteArray(1, '\0') + be32(0x4B030000));
    QTest::newRow("list as a named user type")
        << oneEntryMap(be32(QMetaType::User) + QByteArray(1, '\0') + be32(12) + QByteArray("QVariantList", 12)
                       + be32(0x10000000));
    // Found by fuzz_readpackage: an easing curve inside a list, whose own
    // point vector claims more points than the payload holds.
    QTest::newRow("fuzz: easing curve points") << QByteArray::fromHex(
        "0000000700000008006c00690073007400000009000000008000000000548c0200506100000000000000000000000000"
        "00000000000000000042002d0035003100410031002d0042003600390034002d004400390037003800310039ffffffff"
        "ffffffff003800390039003300410044007d0000000a0000000012005a005200206e29000000000000000000206e296e"
        "7f5ea68bb05f5500002f0001000000000000000000000000000000000000000000000000000000000000000000000000"
        "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000000000000000000000000002000001000400004c007b003000310046003100"
        "30003900350044002d003200350044e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e000"
        "42002ddbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdb"
        "dbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdbdb"
        "dbdbdbdbdbdbdb0034003100410031002d0042003600390034002d004400390037003800310039003800390039003300"
        "410044007d0000000a000000311200000000000000000000000000000000000000000000000000000000000000000000"
        "0000001d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d"
        "1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d1d"
        "1d1d1d1d1d1d000800000000000000000000000000000000000000000000000000000000000000000000000000000000"
        "00000000000000000000000000000000000000000000000141004115410000");
    QTest::newRow("easing curve") << oneEntryMap(variantHeader(QMetaType::QEasingCurve) + QByteArray(64, '\0'));
    QTest::newRow("image") << oneEntryMap(variantHeader(QMetaType::QImage) + QByteArray(16, '\x01'));
    QTest::newRow("map count") << be32(0xFFFFFFF0);
    QTest::newRow("nesting deep enough to exhaust the stack") << oneEntryMap(nestedLists(100000));
}

void tst_Package::countsBeyondPayloadReadEmpty()
{
    QFETCH(QByteArray, payload);
    const QString file = path(QStringLiteral("counts.zrbin"));
    const QByteArray md5 = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
    QString error;
    QVERIFY2(writePackageDatabase(file, {sealPackageBlob(payload, md5).toBase64()}, true, &error), qPrintable(error));
    DEncryptInfo info;
    // Like a payload that ends early: the reading succeeds, the fields are empty.
    QCOMPARE(read(file, &info), QString());
    QVERIFY(info.fields().isEmpty());
}

void tst_Package::containerFieldsStillRead()
{
    QVariantMap fields = packageFields("D", "M", "V", QByteArray(3000, 'i'));
    fields.insert(QStringLiteral("notes"), QStringList{QStringLiteral("a"), QString(), QStringLiteral("c")});
    fields.insert(QStringLiteral("parts"), QVariantList{1, QStringLiteral("x"), QVariantList{QByteArray("y")}});
    fields.insert(QStringLiteral("more"), QVariantMap{{QStringLiteral("k"), QVariantList{2.5}}});
    fields.insert(QStringLiteral("blobs"), QVariant::fromValue(QByteArrayList{"p", "q"}));
    fields.insert(QStringLiteral("shallow"), QVariant());
    const QString file = path(QStringLiteral("containers.zrbin"));
    QVERIFY(writePackage(file, fields, nullptr));
    DEncryptInfo info;
    QCOMPARE(read(file, &info), QString());
    QCOMPARE(info.fields(), fields);
    QCOMPARE(info.image(), QByteArray(3000, 'i'));

    // Nesting of a depth real data uses still reads.
    const QByteArray payload = oneEntryMap(nestedLists(8));
    const QByteArray md5 = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
    QVERIFY(writePackageDatabase(file, {sealPackageBlob(payload, md5).toBase64()}, true, nullptr));
    QCOMPARE(read(file, &info), QString());
    QCOMPARE(info.fields().size(), 1);
}

void tst_Package::readingNeverWrites()
{
    const QString file = path(QStringLiteral("ro.zrbin"));
    QVERIFY(writePackage(file, packageFields("D", "M", "V", QByteArray(5000, 'z')), nullptr));
    const QByteArray before = fileBytes(file);
    const QDateTime modified = QFileInfo(file).lastModified();
    const QStringList listing = QDir(m_dir.path()).entryList(QDir::Files);

    for (int i = 0; i < 2; ++i)
        QCOMPARE(read(file), QString());
    QCOMPARE(fileBytes(file), before);
    QCOMPARE(QFileInfo(file).lastModified(), modified);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), listing);

    // The connection itself refuses writes while it points at the package.
    {
        DEncryptInfo info(file);
        DDbServer db(packageConnectionName());
        QCOMPARE(db.readInfo(info), QString());
        QSqlDatabase handle = QSqlDatabase::database(packageConnectionName(), false);
        QVERIFY(handle.isOpen());
        QSqlQuery query(handle);
        QVERIFY(!query.exec(QStringLiteral("create table INTRUDER (x)")));
        QVERIFY(!query.exec(QStringLiteral("delete from INFO")));
    }
    QCOMPARE(fileBytes(file), before);

    // Neither a missing path nor an empty text file grows into a database.
    const QString absent = path(QStringLiteral("absent.zrbin"));
    QVERIFY(!read(absent).isEmpty());
    QVERIFY(!QFileInfo::exists(absent));
    const QString blank = path(QStringLiteral("blank.zrbin"));
    { QFile f(blank); QVERIFY(f.open(QIODevice::WriteOnly)); }
    QVERIFY(!read(blank).isEmpty());
    QCOMPARE(QFileInfo(blank).size(), 0);
    QVERIFY(!QFileInfo::exists(blank + "-journal"));
}

void tst_Package::secondReadingReusesConnection()
{
    const QString a = path(QStringLiteral("a.zrbin"));
    const QString b = path(QStringLiteral("b.zrbin"));
    QVERIFY(writePackage(a, packageFields("DevA", "MA", "VA", "aaaa"), nullptr));
    QVariantMap onlyB;
    onlyB.insert(PackageKeys::model(), QStringLiteral("MB"));
    QVERIFY(writePackage(b, onlyB, nullptr));

    DEncryptInfo info(a);
    {
        DDbServer db(packageConnectionName());
        QCOMPARE(db.readInfo(info), QString());
    }
    QCOMPARE(info.device(), QStringLiteral("DevA"));
    DEncryptInfo second(b);
    {
        DDbServer db(packageConnectionName());
        QCOMPARE(db.readInfo(second), QString());
    }
    QCOMPARE(second.model(), QStringLiteral("MB"));
    QCOMPARE(second.device(), QString());
    QCOMPARE(second.fields().size(), 1);
    QCOMPARE(QSqlDatabase::connectionNames().count(packageConnectionName()), 1);
    // No package file stays open between readings.
    QVERIFY(!QSqlDatabase::database(packageConnectionName(), false).isOpen());
}

void tst_Package::zrpackBuildsReadablePackage()
{
    const QString tool = qEnvironmentVariable("ZRVU_BIN_DIR") + QStringLiteral("/tools/zrpack/zrpack");
    if (!QFileInfo::exists(tool))
        QSKIP("zrpack not built");
    QByteArray image(2049, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i);
    const QString imageFile = path(QStringLiteral("image.bin"));
    { QFile f(imageFile); QVERIFY(f.open(QIODevice::WriteOnly)); f.write(image); }
    const QString out = path(QStringLiteral("tool.zrbin"));
    // An older file of the name is replaced.
    { QFile f(out); QVERIFY(f.open(QIODevice::WriteOnly)); f.write("old"); }

    QProcess p;
    p.start(tool, {"--device", "流量计", "--model", "FM-9", "--version", "1.0.4", "--image", imageFile,
                   "--output", out});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(p.readAllStandardOutput().contains(QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex()));
    DEncryptInfo info;
    QCOMPARE(read(out, &info), QString());
    QCOMPARE(info.device(), QStringLiteral("流量计"));
    QCOMPARE(info.model(), QStringLiteral("FM-9"));
    QCOMPARE(info.version(), QStringLiteral("1.0.4"));
    QCOMPARE(info.image(), image);

    p.start(tool, {"--model", "X", "--image", path("nothing.bin"), "--output", path("never.zrbin")});
    QVERIFY(p.waitForFinished(10000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(!QFileInfo::exists(path("never.zrbin")));
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
