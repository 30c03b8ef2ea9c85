#include "history/historychart.h"

#include "settings/fileio.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>

#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

const QSize kChartFileSize(1600, 900);

QString chartText(const char *text)
{
    return QCoreApplication::translate("HistoryChartView", text);
}

} // namespace

HistoryChart::HistoryChart()
{
    setAnimationOptions(QChart::NoAnimation);
    legend()->setAlignment(Qt::AlignBottom);
    // The dialog's tab is small; the plot gets what the frame would take.
    setMargins(QMargins(6, 6, 18, 6));
    setBackgroundRoundness(0);
    connect(this, &QChart::plotAreaChanged, this, [this] { reduce(); });
}

void HistoryChart::ensureAxes()
{
    // Added once the chart is in its view: axes added before lose their
    // labels when series come later.
    if (m_axisX)
        return;
    m_axisX = new QDateTimeAxis(this);
    m_axisX->setFormat(QStringLiteral("MM-dd hh:mm"));
    m_axisX->setTickCount(5);
    m_axisY = new QValueAxis(this);
    addAxis(m_axisX, Qt::AlignBottom);
    addAxis(m_axisY, Qt::AlignLeft);
    connect(m_axisX, &QDateTimeAxis::rangeChanged, this, [this](const QDateTime &min, const QDateTime &max) {
        if (m_settingRange)
            return;
        // A rubber band or a zoom out moved the axis.
        m_zoomed = min.toMSecsSinceEpoch() > m_fullMin || max.toMSecsSinceEpoch() < m_fullMax;
        // Not inside the axis' own change: the chart's domains are being
        // updated at this point.
        QMetaObject::invokeMethod(this, &HistoryChart::reduce, Qt::QueuedConnection);
    });
}

void HistoryChart::setSeries(const QVector<HistorySeries> &series)
{
    ensureAxes();
    bool same = series.size() == m_data.size();
    for (int i = 0; same && i < series.size(); ++i)
        same = series.at(i).name == m_data.at(i).name;
    m_data = series;
    if (!same) {
        QHash<QString, bool> visible;
        for (QLineSeries *line : qAsConst(m_lines))
            visible.insert(line->name(), line->isVisible());
        removeAllSeries();
        m_lines.clear();
        for (const HistorySeries &s : series) {
            auto *line = new QLineSeries;
            line->setName(s.name);
            addSeries(line);
            line->attachAxis(m_axisX);
            line->attachAxis(m_axisY);
            line->setVisible(visible.value(s.name, true));
            m_lines.append(line);
        }
        attachMarkers();
    }

    double lo = 0, hi = 0;
    bool any = false;
    for (const HistorySeries &s : series) {
        if (s.points.isEmpty())
            continue;
        lo = any ? std::min(lo, s.points.first().x()) : s.points.first().x();
        hi = any ? std::max(hi, s.points.last().x()) : s.points.last().x();
        any = true;
    }
    if (!any) {
        const double now = double(QDateTime::currentMSecsSinceEpoch());
        lo = now - 3600000.0;
        hi = now;
    } else if (hi <= lo) {
        // A single moment still needs an axis of some width.
        lo -= 60000.0;
        hi += 60000.0;
    }
    m_fullMin = lo;
    m_fullMax = hi;
    if (!m_zoomed)
        resetZoom();
    else
        reduce();
}

QVector<HistorySeries> HistoryChart::visibleSeries() const
{
    QVector<HistorySeries> out;
    for (int i = 0; i < m_data.size() && i < m_lines.size(); ++i) {
        if (m_lines.at(i)->isVisible())
            out.append(m_data.at(i));
    }
    return out;
}

void HistoryChart::resetZoom()
{
    if (!m_axisX)
        return;
    m_zoomed = false;
    m_settingRange = true;
    m_axisX->setRange(QDateTime::fromMSecsSinceEpoch(qint64(m_fullMin)),
                      QDateTime::fromMSecsSinceEpoch(qint64(m_fullMax)));
    m_settingRange = false;
    fitY();
    reduce();
}

void HistoryChart::setXRange(double min, double max)
{
    if (!m_axisX || !(max > min))
        return;
    m_axisX->setRange(QDateTime::fromMSecsSinceEpoch(qint64(min)), QDateTime::fromMSecsSinceEpoch(qint64(max)));
    fitY();
}

