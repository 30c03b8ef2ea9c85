#include "history/historyexport.h"
#include "history/historytable.h"

#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(QVector<QPointF>)

namespace {

const QString kHeader = QStringLiteral("时间,温度(℃),湿度(%)");

} // namespace

// Records split into columns, the summary of an answer, and the chart's
// point reduction.
class tst_HistoryTable : public QObject
{
    Q_OBJECT

private slots:
    void record_data();
    void record();
    void number_data();
    void number();
    void columns_data();
    void columns();
    void summary();
    void reductionKeepsEveryBucketsExtremes_data();
    void reductionKeepsEveryBucketsExtremes();
    void seriesInTimeOrder();
    void chartLeavesOutAndCounts_data();
    void chartLeavesOutAndCounts();
    void modelBatchesAndSortsNumbers();
};

void tst_HistoryTable::record_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isRecord");
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QStringList>("fields");
    const QDateTime t(QDate(2024, 3, 5), QTime(10, 0), Qt::UTC);
    QTest::newRow("as zrsim sends") << "2024-03-05 10:00:00, 21.5, 60\r\n" << true << t << QStringList{"21.5", "60"};
    QTest::newRow("slashes, no seconds, signs")
        << "2024/03/05 10:00 -3.25 +7" << true << t << QStringList{"-3.25", "+7"};
    QTest::newRow("text field") << "2024-03-05 10:00:00, ERR, 60" << true << t << QStringList{"ERR", "60"};
    QTest::newRow("date alone is midnight")
        << "2024-03-05, 1" << true << QDateTime(QDate(2024, 3, 5), QTime(0, 0), Qt::UTC) << QStringList{"1"};
    QTest::newRow("no fields") << "2024-03-05 10:00:00" << true << t << QStringList{};
    QTest::newRow("header") << kHeader << false << QDateTime() << QStringList{};
    QTest::newRow("time without date") << "10:00:00, 21.5, 60" << false << QDateTime() << QStringList{};
    QTest::newRow("milliseconds") << "2024-03-05 10:00:00.250 1" << true << t.addMSecs(250) << QStringList{"1"};
    QTest::newRow("time out of range") << "2024-03-05 24:00:00 1" << true << t.addSecs(-36000) << QStringList{"24:00:00", "1"};
    QTest::newRow("impossible date") << "2024-02-30 10:00:00, 1" << false << QDateTime() << QStringList{};
    QTest::newRow("empty") << "" << false << QDateTime() << QStringList{};
}

void tst_HistoryTable::record()
{
    QFETCH(QString, line);
    QFETCH(bool, isRecord);
    HistoryRecord r;
    QCOMPARE(parseHistoryRecord(line, &r), isRecord);
    if (!isRecord)
        return;
    QFETCH(QDateTime, time);
    QFETCH(QStringList, fields);
    QCOMPARE(r.time, time);
    QCOMPARE(r.fields, fields);
}

void tst_HistoryTable::number_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("decimal") << "21.5" << true << 21.5;
    QTest::newRow("minus") << "-3.25" << true << -3.25;
    QTest::newRow("plus") << "+7" << true << 7.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "-inf" << false << 0.0;
    QTest::newRow("dash") << "-" << false << 0.0;
    QTest::newRow("unit glued on") << "21.5C" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void tst_HistoryTable::number()
{
    QFETCH(QString, field);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double v = 0;
    QCOMPARE(parseHistoryNumber(field, &v), ok);
    if (ok)
        QCOMPARE(v, value);
}

