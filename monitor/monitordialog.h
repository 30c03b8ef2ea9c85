#pragma once

#include "monitor/monitorlines.h"
#include "monitor/monitorthread.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// Shows the text lines the instrument emits while the monitor runs.
class MonitorDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MonitorDialog(QWidget *parent);
    ~MonitorDialog() override;

    // The time stamped on displayed lines (tests fix it).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    MonitorThread *monitorThread() { return &m_thread; }
    MonitorFormat currentFormat() const;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void slotClearText();
    void slotThreadStarted();
    void slotThreadFinished();
    void slotShowError(const QString &title, const QString &error);
    void slotDataRecv(const QByteArray &buffer);
    void slotLinesDropped(qint64 count);

private:
    void setupForm();
    void appendText(const QString &text);
    // False while the run is still winding down; the dialog closes itself
    // once the thread has finished.
    bool stopForClose();

    QRadioButton *m_rdOriginal = nullptr;
    QRadioButton *m_rdHex = nullptr;
    QRadioButton *m_rdOriginalHex = nullptr;
    QCheckBox *m_ckDebug = nullptr;
    QPushButton *m_bntStart = nullptr;
    QPushButton *m_bntStop = nullptr;
    QPushButton *m_bntClear = nullptr;
    QPlainTextEdit *m_textEdit = nullptr;

    MonitorThread m_thread;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    bool m_closePending = false;
    // Follow new lines while the view is at its bottom; the user scrolling
    // up clears it, scrolling back down sets it again.
    bool m_follow = true;
};