QPair<double, double> HistoryChart::xRange() const
{
    if (!m_axisX)
        return {0, 0};
    return {double(m_axisX->min().toMSecsSinceEpoch()), double(m_axisX->max().toMSecsSinceEpoch())};
}

int HistoryChart::shownPoints() const
{
    int n = 0;
    for (QLineSeries *line : m_lines)
        n += line->count();
    return n;
}

void HistoryChart::reduce()
{
    if (m_lines.isEmpty() || !m_axisX)
        return;
    const auto [lo, hi] = xRange();
    const int width = std::max(16, int(plotArea().width()));
    for (int i = 0; i < m_lines.size() && i < m_data.size(); ++i)
        m_lines.at(i)->replace(reduceHistoryPoints(m_data.at(i).points, lo, hi, width));
}

void HistoryChart::fitY()
{
    const auto [lo, hi] = xRange();
    double yMin = 0, yMax = 0;
    bool any = false;
    for (int i = 0; i < m_data.size() && i < m_lines.size(); ++i) {
        if (!m_lines.at(i)->isVisible())
            continue;
        for (const QPointF &p : m_data.at(i).points) {
            if (p.x() < lo || p.x() > hi || std::isnan(p.y()))
                continue;
            yMin = any ? std::min(yMin, p.y()) : p.y();
            yMax = any ? std::max(yMax, p.y()) : p.y();
            any = true;
        }
    }
    if (!any) {
        yMin = 0;
        yMax = 1;
    } else if (yMax <= yMin) {
        yMin -= 1;
        yMax += 1;
    }
    const double pad = (yMax - yMin) * 0.05;
    m_axisY->setRange(yMin - pad, yMax + pad);
    m_axisY->applyNiceNumbers();
}

void HistoryChart::attachMarkers()
{
    const QList<QLegendMarker *> markers = legend()->markers();
    for (QLegendMarker *marker : markers) {
        disconnect(marker, &QLegendMarker::clicked, this, nullptr);
        auto update = [marker] {
            // A hidden series keeps its legend entry, greyed, to come back.
            marker->setVisible(true);
            const qreal alpha = marker->series()->isVisible() ? 1.0 : 0.35;
            QColor color = marker->labelBrush().color();
            color.setAlphaF(alpha);
            marker->setLabelBrush(color);
            QBrush brush = marker->brush();
            QColor fill = brush.color();
            fill.setAlphaF(alpha);
            brush.setColor(fill);
            marker->setBrush(brush);
        };
        update();
        connect(marker, &QLegendMarker::clicked, this, [this, marker, update] {
            marker->series()->setVisible(!marker->series()->isVisible());
            update();
            fitY();
        });
    }
}

QString HistoryChart::valueText(double x) const
{
    if (m_data.isEmpty() || m_data.first().points.isEmpty())
        return QString();
    const QVector<QPointF> &points = m_data.first().points;
    auto it = std::lower_bound(points.cbegin(), points.cend(), x,
                               [](const QPointF &p, double v) { return p.x() < v; });
    if (it == points.cend())
        --it;
    else if (it != points.cbegin() && x - (it - 1)->x() < it->x() - x)
        --it;
    const int at = int(it - points.cbegin());
    QString text = QDateTime::fromMSecsSinceEpoch(qint64(it->x())).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    for (int i = 0; i < m_data.size() && i < m_lines.size(); ++i) {
        if (!m_lines.at(i)->isVisible() || at >= m_data.at(i).points.size())
            continue;
        const double v = m_data.at(i).points.at(at).y();
        text += QStringLiteral("    ") + m_data.at(i).name + QLatin1Char(' ')
                + (std::isnan(v) ? QStringLiteral("-") : QString::number(v, 'g', 10));
    }
    return text;
}

int historyChartFileWidth()
{
    return kChartFileSize.width();
}

bool isHistoryChartFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("png") || suffix == QLatin1String("svg");
}

