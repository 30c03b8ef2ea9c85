#pragma once

#include "history/historytable.h"

#include <QPair>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>

#include <QtCharts/QChart>
#include <QtCharts/QChartView>

class QLabel;
class QPushButton;

QT_CHARTS_BEGIN_NAMESPACE
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
QT_CHARTS_END_NAMESPACE

// A line chart of history series over time. It keeps every point and hands
// the chart only what the plot's width can show (lowest and highest point
// per pixel column), again after each zoom.
class HistoryChart : public QtCharts::QChart
{
    Q_OBJECT

public:
    // Series go in only once the chart has its view.
    HistoryChart();

    // Keeps the zoom when the user has zoomed in, and each series' on/off
    // state by name.
    void setSeries(const QVector<HistorySeries> &series);
    const QVector<HistorySeries> &series() const { return m_data; }
    // The series switched on, for saving what is shown.
    QVector<HistorySeries> visibleSeries() const;
    void resetZoom();
    // Shows [min, max] (ms since the epoch) when max > min.
    void setXRange(double min, double max);
    bool isZoomed() const { return m_zoomed; }
    QPair<double, double> xRange() const;
    // Points currently handed to the chart, all series together.
    int shownPoints() const;
    // "2024-03-05 10:00:00  温度 21.5  湿度 60" for the record nearest to x.
    QString valueText(double x) const;

private:
    void ensureAxes();
    void reduce();
    void fitY();
    void attachMarkers();

    QVector<HistorySeries> m_data;
    QVector<QtCharts::QLineSeries *> m_lines;
    QtCharts::QDateTimeAxis *m_axisX = nullptr;
    QtCharts::QValueAxis *m_axisY = nullptr;
    double m_fullMin = 0;
    double m_fullMax = 0;
    bool m_zoomed = false;
    bool m_settingRange = false;
};

// Writes the series as a chart: PNG (1600 × 900) or SVG by the file's
// suffix. `range` limits the time axis when it is not empty. Empty on
// success, else the user's message.
QString saveHistoryChart(const QVector<HistorySeries> &series, const QString &fileName,
                         QPair<double, double> range = {0, 0});
bool isHistoryChartFileName(const QString &fileName);
// The width of a chart file in pixels: more points per series than twice
// this are never drawn.
int historyChartFileWidth();

// The chart tab of the history dialog: the chart with rubber-band zoom,
// a reset and a save button, and the value under the pointer.
class HistoryChartView : public QWidget
{
    Q_OBJECT

public:
    explicit HistoryChartView(QWidget *parent = nullptr);

    HistoryChart *chart() const { return m_chart; }
    void setSeries(const QVector<HistorySeries> &series);
    // Tests replace the file dialog: (caption, filter) → file name.
    void setSaveFileNameProvider(std::function<QString(QWidget *, const QString &, const QString &)> provider)
    {
        m_saveFileName = std::move(provider);
    }

signals:
    void signalShowError(QString title, QString error);

private slots:
    void slotResetZoom();
    void slotSaveChart();

private:
    bool eventFilter(QObject *watched, QEvent *event) override;

    HistoryChart *m_chart = nullptr;
    QtCharts::QChartView *m_view = nullptr;
    QPushButton *m_bntReset = nullptr;
    QPushButton *m_bntSave = nullptr;
    QLabel *m_value = nullptr;
    std::function<QString(QWidget *, const QString &, const QString &)> m_saveFileName;
};