void tst_HistoryTable::columns_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("numeric");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("others");
    QTest::newRow("header and records")
        << QStringList{kHeader, "2024-03-05 10:00:00, 21.5, 60", "2024-03-05 10:10:00, -0.5, 61", ""}
        << QStringList{"时间", "温度(℃)", "湿度(%)"} << QList<int>{1, 2} << 2 << 0;
    QTest::newRow("date and time titled apart")
        << QStringList{"日期 时间 温度", "2024-03-05 10:00:00 21.5"} << QStringList{"日期 时间", "温度"}
        << QList<int>{1} << 1 << 0;
    QTest::newRow("no header")
        << QStringList{"2024-03-05 10:00:00, 21.5, 60"} << QStringList{"时间", "列 2", "列 3"} << QList<int>{1, 2}
        << 1 << 0;
    QTest::newRow("a text field is no series")
        << QStringList{kHeader, "2024-03-05 10:00:00, OK, 60", "2024-03-05 10:10:00, 3, 61"}
        << QStringList{"时间", "温度(℃)", "湿度(%)"} << QList<int>{2} << 2 << 0;
    QTest::newRow("missing and extra fields")
        << QStringList{kHeader, "2024-03-05 10:00:00, 21.5", "2024-03-05 10:10:00, 21.6, 60, 7"}
        << QStringList{"时间", "温度(℃)", "湿度(%)", "列 4"} << QList<int>{1, 2, 3} << 2 << 0;
    QTest::newRow("lines that are no records are counted")
        << QStringList{"ERR 12", kHeader, "2024-03-05 10:00:00, 1, 2", "timeout", "时间,温度,湿度"}
        << QStringList{"时间", "温度(℃)", "湿度(%)"} << QList<int>{1, 2} << 1 << 3;
    QTest::newRow("one word before records is no header")
        << QStringList{"history", "2024-03-05 10:00:00, 1"} << QStringList{"时间", "列 2"} << QList<int>{1} << 1
        << 1;
}

void tst_HistoryTable::columns()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, numeric);
    QFETCH(int, rows);
    QFETCH(int, others);
    HistoryTable t;
    for (const QString &line : lines)
        t.addLine(line);
    QStringList got;
    for (int c = 0; c < t.columnCount(); ++c)
        got << t.columnName(c);
    QCOMPARE(got, names);
    QCOMPARE(t.numericColumns(), numeric);
    QCOMPARE(t.rowCount(), rows);
    QCOMPARE(t.otherLines(), others);
    // A missing cell is no number and no text.
    for (int r = 0; r < t.rowCount(); ++r) {
        for (int c = t.record(r).fields.size() + 1; c < t.columnCount(); ++c) {
            QVERIFY(std::isnan(t.number(r, c)));
            QCOMPARE(t.cellText(r, c), QString());
        }
    }
}

void tst_HistoryTable::summary()
{
    HistoryTable t;
    QCOMPARE(t.summary(), QStringLiteral("没有记录，0 行不是记录"));
    for (const char *line : {"时间,温度", "2024-03-05 10:10:00, 1", "garbled", "2024-03-05 10:00:00, 2",
                             "2024-03-06 09:00:00, 3"})
        t.addLine(QString::fromUtf8(line));
    QCOMPARE(t.firstTime(), QDateTime(QDate(2024, 3, 5), QTime(10, 0), Qt::UTC));
    QCOMPARE(t.lastTime(), QDateTime(QDate(2024, 3, 6), QTime(9, 0), Qt::UTC));
    QCOMPARE(t.summary(), QStringLiteral("3 条记录，2024-03-05 10:00:00 至 2024-03-06 09:00:00，1 行不是记录"));
    t.clear();
    QCOMPARE(t.rowCount(), 0);
    QCOMPARE(t.columnCount(), 1);
}

void tst_HistoryTable::reductionKeepsEveryBucketsExtremes_data()
{
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<int>("width");
    QVector<QPointF> spike;
    for (int i = 0; i < 52560; ++i)
        spike.append(QPointF(i, i == 31234 ? 100.0 : 20.0));
    QTest::newRow("one spike in a year") << spike << 700;
    QVector<QPointF> dip = spike;
    dip[31234].setY(-100.0);
    dip[77].setY(std::numeric_limits<double>::quiet_NaN());
    QTest::newRow("one dip, one gap") << dip << 700;
    QVector<QPointF> noise;
    quint32 seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise.append(QPointF(i * 3.0, double(seed >> 16) / 655.36 - 50.0));
    }
    QTest::newRow("noise") << noise << 97;
    QTest::newRow("fewer points than pixels") << noise.mid(0, 150) << 97;
}

