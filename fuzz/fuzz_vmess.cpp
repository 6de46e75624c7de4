// A server link through the parser and on into the core configuration, which
// must always be JSON that carries the link's address and id unchanged.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "FuzzSupport.h"
#include "vpn/V2RayCore.h"
#include "vpn/VmessParser.h"

using Orvo::Api::Vpn::V2RayCore;
using Orvo::Api::Vpn::VmessConfig;
using Orvo::Api::Vpn::VmessParser;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString link = QString::fromUtf8(Orvo::Fuzz::bytes(data, size));
    VmessConfig config;
    try {
        config = VmessParser::parse(link);
    } catch (const QString &) {
        return 0; // a refusal is a fine answer to a bad link
    }

    for (const bool global : { true, false }) {
        config.globalRouting = global;
        QJsonParseError error;
        const QJsonDocument document
            = QJsonDocument::fromJson(V2RayCore::generateConfig(config).toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            Orvo::Fuzz::fail("the configuration is not a JSON object");
        bool found = false;
        const QJsonArray outbounds = document.object().value(QStringLiteral("outbounds")).toArray();
        for (const QJsonValue &outbound : outbounds) {
            const QJsonObject proxy = outbound.toObject();
            if (proxy.value(QStringLiteral("tag")).toString() != QLatin1String("proxy"))
                continue;
            found = true;
            if (proxy.value(QStringLiteral("server")).toString() != config.address)
                Orvo::Fuzz::fail("the server address changed on its way into the configuration");
            if (proxy.value(QStringLiteral("uuid")).toString() != config.id)
                Orvo::Fuzz::fail("the id changed on its way into the configuration");
        }
        if (!found)
            Orvo::Fuzz::fail("the configuration has no proxy outbound");
    }
    return 0;
}
