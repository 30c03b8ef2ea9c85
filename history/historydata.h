#pragma once

#include "history/readthread.h"
#include "link/workerdialog.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class HistoryChartView;
class HistoryTableModel;
class QDateEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// Date range query of the instrument's history records, shown as text and
// exported as CSV or as a PDF table.
class HistoryData : public WorkerDialog
{
    Q_OBJECT

public:
    // (parent, caption, filter) → chosen file name, empty when cancelled.
    using SaveFileNameProvider = std::function<QString(QWidget *, const QString &, const QString &)>;

    explicit HistoryData(QWidget *parent);
    ~HistoryData() override;

    // Tests and scripted use replace the file dialog.
    void setSaveFileNameProvider(SaveFileNameProvider provider) { m_saveFileName = std::move(provider); }
    ReadThread *readThread() { return &m_thread; }
    // The view's text including lines not yet shown.
    QString viewText();
    HistoryTableModel *tableModel() const { return m_tableModel; }
    HistoryChartView *chartView() const { return m_chartView; }
    // Off: the text view alone, as a baseline for measurements.
    void setDataViewsEnabled(bool on) { m_dataViews = on; }
    bool isExporting() const { return m_exporting; }

signals:
    // An export has ended: an empty error when the file was written.
    void exportFinished(const QString &error);

private slots:
    void slotQueryHistory();
    void slotExportCSV();
    void slotExportPDF();
    void slotClearText();
    void slotAddText(QString text);
    void slotShowError(QString title, QString error);
    void slotThreadStarted();
    void slotThreadFinished();
    void slotFlushText();
    void slotUpdateChart();
    void slotFillTable();
    void slotExportDone(const QString &error);

private:
    // Writes the file off the GUI thread; one export at a time.
    void startExport(const QString &fileName, bool pdf);
    void setupForm();
    void showStatus();
    void showClosePending() override;

    QLabel *m_label = nullptr;
    QDateEdit *m_dateStart = nullptr;
    QLabel *m_label2 = nullptr;
    QDateEdit *m_dateEnd = nullptr;
    QPushButton *m_bntQuery = nullptr;
    QPushButton *m_bntExportCSV = nullptr;
    QPushButton *m_bntExportPDF = nullptr;
    QPlainTextEdit *m_textEdit = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTableView *m_tableView = nullptr;
    HistoryTableModel *m_tableModel = nullptr;
    QSortFilterProxyModel *m_sortModel = nullptr;
    HistoryChartView *m_chartView = nullptr;
    QLabel *m_status = nullptr;

    ReadThread m_thread;
    // Lines arrive one signal each; appending them in batches keeps a long
    // answer from re-laying out the view per line.
    QString m_pendingText;
    QTimer m_flushTimer;
    // The chart is redrawn from all records; a slower beat than the text's
    // keeps that from adding up while a long answer arrives.
    QTimer m_chartTimer;
    // Lines waiting for the table, taken a share at a time.
    QStringList m_tableLines;
    QTimer m_tableTimer;
    QString m_chartNotes; // what the chart left out
    bool m_dataViews = true;
    bool m_columnsSized = false;
    bool m_exporting = false;
    QPointer<QThread> m_exportThread;
    SaveFileNameProvider m_saveFileName;
};
