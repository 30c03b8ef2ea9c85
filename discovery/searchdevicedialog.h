#pragma once

#include "discovery/dsearchdevicethread.h"
#include "discovery/searchdevicedialoginterf.h"

#include <QDialog>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPair>

#include <optional>

namespace Ui {
class SearchDeviceDialog;
}
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidgetItem;

// Lists the instruments that answer the discovery broadcast; the one the
// user picks is the result (selectedHostAddress/selectedHostPort) once the
// dialog was accepted. Any dismissal while a search runs ends the search
// and waits for the worker before the dialog closes.
class SearchDeviceDialog : public QDialog, public SearchDeviceDialogInterf
{
    Q_OBJECT

public:
    explicit SearchDeviceDialog(QWidget *parent = nullptr);
    ~SearchDeviceDialog() override;

    SearchDeviceDialog *searchDeviceDialog() override { return this; }

    QHostAddress selectedHostAddress() const { return m_selectedHostAddress; }
    quint16 selectedHostPort() const { return m_selectedHostPort; }
    // Until the search's last report has arrived, not only while it runs.
    bool isSearching() const { return m_thread.isRunning() || m_reportsPending; }

    // Every dialog built afterwards searches these targets on this port with
    // this wait instead of the interfaces' broadcast addresses on port 1500
    // (tests keep the search on loopback this way); resetSearchOverride() ends it.
    struct SearchOverride {
        QList<QHostAddress> targets;
        quint16 port = DSearchDeviceThread::defaultPort;
        int listenMs = DSearchDeviceThread::defaultListenMs;
    };
    static void setSearchOverride(const SearchOverride &override);
    static void resetSearchOverride();

public slots:
    void done(int result) override;

private slots:
    void slotSearchDevice();
    void slotCommit();
    void slotSetEnableButtons(bool enable);
    void slotInsertDevice(const QString &content, const QHostAddress &hostAddress, quint16 hostPort);
    void slotItemDoubleClicked(QListWidgetItem *item);

private:
    void choose(QListWidgetItem *item);
    void addTargetChoice(const QList<QHostAddress> &broadcast);
    void stopSearch();

    Ui::SearchDeviceDialog *m_ui = nullptr;
    DSearchDeviceThread m_thread{this};
    QHostAddress m_selectedHostAddress;
    quint16 m_selectedHostPort = 0;
    QMap<QListWidgetItem *, QPair<QHostAddress, quint16>> m_devices;
    QGroupBox *m_targetBox = nullptr;
    QList<QPair<QCheckBox *, QHostAddress>> m_targetChecks;
    QLineEdit *m_direct = nullptr;
    bool m_reportsPending = false;

    static std::optional<SearchOverride> s_override;
};
