#pragma once

#include "history/historylines.h"
#include "link/datareceiver.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

// Runs one history query: sends the request over a link of its own and
// hands the answer on line by line until the instrument falls silent.
class ReadThread : public QThread, public DDataReceiver
{
    Q_OBJECT

public:
    explicit ReadThread(QObject *parent = nullptr);
    ~ReadThread() override;

    // Only while idle.
    void startQuery(const QByteArray &request, int interChunkWait);
    void requestStop();

    bool isStopped() override;
    void onError(const QString &error) override;
    void onData(const QByteArray &data) override;

signals:
    void signalClearText();
    void signalAddText(QString text);
    void signalShowError(QString title, QString error);

protected:
    void run() override;

private:
    void flush(const QByteArray &line);

    std::atomic_bool m_stop{false};
    HistoryLineSplitter m_lines;
    int m_interChunkWait = 500;
    QByteArray m_request;
};
