#include "history/historychart.h"

#include "tests/support/windowcheck.h"
#include "tests/support/workdir.h"

#include <QImage>
#include <QtCharts/QLineSeries>
#include <QtTest>

#include <cmath>

namespace {

HistoryTable yearOfRecords(int spikeAt)
{
    HistoryTable t;
    t.addLine(QStringLiteral("时间,温度(℃),湿度(%)"));
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    for (int i = 0; i < 52560; ++i) {
        const QString time = start.addSecs(600LL * i).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const double temperature = i == spikeAt ? 85.0 : 18.0 + 6.0 * std::sin(i / 72.0);
        t.addLine(QStringLiteral("%1, %2, %3").arg(time).arg(temperature, 0, 'f', 1).arg(60 - i % 7));
    }
    return t;
}

} // namespace

// The chart of the history dialog and the chart files.
class tst_HistoryChart : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ZR_VERIFY_NO_WINDOWS_LEFT(); }
    void chartShowsWhatThePlotCanHold();
    void files_data();
    void files();
};

void tst_HistoryChart::chartShowsWhatThePlotCanHold()
{
    HistoryChartView view;
    view.resize(800, 500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const HistoryTable table = yearOfRecords(40000);
    view.setSeries(historySeries(table));
    HistoryChart *chart = view.chart();
    QCOMPARE(chart->QChart::series().size(), 2);
    const int width = int(chart->plotArea().width());
    QVERIFY(width > 100);
    QVERIFY2(chart->shownPoints() <= 2 * (2 * width + 2), qPrintable(QString::number(chart->shownPoints())));
    auto *temperature = qobject_cast<QtCharts::QLineSeries *>(chart->QChart::series().first());
    QCOMPARE(temperature->name(), QStringLiteral("温度(℃)"));
    double highest = -qInf();
    for (const QPointF &p : temperature->pointsVector())
        highest = std::max(highest, p.y());
    QCOMPARE(highest, 85.0);

    // Zoomed to a day, the day's records are all there; reset shows the year.
    const double day0 = double(QDateTime(QDate(2024, 6, 1), QTime(0, 0)).toMSecsSinceEpoch());
    chart->setXRange(day0, day0 + 86400000.0);
    QTRY_VERIFY(chart->isZoomed());
    QTRY_COMPARE(temperature->count(), 145 + 2); // both midnights, and one point beyond either
    chart->resetZoom();
    QVERIFY(!chart->isZoomed());
    QVERIFY(temperature->count() < 2 * width + 3);

    // A series switched off is not saved, and stays off when data grows.
    temperature->setVisible(false);
    QCOMPARE(chart->visibleSeries().size(), 1);
    view.setSeries(historySeries(table));
    QCOMPARE(chart->visibleSeries().size(), 1);
    const QString value = chart->valueText(day0);
    QVERIFY2(value.startsWith(QStringLiteral("2024-06-01 00:00:00    湿度(%) ")), qPrintable(value));
}

void tst_HistoryChart::files_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("png") << "chart.png";
    QTest::newRow("svg") << "chart.SVG";
    QTest::newRow("other suffix") << "chart.jpg";
}

void tst_HistoryChart::files()
{
    QFETCH(QString, name);
    TempWorkDir dir;
    const QVector<HistorySeries> series = historySeries(yearOfRecords(100));
    const QString error = saveHistoryChart(series, dir.filePath(name));
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("jpg")) {
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath(name)));
        return;
    }
    QCOMPARE(error, QString());
    if (suffix == QLatin1String("png")) {
        const QImage image(dir.filePath(name));
        QCOMPARE(image.size(), QSize(1600, 900));
        // Not blank: lines in more than one colour beside the background.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 10, qPrintable(QString::number(colours.size())));
    } else {
        const QString svg = QString::fromUtf8(dir.readFile(name));
        QVERIFY(svg.contains(QLatin1String("<svg")));
        // The legend's text, which the writer may cut into runs of script.
        QString legend;
        QRegularExpressionMatchIterator it = QRegularExpression(QStringLiteral(">([^<]*)</text>")).globalMatch(svg);
        while (it.hasNext())
            legend += it.next().captured(1);
        for (const HistorySeries &s : series) {
            QVERIFY2(legend.contains(s.name.toHtmlEscaped()), qPrintable(s.name));
            QVERIFY2(svg.contains(QStringLiteral("<desc>")) && svg.contains(s.name.toHtmlEscaped()), qPrintable(s.name));
        }
    }
}

QTEST_MAIN(tst_HistoryChart)
#include "tst_historychart.moc"
