#include "items/itemcsv.h"
#include "items/skiptable.h"
#include "tests/support/fifo.h"
#include "tests/support/workdir.h"

#include <QtTest>

#include <memory>

namespace {

using Added = QList<QPair<int, QStringList>>;

// Runs items through the filter the way the main window does and returns
// the rows it would append, in order.
Added feed(ItemSkipFilter &filter, const Added &items)
{
    Added added;
    for (const auto &item : items) {
        const bool skipped = filter.isSkippedRow(item.first, item.second, [&](int i, const QStringList &l) {
            added << qMakePair(i, l);
        });
        if (!skipped)
            added << item;
    }
    return added;
}

QPair<int, QStringList> row(int index, const QString &name, const QString &value)
{
    return qMakePair(index, QStringList{name, value});
}

const QString kName = QStringLiteral("设备名称");
const QString kModel = QStringLiteral("设备型号");

} // namespace

Q_DECLARE_METATYPE(Added)

class tst_SkipTable : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void missingFile();
    void oddFilesIgnored_data();
    void oddFilesIgnored();
    void filter_data();
    void filter();
    void heldRowSurvivesRefreshes();
};

void tst_SkipTable::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<SkipTable>("table");
    QTest::newRow("pair and single") << QByteArray("A,B\r\nX\n")
                                     << SkipTable{{"A", {"B"}}, {"X", {"X"}}};
    QTest::newRow("several under one key") << QByteArray("A,B\nA,C\n") << SkipTable{{"A", {"B", "C"}}};
    QTest::newRow("spaces removed") << QByteArray(" A B , C D \n") << SkipTable{{"AB", {"CD"}}};
    QTest::newRow("three fields ignored") << QByteArray("A,B,C\nD\n") << SkipTable{{"D", {"D"}}};
    QTest::newRow("zero byte ends text") << QByteArray("A,B\0junk,x\n", 11) << SkipTable{{"A", {"B"}}};
    QTest::newRow("last line without break") << QByteArray("A,B\nC") << SkipTable{{"A", {"B"}}, {"C", {"C"}}};
    QTest::newRow("latin1") << QByteArray("Caf\xE9,M\n") << SkipTable{{QString::fromLatin1("Caf\xE9"), {"M"}}};
    QTest::newRow("empty file") << QByteArray() << SkipTable{};
}

void tst_SkipTable::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(SkipTable, table);
    QCOMPARE(parseSkipTable(file), table);
}

void tst_SkipTable::missingFile()
{
    TempWorkDir dir;
    QVERIFY(loadSkipTable(QStringLiteral("SkipItems")).isEmpty());
    dir.writeFile(QStringLiteral("SkipItems"), "A,B\n");
    QCOMPARE(loadSkipTable(QStringLiteral("SkipItems")), (SkipTable{{"A", {"B"}}}));
}

void tst_SkipTable::oddFilesIgnored_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("warning");
    QTest::newRow("missing") << "missing" << "";
    QTest::newRow("fifo") << "fifo" << QStringLiteral("不是普通文件");
    QTest::newRow("folder") << "folder" << QStringLiteral("不是普通文件");
    QTest::newRow("over 16 MB") << "large" << QStringLiteral("文件过大");
}

void tst_SkipTable::oddFilesIgnored()
{
    QFETCH(QString, kind);
    QFETCH(QString, warning);
    TempWorkDir dir;
    const QString path = dir.filePath(QStringLiteral("SkipItems"));
    std::unique_ptr<FifoFile> fifo;
    if (kind == QLatin1String("fifo")) {
        fifo = std::make_unique<FifoFile>(path);
        QVERIFY(fifo->made());
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == QLatin1String("large")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write("A,B\n") == 4);
        QVERIFY(file.resize(kMaxItemFileBytes + 1)); // sparse: no disk needed
    }
    QElapsedTimer clock;
    clock.start();
    QString got = QStringLiteral("unset");
    QVERIFY(loadSkipTable(path, &got).isEmpty());
    QVERIFY2(clock.elapsed() < FifoFile::kReleaseMs, qPrintable(QString::number(clock.elapsed())));
    if (warning.isEmpty())
        QCOMPARE(got, QStringLiteral("unset"));
    else
        QVERIFY2(got.contains(warning) && got.contains(QStringLiteral("SkipItems")), qPrintable(got));
}

void tst_SkipTable::filter_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Added>("items");
    QTest::addColumn<Added>("shown");

    const auto other = row(0, "Rate", "9600");
    QTest::newRow("empty table shows all")
        << QByteArray() << Added{other, row(1, kName, "A"), row(2, kModel, "B")}
        << Added{other, row(1, kName, "A"), row(2, kModel, "B")};
    QTest::newRow("name A model B both hidden")
        << QByteArray("A,B\n") << Added{other, row(1, kName, "A"), row(2, kModel, "B"), row(3, "x", "y")}
        << Added{other, row(3, "x", "y")};
    QTest::newRow("name A model D both shown, name first")
        << QByteArray("A,B\n") << Added{row(1, kName, "A"), row(2, kModel, "D")}
        << Added{row(1, kName, "A"), row(2, kModel, "D")};
    QTest::newRow("model X hidden alone") << QByteArray("X\n") << Added{row(4, kModel, "X")} << Added{};
    QTest::newRow("MODEL any case") << QByteArray("X\n") << Added{row(4, "MODEL", "X"), row(5, "model", "Y")}
                                    << Added{row(5, "model", "Y")};
    QTest::newRow("name X model X hides both") << QByteArray("X\n") << Added{row(1, kName, "X"), row(2, kModel, "X")}
                                               << Added{};
    QTest::newRow("inner spaces") << QByteArray("AB\n") << Added{row(1, kModel, " A B ")} << Added{};
    QTest::newRow("name not a key") << QByteArray("A,B\n") << Added{row(1, kName, "Z"), row(2, kModel, "B")}
                                    << Added{row(1, kName, "Z"), row(2, kModel, "B")};
    QTest::newRow("name compared exactly") << QByteArray("A\n") << Added{row(1, " " + kName, "A")}
                                           << Added{row(1, " " + kName, "A")};
    QTest::newRow("second name replaces held")
        << QByteArray("A,B\nC,D\n") << Added{row(1, kName, "A"), row(2, kName, "C"), row(3, kModel, "Q")}
        << Added{row(2, kName, "C"), row(3, kModel, "Q")};
    QTest::newRow("model without value not filtered")
        << QByteArray("A\n") << Added{qMakePair(1, QStringList{kModel})} << Added{qMakePair(1, QStringList{kModel})};
}

void tst_SkipTable::filter()
{
    QFETCH(QByteArray, file);
    QFETCH(Added, items);
    QFETCH(Added, shown);
    ItemSkipFilter f;
    f.setTable(parseSkipTable(file));
    QCOMPARE(feed(f, items), shown);
}

void tst_SkipTable::heldRowSurvivesRefreshes()
{
    ItemSkipFilter f;
    f.setTable(parseSkipTable("A,B\n"));
    QCOMPARE(feed(f, Added{row(0, "x", "1"), row(1, kName, "A")}), Added{row(0, "x", "1")});
    QVERIFY(f.hasHeldRow());
    // The next list (another refresh or an import) decides about it.
    QCOMPARE(feed(f, Added{row(0, "x", "1"), row(1, kModel, "E")}),
             (Added{row(0, "x", "1"), row(1, kName, "A"), row(1, kModel, "E")}));
    QVERIFY(!f.hasHeldRow());
}

QTEST_GUILESS_MAIN(tst_SkipTable)
#include "tst_skiptable.moc"