void tst_HistoryTable::reductionKeepsEveryBucketsExtremes()
{
    QFETCH(QVector<QPointF>, points);
    QFETCH(int, width);
    const double lo = points.first().x();
    const double hi = points.last().x();
    const QVector<QPointF> out = reduceHistoryPoints(points, lo, hi, width);
    QVERIFY(out.size() <= std::max(2 * width + 2, int(points.size())));
    for (int i = 1; i < out.size(); ++i)
        QVERIFY(out.at(i - 1).x() <= out.at(i).x());
    // Per pixel column the extremes of the input are among the output.
    QVector<double> inLow(width, qInf()), inHigh(width, -qInf()), outLow(width, qInf()), outHigh(width, -qInf());
    auto bucket = [&](double x) { return std::clamp(int((x - lo) * width / (hi - lo)), 0, width - 1); };
    for (const QPointF &p : points) {
        if (std::isnan(p.y()))
            continue;
        inLow[bucket(p.x())] = std::min(inLow[bucket(p.x())], p.y());
        inHigh[bucket(p.x())] = std::max(inHigh[bucket(p.x())], p.y());
    }
    for (const QPointF &p : out) {
        QVERIFY(!std::isnan(p.y()));
        outLow[bucket(p.x())] = std::min(outLow[bucket(p.x())], p.y());
        outHigh[bucket(p.x())] = std::max(outHigh[bucket(p.x())], p.y());
    }
    QCOMPARE(outLow, inLow);
    QCOMPARE(outHigh, inHigh);

    // Zoomed into a tenth: still bounded, and the edges run on.
    const double zlo = lo + (hi - lo) * 0.45;
    const double zhi = lo + (hi - lo) * 0.55;
    const QVector<QPointF> zoomed = reduceHistoryPoints(points, zlo, zhi, width);
    QVERIFY(zoomed.size() <= 2 * width + 2);
    QVERIFY(zoomed.first().x() <= zlo);
    QVERIFY(zoomed.last().x() >= zhi);
}

void tst_HistoryTable::seriesInTimeOrder()
{
    HistoryTable t;
    for (const char *line : {"时间,温度,状态,湿度", "2024-03-05 10:10:00, 1, OK, 5", "2024-03-05 10:00:00, 2, OK",
                             "2024-03-05 10:20:00, 3, OK, 7"})
        t.addLine(QString::fromUtf8(line));
    const QVector<HistorySeries> all = historySeries(t);
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).name, QStringLiteral("温度"));
    QCOMPARE(all.at(1).name, QStringLiteral("湿度"));
    const double t0 = double(QDateTime(QDate(2024, 3, 5), QTime(10, 0)).toMSecsSinceEpoch());
    QCOMPARE(all.at(0).points, (QVector<QPointF>{{t0, 2}, {t0 + 600000, 1}, {t0 + 1200000, 3}}));
    QVERIFY(std::isnan(all.at(1).points.at(0).y()));
    QCOMPARE(all.at(1).points.at(2).y(), 7.0);
    const QVector<HistorySeries> picked = historySeries(t, {3});
    QCOMPARE(picked.size(), 1);
    QCOMPARE(picked.first().column, 3);
}

namespace {

// Lines "2024-03-05 HH:MM:00, v1, v2, …" with `columns` values each, the
// cell at (row, column) replaced where `odd` says so.
QStringList wideLines(int rows, int columns, const QHash<QPair<int, int>, QString> &odd = {})
{
    QStringList names{"时间"};
    for (int c = 1; c <= columns; ++c)
        names << QStringLiteral("c%1").arg(c);
    QStringList lines{names.join(QLatin1Char(','))};
    for (int r = 0; r < rows; ++r) {
        QStringList cells{QStringLiteral("2024-03-05 %1:%2:00").arg(r / 60, 2, 10, QLatin1Char('0')).arg(r % 60, 2, 10, QLatin1Char('0'))};
        for (int c = 1; c <= columns; ++c)
            cells << odd.value({r, c}, QString::number(r % 7 + c));
        lines << cells.join(QStringLiteral(", "));
    }
    return lines;
}

} // namespace

void tst_HistoryTable::chartLeavesOutAndCounts_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("series");
    QTest::addColumn<int>("notNumbers");
    QTest::addColumn<int>("outOfRange");
    QTest::addColumn<int>("leftOut");
    QTest::addColumn<int>("tableColumns");
    QTest::newRow("one odd cell among numbers") << wideLines(168, 2, {{{40, 1}, QStringLiteral("21.5°")}}) << 2 << 1 << 0
                                               << 0 << 3;
    QTest::newRow("mostly text is no series")
        << wideLines(5, 2, {{{0, 1}, "OK"}, {{1, 1}, "OK"}, {{2, 1}, "OK"}}) << 1 << 0 << 0 << 0 << 3;
    QTest::newRow("±1e308") << wideLines(50, 2, {{{10, 1}, "1e308"}, {{11, 1}, "-1e308"}, {{12, 2}, "1e309"}}) << 2
                            << 1 << 2 << 0 << 3;
    QTest::newRow("wide") << wideLines(30, 250) << 32 << 0 << 0 << 168 << 201;
}

