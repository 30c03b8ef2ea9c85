#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

struct CatalogueHooks {
    // Polled while the page arrives; may be empty.
    std::function<bool()> stopRequested;
};

struct CatalogueOutcome {
    Q_GADGET
public:
    enum Status {
        Listed,         // entries: the page's name -> link list
        NotConfigured,  // no address was given or stored
        InvalidAddress, // not an absolute http or https address with a host
        // failure says why: Interrupted (the stop ended the transfer; no
        // message) or CatalogueFailed (unreachable, an error page, too
        // large or no entry list).
        Failed,
    };
    Q_ENUM(Status)
    Status status = Failed;
    Failure::Code failure = Failure::CatalogueFailed; // None for Listed
    QString url;
    QMap<QString, QString> entries;
};

// The page body as received (empty after a stop, an error page or past
// DeviceTypeMgr::maxPageBytes).
QByteArray fetchCataloguePage(const QString &url, const std::function<bool()> &stopRequested);
// The page's entries; false when the page holds no entry list. Names and
// links with control characters are left out.
bool parseCataloguePage(const QByteArray &page, QMap<QString, QString> *entries);
// Fetches and parses the page at `url` (already resolved: empty means
// nothing is configured, and nothing is requested).
CatalogueOutcome fetchCatalogue(const QString &url, const CatalogueHooks &hooks);
// The user's text for an outcome (context DeviceTypeMgr); empty for Listed
// and the stop.
QString catalogueMessage(const CatalogueOutcome &outcome);

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
    // Names seen before stay; a name seen again takes its newest link.
    void addEntries(const QMap<QString, QString> &entries);

    std::atomic_bool m_stop{false};
    QMap<QString, QString> m_typeList;
    mutable QMutex m_listLock;
    QString m_url;
    QString m_fetchUrl;
};
