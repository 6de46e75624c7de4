// A reply body through ApiResponse and every record's JSON reading, as the
// services read them: the whole reply, its "data" object and its "data" list.
#include <QJsonArray>

#include "FuzzSupport.h"
#include "models/Announcement.h"
#include "models/ConfigItem.h"
#include "models/CreatePaymentData.h"
#include "models/CreatePaymentResponse.h"
#include "models/HeartbeatResponse.h"
#include "models/HeartbeatStats.h"
#include "models/JsonReader.h"
#include "models/Order.h"
#include "models/OrderListResponse.h"
#include "models/PaymentStatusData.h"
#include "models/PaymentStatusResponse.h"
#include "models/Server.h"
#include "models/SubscriptionPlan.h"
#include "models/SystemConfig.h"
#include "models/TrialStatus.h"
#include "models/User.h"
#include "network/ApiResponse.h"

using namespace Orvo::Api::Models;
using Orvo::Api::Network::ApiResponse;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Orvo::Fuzz::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ApiResponse response;
    response.statusCode = 422;
    response.rawData = Orvo::Fuzz::bytes(data, size);
    response.json = ApiResponse::parseObject(response.rawData);
    (void)response.isSuccess();
    (void)response.errorMessage();
    (void)response.validationErrors();

    const QJsonObject whole = response.json;
    const QJsonObject object = JsonReader::readObject(whole, QStringLiteral("data"));
    const QJsonArray list = JsonReader::readArray(whole, QStringLiteral("data"));

    // The user also goes out again: it is stored as JSON and read back.
    const User user = User::fromJson(object);
    (void)User::fromJson(user.toJson());
    (void)user.isVipActive();
    (void)Server::fromJson(object).flagEmoji();
    for (const Server &server : Server::fromJsonArray(list))
        (void)server.flagEmoji();
    (void)SubscriptionPlan::fromJson(object);
    (void)Order::fromJsonArray(list);
    (void)OrderListResponse::fromJson(whole);
    (void)Announcement::fromJson(object);
    (void)ConfigItem::fromJson(object);
    (void)SystemConfig::fromJson(object);
    (void)TrialStatus::fromJson(object);
    (void)CreatePaymentData::fromJson(object);
    (void)CreatePaymentResponse::fromJson(whole);
    (void)PaymentStatusData::fromJson(object);
    (void)PaymentStatusResponse::fromJson(whole);
    (void)HeartbeatResponse::fromJson(whole);
    (void)HeartbeatStats::fromJson(whole);
    return 0;
}