QString saveHistoryChart(const QVector<HistorySeries> &series, const QString &fileName, QPair<double, double> range)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (!isHistoryChartFileName(fileName))
        return chartText("图表只能保存为 PNG 或 SVG 文件: %1").arg(fileName);

    auto *chart = new HistoryChart;
    QChartView view(chart); // owns the chart
    view.setRenderHint(QPainter::Antialiasing);
    view.setFrameShape(QFrame::NoFrame);
    view.resize(kChartFileSize);
    chart->resize(kChartFileSize);
    chart->setSeries(series);
    chart->setXRange(range.first, range.second);
    // Axes, labels and legend settle through posted layout requests of the
    // chart's own items.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();

    SafeFileWriter file(fileName);
    if (!file.open())
        return QCoreApplication::translate("HistoryData", "打开文件失败: %1").arg(fileName);
    const QRectF target(QPointF(0, 0), QSizeF(kChartFileSize));
    if (suffix == QLatin1String("png")) {
        QImage image(kChartFileSize, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        chart->scene()->render(&painter, target, target);
        painter.end();
        if (!image.save(file.device(), "PNG"))
            file.cancel();
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(file.device());
        svg.setSize(kChartFileSize);
        svg.setViewBox(target);
        svg.setTitle(QCoreApplication::translate("HistoryData", "历史数据"));
        QStringList names;
        for (const HistorySeries &s : series)
            names << s.name;
        svg.setDescription(names.join(QStringLiteral(", ")));
        QPainter painter(&svg);
        painter.setRenderHint(QPainter::Antialiasing);
        chart->scene()->render(&painter, target, target);
        painter.end();
    }
    if (!file.commit())
        return file.errorText().isEmpty() ? QCoreApplication::translate("HistoryData", "打开文件失败: %1").arg(fileName)
                                          : file.errorText();
    return QString();
}

HistoryChartView::HistoryChartView(QWidget *parent)
    : QWidget(parent)
{
    m_chart = new HistoryChart;
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setRubberBand(QChartView::RectangleRubberBand);
    m_view->viewport()->setMouseTracking(true);
    m_view->viewport()->installEventFilter(this);

    m_value = new QLabel(this);
    m_value->setObjectName(QStringLiteral("labelChartValue"));
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_bntReset = new QPushButton(tr("重置缩放"), this);
    m_bntReset->setObjectName(QStringLiteral("bntResetZoom"));
    m_bntSave = new QPushButton(tr("保存图表"), this);
    m_bntSave->setObjectName(QStringLiteral("bntSaveChart"));
    for (QPushButton *b : {m_bntReset, m_bntSave})
        b->setAutoDefault(false);

    auto *row = new QHBoxLayout;
    row->addWidget(m_value, 1);
    row->addWidget(m_bntReset);
    row->addWidget(m_bntSave);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view, 1);
    layout->addLayout(row);

    m_saveFileName = [](QWidget *parent, const QString &caption, const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    };
    connect(m_bntReset, &QPushButton::clicked, this, &HistoryChartView::slotResetZoom);
    connect(m_bntSave, &QPushButton::clicked, this, &HistoryChartView::slotSaveChart);
}

void HistoryChartView::setSeries(const QVector<HistorySeries> &series)
{
    m_chart->setSeries(series);
}

void HistoryChartView::slotResetZoom()
{
    m_chart->resetZoom();
}

void HistoryChartView::slotSaveChart()
{
    QString fileName = m_saveFileName(this, tr("保存图表"), QStringLiteral("PNG (*.png);;SVG (*.svg)"));
    if (fileName.isEmpty())
        return;
    fileName = withDefaultSuffix(fileName, QStringLiteral("png"));
    const QString error = saveHistoryChart(m_chart->visibleSeries(), fileName,
                                           m_chart->isZoomed() ? m_chart->xRange() : QPair<double, double>{0, 0});
    if (!error.isEmpty())
        emit signalShowError(tr("保存图表"), error);
}

bool HistoryChartView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::MouseMove && !m_chart->series().isEmpty()) {
        const QPointF scenePos = m_view->mapToScene(static_cast<QMouseEvent *>(event)->pos());
        const QPointF chartPos = m_chart->mapFromScene(scenePos);
        if (m_chart->plotArea().contains(chartPos) && !m_chart->QChart::series().isEmpty())
            m_value->setText(m_chart->valueText(m_chart->mapToValue(chartPos, m_chart->QChart::series().first()).x()));
        else
            m_value->clear();
    }
    return QWidget::eventFilter(watched, event);
}
