#include "tools/zrsim/simdevice.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// {"write":{"sn":"X"}} as plain Latin-1 text, answered with {"sn":"X"}.
class SimSerialNumber : public SimFeature
{
public:
    QString name() const override { return QStringLiteral("serial-number"); }

    void addOptions(QCommandLineParser &parser) override
    {
        parser.addOption({QStringLiteral("sn-reply"),
                          QStringLiteral("Answer a serial-number write with exactly TEXT (Latin-1)."),
                          QStringLiteral("TEXT")});
    }

    bool configure(const QCommandLineParser &parser, QString *error) override
    {
        Q_UNUSED(error)
        m_fixedReply = parser.isSet(QStringLiteral("sn-reply"));
        m_reply = parser.value(QStringLiteral("sn-reply")).toLatin1();
        return true;
    }

    bool handle(SimDevice &device, const QByteArray &r, QList<SimChunk> &reply) override
    {
        if (r.isEmpty() || r[0] != '{')
            return false;
        const QJsonDocument doc = QJsonDocument::fromJson(r);
        const QJsonValue sn = doc.object().value(QStringLiteral("write")).toObject().value(QStringLiteral("sn"));
        if (!doc.isObject() || !sn.isString())
            return false;
        device.status(QStringLiteral("SN %1").arg(sn.toString()));
        const QByteArray answer =
            m_fixedReply ? m_reply : QByteArrayLiteral("{\"sn\":\"") + sn.toString().toLatin1() + QByteArrayLiteral("\"}");
        if (!answer.isEmpty())
            reply.append({answer, 0});
        return true;
    }

private:
    bool m_fixedReply = false;
    QByteArray m_reply;
};

} // namespace

SimFeature *createSimSerialNumber()
{
    return new SimSerialNumber;
}