void tst_HistoryTable::chartLeavesOutAndCounts()
{
    QFETCH(QStringList, lines);
    QFETCH(int, series);
    QFETCH(int, notNumbers);
    QFETCH(int, outOfRange);
    QFETCH(int, leftOut);
    QFETCH(int, tableColumns);
    HistoryTable table;
    for (const QString &line : lines)
        table.addLine(line);
    QCOMPARE(table.columnCount(), tableColumns);
    QCOMPARE(table.leftOutColumns(), tableColumns < 201 ? 0 : 50);
    QCOMPARE(table.summary().contains(QStringLiteral("另有 50 列未显示")), tableColumns == 201);

    // The dialog's series from the table, zrvu-cli's reduced while reading
    // the lines again: the same columns, the same counts.
    HistoryChartNotes fromTable;
    const QVector<HistorySeries> all = historySeries(table, {}, &fromTable);
    HistoryTable firstPass(std::numeric_limits<int>::max(), false);
    for (const QString &line : lines)
        firstPass.addLine(line);
    QCOMPARE(firstPass.rowCount(), 0);
    HistoryTextLines source(lines.join(QLatin1Char('\n')));
    HistoryChartNotes fromLines;
    QVector<HistorySeries> reduced;
    QVERIFY(reduceHistorySeries(source, firstPass, {}, 8, &reduced, &fromLines));
    for (const HistoryChartNotes &notes : {fromTable, fromLines}) {
        QCOMPARE(notes.notNumbers, qint64(notNumbers));
        QCOMPARE(notes.outOfRange, qint64(outOfRange));
        QCOMPARE(notes.text().isEmpty(), notNumbers + outOfRange + leftOut == 0);
    }
    // The first pass knows every column, the table only those it keeps.
    QCOMPARE(fromTable.leftOut.size(), leftOut);
    QCOMPARE(fromLines.leftOut.size(), leftOut + table.leftOutColumns());
    QCOMPARE(all.size(), series);
    QCOMPARE(reduced.size(), series);
    for (int i = 0; i < series; ++i) {
        QCOMPARE(reduced.at(i).name, all.at(i).name);
        QVERIFY(reduced.at(i).points.size() <= 2 * 8);
        const auto range = [](const QVector<QPointF> &points) {
            QPair<double, double> r{qInf(), -qInf()};
            for (const QPointF &p : points) {
                r.first = std::isnan(p.y()) ? r.first : std::min(r.first, p.y());
                r.second = std::isnan(p.y()) ? r.second : std::max(r.second, p.y());
            }
            return r;
        };
        // Only what an axis can hold, and nothing of it lost by reducing.
        QVERIFY(std::isfinite(range(all.at(i).points).second - range(all.at(i).points).first));
        QCOMPARE(range(reduced.at(i).points), range(all.at(i).points));
    }
}

void tst_HistoryTable::modelBatchesAndSortsNumbers()
{
    HistoryTableModel model;
    QSignalSpy rows(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy columns(&model, &QAbstractItemModel::columnsInserted);
    model.addLines({kHeader, "2024-03-05 10:00:00, 9.5, 60", "2024-03-05 10:10:00, 10, 61",
                    "2024-03-05 10:20:00, -2, 62", "no record"});
    QCOMPARE(rows.count(), 1);
    QCOMPARE(columns.count(), 1);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("温度(℃)"));
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("2024-03-05 10:00:00"));

    // As numbers, not as text: -2 < 9.5 < 10.
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&model);
    sorted.setSortRole(HistoryTableModel::SortRole);
    sorted.sort(1);
    QStringList order;
    for (int r = 0; r < sorted.rowCount(); ++r)
        order << sorted.index(r, 1).data().toString();
    QCOMPARE(order, (QStringList{"-2", "9.5", "10"}));

    model.addLines({"2024-03-05 10:30:00, 5, 63"});
    QCOMPARE(rows.count(), 2);
    QCOMPARE(sorted.index(1, 1).data().toString(), QStringLiteral("5"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
}

QTEST_GUILESS_MAIN(tst_HistoryTable)
#include "tst_historytable.moc"
