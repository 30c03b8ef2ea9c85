#pragma once

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>

// Fetches the catalogue page and keeps its package name → link list.
class DeviceTypeMgr : public QThread
{
    Q_OBJECT

public:
    explicit DeviceTypeMgr(QObject *parent = nullptr);
    ~DeviceTypeMgr() override;

    // The page address; empty: the setting update/catalogue.
    void setCatalogueUrl(const QString &url) { m_url = url; }
    static QString configuredCatalogueUrl();

    QByteArray fetchCatalogue();
    bool parseCatalogue(const QByteArray &page);
    QMap<QString, QString> typeList() const;
    void stopFetch();

signals:
    void signalShowErrorMessage(const QString &error);
    void signalFinished();

protected:
    void run() override;

private:
    std::atomic_bool m_stop{false};
    QMap<QString, QString> m_typeList;
    mutable QMutex m_listLock;
    QString m_url;
    QString m_fetchUrl;
};
