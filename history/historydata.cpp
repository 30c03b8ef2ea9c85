#include "history/historydata.h"

#include "history/historychart.h"
#include "history/historytable.h"

#include "history/historyexport.h"
#include "history/historylines.h"
#include "history/historyread.h"
#include "history/historyrequest.h"
#include "settings/fileio.h"

#include <QApplication>

#include <algorithm>
#include <QFontDatabase>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSpacerItem>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace {

constexpr int kCloseWaitMs = 1000;
constexpr int kFlushIntervalMs = 50;
constexpr int kChartIntervalMs = 250;
constexpr int kTableLinesPerTurn = 1000;
// Wide records: a thousand lines of thousands of fields are too much for one turn.
constexpr int kTableCharsPerTurn = 256 * 1024;

} // namespace

HistoryData::HistoryData(QWidget *parent)
    : WorkerDialog(parent)
{
    setupForm();
    setWorker(&m_thread, [this] { m_thread.requestStop(); }, kCloseWaitMs);
    setWindowIcon(QIcon(QStringLiteral(":/image/debug.png")));

    m_saveFileName = [](QWidget *parent, const QString &caption, const QString &filter) {
        return QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    };
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushIntervalMs);
    m_chartTimer.setSingleShot(true);
    m_chartTimer.setInterval(kChartIntervalMs);
    m_tableTimer.setSingleShot(true);
    m_tableTimer.setInterval(0);

    connect(m_bntQuery, &QPushButton::clicked, this, &HistoryData::slotQueryHistory);
    connect(m_bntExportCSV, &QPushButton::clicked, this, &HistoryData::slotExportCSV);
    connect(m_bntExportPDF, &QPushButton::clicked, this, &HistoryData::slotExportPDF);
    connect(&m_thread, &ReadThread::signalClearText, this, &HistoryData::slotClearText);
    connect(&m_thread, &ReadThread::signalAddText, this, &HistoryData::slotAddText);
    connect(&m_thread, &ReadThread::signalShowError, this, &HistoryData::slotShowError);
    connect(&m_thread, &QThread::started, this, &HistoryData::slotThreadStarted);
    connect(&m_thread, &QThread::finished, this, &HistoryData::slotThreadFinished);
    connect(&m_flushTimer, &QTimer::timeout, this, &HistoryData::slotFlushText);
    connect(&m_chartTimer, &QTimer::timeout, this, &HistoryData::slotUpdateChart);
    connect(&m_tableTimer, &QTimer::timeout, this, &HistoryData::slotFillTable);
    connect(m_chartView, &HistoryChartView::signalShowError, this, &HistoryData::slotShowError);
}

HistoryData::~HistoryData()
{
    // Whatever way the dialog went, the thread must be over before it dies.
    m_thread.requestStop();
    m_thread.wait();
    // An export ends with its file; the program must not end beneath it.
    if (m_exportThread)
        m_exportThread->wait();
}

