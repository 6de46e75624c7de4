#include "vpn/ConnectionFailureReason.h"

#include <array>

namespace Orvo::Api::Services {

namespace {

// Indexed by the reason code.
constexpr std::array<const char *, 12> kReasonTexts = {
    "",
    "请先登录账号",
    "请先选择服务器",
    "此线路为VIP专线，请升级VIP后使用",
    "您的免费体验时长已用完，请升级VIP继续使用",
    "您的VIP已过期，无法连接VIP专线",
    "您的VIP已过期且体验时长已用完，请续费VIP",
    "您的账户已被暂停，请联系客服",
    "您的账户已被封禁，请联系客服",
    "您的账号在其他设备登录，已被强制下线",
    "网络连接失败，请检查网络设置",
    "服务器连接失败，请稍后重试",
};

} // namespace

QString failureReasonText(int code)
{
    if (code < 0 || code >= static_cast<int>(kReasonTexts.size()))
        return QStringLiteral("未知错误");
    return QString::fromUtf8(kReasonTexts[static_cast<std::size_t>(code)]);
}

QString failureReasonText(ConnectionFailureReason reason)
{
    return failureReasonText(static_cast<int>(reason));
}

} // namespace Orvo::Api::Services
