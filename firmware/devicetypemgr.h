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

    // The page address; empty: the setting update/catalogue, which is empty
    // until the user sets it (then nothing is requested).
    void setCatalogueUrl(const QString &url) { m_url = url; }
    static QString configuredCatalogueUrl();
    // An absolute http or https address with a host.
    static bool isValidCatalogueUrl(const QString &address);
    static QString noCatalogueText();
    static QString invalidCatalogueText();
    // Tabs, line breaks, NUL and the other C0/C1 controls.
    static bool hasControlCharacter(const QString &text);

    // Far above any real catalogue page (which nests a dozen levels); an
    // endless or deeply nested page fails there.
    static constexpr int maxPageBytes = 4 * 1024 * 1024;
    static constexpr int maxNesting = 256;

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
