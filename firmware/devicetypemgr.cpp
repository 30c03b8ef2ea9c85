#include "firmware/devicetypemgr.h"

#include "firmware/httpget.h"
#include "settings/config.h"

#include <QDomDocument>
#include <QMutexLocker>

namespace {

constexpr int kPollMs = 50;

} // namespace

DeviceTypeMgr::DeviceTypeMgr(QObject *parent)
    : QThread(parent)
{
}

DeviceTypeMgr::~DeviceTypeMgr()
{
    stopFetch();
}

QString DeviceTypeMgr::configuredCatalogueUrl()
{
    return configSettings()
        ->value(QStringLiteral("update/catalogue"), QStringLiteral("http://catalogue.invalid/down.html"))
        .toString();
}

QByteArray DeviceTypeMgr::fetchCatalogue()
{
    HttpGet get(m_fetchUrl);
    QNetworkReply *reply = get.reply();
    QByteArray body;
    if (!reply)
        return body;
    bool complete = false;
    while (!reply->isFinished()) {
        if (complete || m_stop)
            break;
        get.waitForActivity(kPollMs);
        const QByteArray chunk = reply->readAll();
        if (!chunk.isEmpty()) {
            body.append(chunk);
            complete = get.contentLength() == body.size();
        }
    }
    if (m_stop)
        return QByteArray();
    // What arrived together with the end of the transfer.
    body.append(reply->readAll());
    // An error page is no catalogue, however well-formed.
    if (reply->error() != QNetworkReply::NoError || get.status() >= 400)
        return QByteArray();
    return body;
}

bool DeviceTypeMgr::parseCatalogue(const QByteArray &page)
{
    QDomDocument doc;
    doc.setContent(page);
    const QDomElement root = doc.documentElement();
    if (root.isNull() || root.tagName() != QLatin1String("html"))
        return false;
    const QDomElement inner = root.firstChildElement(QStringLiteral("body"))
                                  .firstChildElement(QStringLiteral("div"))
                                  .firstChildElement(QStringLiteral("div"));
    QDomElement entry = inner.isNull() ? QDomElement() : inner.nextSiblingElement();
    if (entry.isNull())
        return false;
    QMutexLocker lock(&m_listLock);
    for (; !entry.isNull(); entry = entry.nextSiblingElement()) {
        const QString name = entry.firstChildElement(QStringLiteral("div")).text().trimmed();
        const QString link = entry.lastChildElement(QStringLiteral("div"))
                                 .firstChildElement(QStringLiteral("a"))
                                 .attribute(QStringLiteral("href"))
                                 .trimmed();
        m_typeList.insert(name, link);
    }
    return true;
}

QMap<QString, QString> DeviceTypeMgr::typeList() const
{
    QMutexLocker lock(&m_listLock);
    return m_typeList;
}

void DeviceTypeMgr::stopFetch()
{
    if (!isRunning())
        return;
    m_stop = true;
    wait();
}

void DeviceTypeMgr::run()
{
    m_fetchUrl = m_url.isEmpty() ? configuredCatalogueUrl() : m_url;
    const QByteArray body = fetchCatalogue();
    const bool stopped = m_stop.exchange(false);
    if (stopped)
        return;
    if (parseCatalogue(body))
        emit signalFinished();
    else
        emit signalShowErrorMessage(tr("获取设备列表失败,请重试!"));
}