void HistoryData::setupForm()
{
    setObjectName(QStringLiteral("HistoryData"));
    resize(712, 528);
    setWindowTitle(tr("历史数据"));

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    auto *horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));

    m_label = new QLabel(tr("起始日期:"), this);
    m_label->setObjectName(QStringLiteral("label"));
    m_dateStart = new QDateEdit(QDate::currentDate(), this);
    m_dateStart->setObjectName(QStringLiteral("dateStart"));
    m_dateStart->setCalendarPopup(true);
    m_dateStart->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_label2 = new QLabel(tr("结束日期:"), this);
    m_label2->setObjectName(QStringLiteral("label_2"));
    m_dateEnd = new QDateEdit(QDate::currentDate(), this);
    m_dateEnd->setObjectName(QStringLiteral("dateEnd"));
    m_dateEnd->setCalendarPopup(true);
    m_dateEnd->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    // The request carries two-digit years: other centuries would reach the
    // instrument as a different range.
    for (QDateEdit *edit : {m_dateStart, m_dateEnd})
        edit->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    m_bntQuery = new QPushButton(tr("查询"), this);
    m_bntQuery->setObjectName(QStringLiteral("bntQuery"));
    m_bntExportCSV = new QPushButton(tr("导出CSV"), this);
    m_bntExportCSV->setObjectName(QStringLiteral("bntExportCSV"));
    m_bntExportPDF = new QPushButton(tr("导出PDF"), this);
    m_bntExportPDF->setObjectName(QStringLiteral("bntExportPDF"));
    // Enter in a date edit must not run a query behind the user's back.
    for (QPushButton *b : {m_bntQuery, m_bntExportCSV, m_bntExportPDF})
        b->setAutoDefault(false);

    horizontalLayout->addWidget(m_label);
    horizontalLayout->addWidget(m_dateStart);
    horizontalLayout->addWidget(m_label2);
    horizontalLayout->addWidget(m_dateEnd);
    horizontalLayout->addWidget(m_bntQuery);
    horizontalLayout->addWidget(m_bntExportCSV);
    horizontalLayout->addWidget(m_bntExportPDF);
    horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(horizontalLayout);

    m_textEdit = new QPlainTextEdit(this);
    m_textEdit->setObjectName(QStringLiteral("textEdit"));
    // Hex dumps and record columns line up only in a fixed-pitch font.
    m_textEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_textEdit->setReadOnly(true);
    m_textEdit->setLineWrapMode(QPlainTextEdit::NoWrap);

    m_tableModel = new HistoryTableModel(this);
    m_sortModel = new QSortFilterProxyModel(this);
    m_sortModel->setSourceModel(m_tableModel);
    m_sortModel->setSortRole(HistoryTableModel::SortRole);
    m_tableView = new QTableView(this);
    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setModel(m_sortModel);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setWordWrap(false);
    // Rows of one height: a year of records must not be measured row by row.
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tableView->verticalHeader()->setDefaultSectionSize(m_tableView->fontMetrics().height() + 6);
    // Arrival order until the user picks a column.
    m_tableView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_tableView->setSortingEnabled(true);
    // Column widths from the first rows, not from a thousand of them.
    m_tableView->horizontalHeader()->setResizeContentsPrecision(50);

    m_chartView = new HistoryChartView(this);
    m_chartView->setObjectName(QStringLiteral("chartTab"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabViews"));
    m_tabs->addTab(m_textEdit, tr("文本"));
    m_tabs->addTab(m_tableView, tr("表格"));
    m_tabs->addTab(m_chartView, tr("图表"));
    verticalLayout->addWidget(m_tabs, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("labelStatus"));
    // A long note must not widen the dialog.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    verticalLayout->addWidget(m_status);

    setTabOrder(m_bntQuery, m_dateStart);
    setTabOrder(m_dateStart, m_dateEnd);
    setTabOrder(m_dateEnd, m_bntExportCSV);
    setTabOrder(m_bntExportCSV, m_bntExportPDF);
}

QString HistoryData::viewText()
{
    slotFlushText();
    return m_textEdit->toPlainText();
}

void HistoryData::slotQueryHistory()
{
    if (m_thread.isRunning() || closePending())
        return;
    const QDate start = m_dateStart->date();
    const QDate end = m_dateEnd->date();
    const QString refusal = historyRangeMessage(start, end);
    if (!refusal.isEmpty()) {
        slotShowError(tr("查询"), refusal);
        return;
    }
    m_thread.startQuery(buildHistoryRequest(start, end), kHistoryInterChunkWaitMs);
    // started() comes queued; the button must not take a second click first.
    m_bntQuery->setEnabled(false);
}

void HistoryData::slotExportCSV()
{
    if (m_exporting)
        return;
    const QString fileName
        = withDefaultSuffix(m_saveFileName(this, tr("导出历史数据"), QStringLiteral("Files (*.csv)")), QStringLiteral("csv"));
    if (!fileName.isEmpty())
        startExport(fileName, false);
}

void HistoryData::slotExportPDF()
{
    if (m_exporting)
        return;
    const QString fileName
        = withDefaultSuffix(m_saveFileName(this, tr("导出历史数据"), QStringLiteral("Files (*.pdf)")), QStringLiteral("pdf"));
    if (!fileName.isEmpty())
        startExport(fileName, true);
}

void HistoryData::startExport(const QString &fileName, bool pdf)
{
    const QString text = viewText();
    QPointer<HistoryData> self(this);
    // A PDF of a long answer takes seconds; a painter on a PDF writer, unlike
    // widgets, works on any thread.
    QThread *thread = QThread::create([text, fileName, pdf, self] {
        const QString error = pdf ? exportHistoryPdf(fileName, text) : exportHistoryCsv(fileName, text);
        QMetaObject::invokeMethod(qApp, [self, error] {
            if (self)
                self->slotExportDone(error);
        });
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_exportThread = thread;
    m_exporting = true;
    m_bntExportCSV->setEnabled(false);
    m_bntExportPDF->setEnabled(false);
    setWindowTitle(tr("历史数据") + tr(" - 正在导出..."));
    setCursor(Qt::BusyCursor);
    thread->start();
}

void HistoryData::slotExportDone(const QString &error)
{
    unsetCursor();
    m_exporting = false;
    m_bntExportCSV->setEnabled(true);
    m_bntExportPDF->setEnabled(true);
    if (!closePending())
        setWindowTitle(tr("历史数据"));
    if (!error.isEmpty())
        slotShowError(tr("导出配置"), error);
    emit exportFinished(error);
}

void HistoryData::slotClearText()
{
    m_flushTimer.stop();
    m_pendingText.clear();
    m_textEdit->clear();
    m_chartTimer.stop();
    m_tableTimer.stop();
    m_tableLines.clear();
    m_tableModel->clear();
    m_columnsSized = false;
    m_chartView->setSeries({});
    m_chartNotes.clear();
    m_status->clear();
}

void HistoryData::slotAddText(QString text)
{
    // Line by line: a CR cut off from its LF stays a line end of its own,
    // as zrvu-cli prints it.
    m_pendingText.append(historyViewText(text));
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void HistoryData::slotFlushText()
{
    m_flushTimer.stop();
    if (m_pendingText.isEmpty())
        return;
    // Follow the end only when the user has not scrolled away from it.
    QScrollBar *bar = m_textEdit->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(m_textEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(m_pendingText);
    if (m_dataViews) {
        QStringList lines = m_pendingText.split(QLatin1Char('\n'));
        if (lines.last().isEmpty())
            lines.removeLast();
        m_tableLines += lines;
        if (!m_tableTimer.isActive())
            m_tableTimer.start();
    }
    m_pendingText.clear();
    if (atEnd) {
        m_textEdit->moveCursor(QTextCursor::End);
        bar->setValue(bar->maximum());
    }
}

void HistoryData::slotFillTable()
{
    m_tableTimer.stop();
    if (!m_tableLines.isEmpty()) {
        // A bounded share per turn of the event loop: a fast answer hands
        // over thousands of lines per flush.
        int take = 0;
        for (int chars = 0; take < std::min(int(m_tableLines.size()), kTableLinesPerTurn)
             && (take == 0 || chars < kTableCharsPerTurn);
             ++take)
            chars += m_tableLines.at(take).size();
        const QStringList lines = m_tableLines.mid(0, take);
        m_tableLines.erase(m_tableLines.begin(), m_tableLines.begin() + take);
        const int columns = m_tableModel->columnCount();
        m_tableModel->addLines(lines);
        if (!m_columnsSized || m_tableModel->columnCount() != columns) {
            m_columnsSized = m_tableModel->rowCount() > 0;
            m_tableView->resizeColumnsToContents();
            // Room for longer values than the first rows have, and for the
            // sort indicator beside the title.
            QHeaderView *header = m_tableView->horizontalHeader();
            for (int c = 0; c < header->count(); ++c)
                header->resizeSection(c, header->sectionSize(c) + 3 * fontMetrics().averageCharWidth());
        }
        showStatus();
        if (!m_chartTimer.isActive())
            m_chartTimer.start();
    }
    if (!m_tableLines.isEmpty())
        m_tableTimer.start();
    else if (!m_thread.isRunning() && m_chartTimer.isActive())
        slotUpdateChart(); // the answer is complete: no need to wait for the beat
}

void HistoryData::slotUpdateChart()
{
    m_chartTimer.stop();
    if (!m_dataViews)
        return;
    HistoryChartNotes notes;
    m_chartView->setSeries(historySeries(m_tableModel->table(), {}, &notes));
    m_chartNotes = notes.text();
    showStatus();
}

void HistoryData::showStatus()
{
    QString text = m_tableModel->table().summary();
    if (!m_chartNotes.isEmpty())
        text += tr("；") + m_chartNotes;
    m_status->setText(text);
}

void HistoryData::slotShowError(QString title, QString error)
{
    showWorkerError(title, error);
}

void HistoryData::slotThreadStarted()
{
    m_bntQuery->setEnabled(false);
}

void HistoryData::slotThreadFinished()
{
    m_thread.deliverAll();
    slotFlushText();
    if (m_chartTimer.isActive() && m_tableLines.isEmpty())
        slotUpdateChart();
    if (finishPendingClose())
        return;
    m_bntQuery->setEnabled(true);
}

void HistoryData::showClosePending()
{
    m_bntQuery->setEnabled(false);
    setWindowTitle(tr("历史数据") + tr(" - 正在停止查询..."));
}
