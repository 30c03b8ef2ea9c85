#pragma once

#include <QAtomicInt>
#include <QThread>

// An instrument whose item list never ends: every item read on loopback UDP
// gets a non-empty item, up to `limit` answers (then it falls silent, so a
// reader without its own bound fails instead of hanging the suite).
class EndlessInstrument : public QThread
{
public:
    explicit EndlessInstrument(int limit);
    ~EndlessInstrument() override;

    bool startListening();
    quint16 port() const { return m_port; }
    int answered() const { return m_answered.loadAcquire(); }

protected:
    void run() override;

private:
    int m_limit;
    quint16 m_port = 0;
    QAtomicInt m_answered;
    QAtomicInt m_ready;
};
