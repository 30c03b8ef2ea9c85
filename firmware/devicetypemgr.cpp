#include "firmware/devicetypemgr.h"

#include "firmware/httpget.h"
#include "settings/settingkeys.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

constexpr int kPollMs = 50;
constexpr int kMaxPageBytes = DeviceTypeMgr::maxPageBytes;
constexpr qint64 kPageReadBufferBytes = 256 * 1024;

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
    // No address until the user sets one: a made-up default would still
    // cost a name lookup on every refresh.
    return SettingKeys::updateCatalogue.read().trimmed();
}

QString DeviceTypeMgr::noCatalogueText()
{
    return tr("未设置设备列表地址!");
}

QString DeviceTypeMgr::invalidCatalogueText()
{
    return tr("设备列表地址无效,请输入 http 或 https 地址!");
}

bool DeviceTypeMgr::isValidCatalogueUrl(const QString &address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

bool DeviceTypeMgr::hasControlCharacter(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QByteArray fetchCataloguePage(const QString &url, const std::function<bool()> &stopRequested)
{
    auto stopped = [&] { return stopRequested && stopRequested(); };
    HttpGet get(url);
    QNetworkReply *reply = get.reply();
    QByteArray body;
    if (!reply)
        return body;
    // Qt would otherwise buffer an endless page until memory runs out.
    reply->setReadBufferSize(kPageReadBufferBytes);
    bool complete = false;
    bool tooLarge = false;
    auto drain = [&]() {
        // A reply cancelled by its timeout is closed.
        if (!reply->isOpen())
            return;
        const QByteArray chunk = reply->read(kMaxPageBytes + 1 - body.size());
        if (chunk.isEmpty())
            return;
        body.append(chunk);
        tooLarge = body.size() > kMaxPageBytes;
        complete = get.contentLength() == body.size();
    };
    while (!reply->isFinished()) {
        // An announced size over the cap is refused before its body.
        tooLarge = tooLarge || get.contentLength() > kMaxPageBytes;
        if (complete || tooLarge || stopped())
            break;
        get.waitForActivity(kPollMs);
        drain();
    }
    if (stopped() || tooLarge)
        return QByteArray();
    // What arrived together with the end of the transfer.
    while (!tooLarge && reply->isOpen() && reply->bytesAvailable() > 0)
        drain();
    if (tooLarge)
        return QByteArray();
    // An error page is no catalogue, however well-formed.
    if (reply->error() != QNetworkReply::NoError || get.status() >= 400)
        return QByteArray();
    return body;
}

bool parseCataloguePage(const QByteArray &page, QMap<QString, QString> *entriesOut)
{
    if (page.size() > kMaxPageBytes)
        return false;
    // A stream reader does not recurse, so a deeply nested page cannot
    // exhaust the stack, and the whole page must parse before anything of
    // it is taken.
    QXmlStreamReader xml(page);
    xml.setNamespaceProcessing(false);

    // How far the path html > body > div > div (the inner div) is matched:
    // the element at depth n is the path's n-th step. Each step is the first
    // child of its name; the entries are the inner div's later siblings.
    int matched = 0;
    bool pathClosed = false; // the body or the outer div has ended
    int depth = 0;

    struct Entry {
        QString name;
        QString link;
    };
    QList<Entry> entries;
    bool inEntry = false;
    bool haveNameDiv = false;
    bool inNameDiv = false;
    bool inDiv = false; // one of the entry's child divs
    bool divHasLink = false;
    QString name;
    QString divLink;
    QString lastDivLink;

    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++depth > DeviceTypeMgr::maxNesting)
                return false;
            const QStringRef tag = xml.qualifiedName();
            if (depth == 1) {
                if (tag != QLatin1String("html"))
                    return false;
                matched = 1;
            } else if (pathClosed) {
            } else if (depth == matched + 1 && matched < 4
                       && tag == QLatin1String(matched == 1 ? "body" : "div")) {
                matched = depth;
            } else if (matched == 4 && depth == 4) {
                inEntry = true;
                haveNameDiv = false;
                name.clear();
                lastDivLink.clear();
            } else if (inEntry && depth == 5 && tag == QLatin1String("div")) {
                inNameDiv = !haveNameDiv;
                haveNameDiv = true;
                inDiv = true;
                divHasLink = false;
                divLink.clear();
            } else if (inDiv && depth == 6 && !divHasLink && tag == QLatin1String("a")) {
                divHasLink = true;
                divLink = xml.attributes().value(QLatin1String("href")).toString().trimmed();
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (inEntry && depth == 5 && inDiv) {
                lastDivLink = divLink;
                inDiv = false;
                inNameDiv = false;
            } else if (inEntry && depth == 4) {
                inEntry = false;
                entries.append({name.trimmed(), lastDivLink});
            } else if (!pathClosed && (depth == 2 || depth == 3) && matched >= depth) {
                pathClosed = true;
            }
            --depth;
            break;
        case QXmlStreamReader::Characters:
            // Whitespace-only text between elements is not part of a name.
            if (inNameDiv && !xml.isWhitespace())
                name += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError() || entries.isEmpty())
        return false;

    for (const Entry &e : qAsConst(entries)) {
        // A tab or a line break would split the name<TAB>link lines; no
        // control character belongs in a name or an address.
        if (DeviceTypeMgr::hasControlCharacter(e.name) || DeviceTypeMgr::hasControlCharacter(e.link))
            continue;
        entriesOut->insert(e.name, e.link);
    }
    return true;
}

CatalogueOutcome fetchCatalogue(const QString &url, const CatalogueHooks &hooks)
{
    CatalogueOutcome out;
    out.url = url;
    if (url.isEmpty()) {
        out.status = CatalogueOutcome::NotConfigured;
        return out;
    }
    if (!DeviceTypeMgr::isValidCatalogueUrl(url)) {
        out.status = CatalogueOutcome::InvalidAddress;
        return out;
    }
    const QByteArray body = fetchCataloguePage(url, hooks.stopRequested);
    if (hooks.stopRequested && hooks.stopRequested()) {
        out.status = CatalogueOutcome::Failed;
        out.failure = Failure::Interrupted;
        return out;
    }
    if (parseCataloguePage(body, &out.entries)) {
        out.status = CatalogueOutcome::Listed;
        out.failure = Failure::None;
    }
    return out;
}

QString catalogueMessage(const CatalogueOutcome &outcome)
{
    switch (outcome.status) {
    case CatalogueOutcome::Listed:
        return QString();
    case CatalogueOutcome::NotConfigured:
        return DeviceTypeMgr::noCatalogueText();
    case CatalogueOutcome::InvalidAddress:
        return DeviceTypeMgr::invalidCatalogueText();
    case CatalogueOutcome::Failed:
        if (outcome.failure == Failure::Interrupted)
            return QString();
        break;
    }
    return QCoreApplication::translate("DeviceTypeMgr", "获取设备列表失败,请重试!");
}

QByteArray DeviceTypeMgr::fetchCatalogue()
{
    return fetchCataloguePage(m_fetchUrl, [this] { return m_stop.load(); });
}

bool DeviceTypeMgr::parseCatalogue(const QByteArray &page)
{
    QMap<QString, QString> entries;
    if (!parseCataloguePage(page, &entries))
        return false;
    addEntries(entries);
    return true;
}

void DeviceTypeMgr::addEntries(const QMap<QString, QString> &entries)
{
    QMutexLocker lock(&m_listLock);
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        m_typeList.insert(it.key(), it.value());
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
    CatalogueHooks hooks;
    hooks.stopRequested = [this] { return m_stop.load(); };
    const CatalogueOutcome outcome = ::fetchCatalogue(m_fetchUrl, hooks);
    m_stop = false;
    if (outcome.failure == Failure::Interrupted)
        return;
    if (outcome.status == CatalogueOutcome::Listed) {
        addEntries(outcome.entries);
        emit signalFinished();
        return;
    }
    emit signalShowErrorMessage(catalogueMessage(outcome));
}
