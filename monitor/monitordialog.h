#pragma once

#include "link/workerdialog.h"
#include "monitor/monitorlines.h"
#include "monitor/monitorlogfile.h"
#include "monitor/monitorthread.h"

#include <QDateTime>

#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// Shows the text lines the instrument emits while the monitor runs.
class MonitorDialog : public WorkerDialog
{
    Q_OBJECT

public:
    explicit MonitorDialog(QWidget *parent);
    ~MonitorDialog() override;

    // The time stamped on displayed lines (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    MonitorThread *monitorThread() { return &m_thread; }
    MonitorFormat currentFormat() const;
    // Asks for a file name to save or log to; replaceable so that tests
    // need no file dialog.
    using FileNameProvider = std::function<QString(const QString &caption)>;
    void setFileNameProvider(FileNameProvider provider) { m_fileNameProvider = std::move(provider); }
    MonitorLogFile *logFile() { return &m_logFile; }
    QString viewText() const;

signals:
    // A save started with 保存 has ended; message is empty on success.
    void saveFinished(bool ok, const QString &message);

private slots:
    void slotClearText();
    void slotThreadStarted();
    void slotThreadFinished();
    void slotShowError(const QString &title, const QString &error);
    void slotDataRecv(const QByteArray &buffer);
    void slotLinesDropped(qint64 count);
    void slotSave();
    void slotLogToFile(bool on);
    void slotLogFailed(const QString &message);

private:
    void setupForm();
    void appendText(const QString &text);
    void showClosePending() override;

    QRadioButton *m_rdOriginal = nullptr;
    QRadioButton *m_rdHex = nullptr;
    QRadioButton *m_rdOriginalHex = nullptr;
    QCheckBox *m_ckDebug = nullptr;
    QPushButton *m_bntStart = nullptr;
    QPushButton *m_bntStop = nullptr;
    QPushButton *m_bntClear = nullptr;
    QPushButton *m_bntSave = nullptr;
    QCheckBox *m_ckLogFile = nullptr;
    QPlainTextEdit *m_textEdit = nullptr;

    MonitorThread m_thread;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    MonitorLogFile m_logFile;
    FileNameProvider m_fileNameProvider;
    // Follow new lines while the view is at its bottom; the user scrolling
    // up clears it, scrolling back down sets it again.
    bool m_follow = true;
};
