#include "network/HttpClient.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>

#include "network/ApiBaseUrl.h"
#include "network/ApiResponse.h"
#include "network/LogMask.h"
#include "network/SignedEnvelope.h"

namespace Orvo::Api::Network {

namespace {

constexpr int kLoggedBodyBytes = 500;
constexpr int kInFlightPollMs = 20;
// No reply of the service comes near this; a larger one is not read on.
constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;
const char *const kTooLargeProperty = "orvoBodyTooLarge";

QString tooLargeText()
{
    return QStringLiteral("响应数据过大 (超过%1字节)").arg(kMaxBodyBytes);
}

// Masked before it is cut, so that no part of a secret is left at the cut.
QString loggedBody(const QByteArray &body)
{
    const QByteArray masked = LogMask::mask(body);
    if (masked.size() <= kLoggedBodyBytes)
        return QString::fromUtf8(masked);
    return QString::fromUtf8(masked.left(kLoggedBodyBytes))
        + QStringLiteral("... (共%1字节)").arg(body.size());
}

const char *errorName(QNetworkReply::NetworkError code)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(code);
    return name ? name : "UnknownError";
}

} // namespace

HttpClient *HttpClient::instance()
{
    static HttpClient client;
    return &client;
}

HttpClient::HttpClient()
    : m_networkManager(new QNetworkAccessManager(this)), m_baseUrl(apiBaseUrl())
{
    // The manager's thread must not outlive the application object: left to
    // the static destructors, it could still post events to a dead one.
    qAddPostRoutine([]() { instance()->shutDownNetwork(); });
}

HttpClient::~HttpClient() = default;

void HttpClient::shutDownNetwork()
{
    if (!m_networkManager)
        return;
    // Whoever waited for these replies is being destroyed with the application.
    const QList<QNetworkReply *> replies = m_networkManager->findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies)
        reply->disconnect(this);
    delete m_networkManager;
    m_networkManager = nullptr;
}

bool HttpClient::hasRequestsInFlight() const
{
    if (!m_networkManager)
        return false;
    const QList<QNetworkReply *> replies = m_networkManager->findChildren<QNetworkReply *>();
    return std::any_of(replies.cbegin(), replies.cend(),
                       [](const QNetworkReply *reply) { return reply->isRunning(); });
}

bool HttpClient::waitForRequestsInFlight(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (hasRequestsInFlight() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(kInFlightPollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // Qt frees a finished reply's HTTP objects only through the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !hasRequestsInFlight();
}

void HttpClient::get(const QString &endpoint, const ResponseCallback &callback,
                     const QueryItems &query)
{
    sendGet(endpoint, callback, query, true);
}

void HttpClient::getWithoutAuth(const QString &endpoint, const ResponseCallback &callback,
                                const QueryItems &query)
{
    sendGet(endpoint, callback, query, false);
}

void HttpClient::post(const QString &endpoint, const QJsonObject &body,
                      const ResponseCallback &callback)
{
    sendPost(endpoint, body, callback, true);
}

void HttpClient::postWithoutAuth(const QString &endpoint, const QJsonObject &body,
                                 const ResponseCallback &callback)
{
    sendPost(endpoint, body, callback, false);
}

void HttpClient::setAuthToken(const QString &token)
{
    m_authToken = token;
    qDebug().noquote() << "[HttpClient] 设置认证Token";
}

void HttpClient::clearAuthToken()
{
    m_authToken.clear();
    qDebug().noquote() << "[HttpClient] 清除认证Token";
}

QString HttpClient::authToken() const
{
    return m_authToken;
}

void HttpClient::setApiEncryption(bool enabled, const QString &secretKey)
{
    m_apiEncryptEnabled = enabled;
    m_apiSecretKey = secretKey;
    qDebug().noquote() << "[HttpClient] API加密:" << (enabled ? "已启用" : "已禁用");
}

QUrl HttpClient::buildUrl(const QString &endpoint, const QueryItems &query) const
{
    QString text = m_baseUrl;
    if (!text.endsWith(QLatin1Char('/')))
        text += QLatin1Char('/');
    text += endpoint.startsWith(QLatin1Char('/')) ? endpoint.mid(1) : endpoint;

    QUrl url(text, QUrl::TolerantMode);
    if (!query.isEmpty()) {
        QUrlQuery items;
        for (auto it = query.cbegin(); it != query.cend(); ++it)
            items.addQueryItem(it.key(), it.value());
        url.setQuery(items);
    }
    return url;
}

QNetworkRequest HttpClient::createRequest(const QUrl &url, bool withAuth) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("X-Device-Type", "windows");
    request.setRawHeader("X-App-Version", "1.0.0");
    if (withAuth && !m_authToken.isEmpty())
        request.setRawHeader("Authorization",
                             QStringLiteral("Bearer %1").arg(m_authToken).toUtf8());
    request.setTransferTimeout(m_timeoutMs);
    return request;
}

void HttpClient::sendGet(const QString &endpoint, const ResponseCallback &callback,
                         const QueryItems &query, bool withAuth)
{
    const QUrl url = buildUrl(endpoint, query);
    const QNetworkRequest request = createRequest(url, withAuth);
    qDebug().noquote() << (withAuth ? "[HttpClient] GET请求:" : "[HttpClient] GET请求(无认证):")
                       << url.toString();
    if (!m_networkManager)
        return; // the application object is gone: nothing can be sent any more
    connectReply(m_networkManager->get(request), callback);
}

void HttpClient::sendPost(const QString &endpoint, const QJsonObject &body,
                          const ResponseCallback &callback, bool withAuth)
{
    const QUrl url = buildUrl(endpoint, {});
    const QNetworkRequest request = createRequest(url, withAuth);
    const QByteArray payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
    if (withAuth) {
        qDebug().noquote() << "[HttpClient] POST请求:" << url.toString();
        qDebug().noquote() << "[HttpClient] 请求体:" << QString::fromUtf8(LogMask::mask(payload));
    } else {
        // Login and registration bodies carry the password: never logged.
        qDebug().noquote() << "[HttpClient] POST请求(无认证):" << url.toString();
    }
    if (!m_networkManager)
        return; // the application object is gone: nothing can be sent any more
    connectReply(m_networkManager->post(request, payload), callback);
}

void HttpClient::connectReply(QNetworkReply *reply, const ResponseCallback &callback)
{
    QObject::connect(reply, &QNetworkReply::finished, this,
                     [this, reply, callback]() { handleReply(reply, callback); });
    QObject::connect(reply, &QNetworkReply::errorOccurred, this,
                     [this, reply](QNetworkReply::NetworkError code) {
                         // A body cut off for its size has been reported already.
                         if (code == QNetworkReply::NoError
                             || reply->property(kTooLargeProperty).toBool())
                             return;
                         qDebug().noquote()
                             << "[HttpClient] 网络错误:" << errorName(code) << reply->errorString();
                         emit networkError(reply->errorString());
                     });
    // The network stack buffers a body whole before it reports the end: an
    // oversized one is cut off while it arrives.
    QObject::connect(reply, &QNetworkReply::downloadProgress, this,
                     [this, reply](qint64 received, qint64 total) {
                         if (received <= kMaxBodyBytes && total <= kMaxBodyBytes)
                             return;
                         if (markTooLarge(reply))
                             reply->abort();
                     });
}

bool HttpClient::markTooLarge(QNetworkReply *reply)
{
    if (reply->property(kTooLargeProperty).toBool())
        return false;
    // An error status has been relayed already, with its own text.
    const bool firstError = reply->error() == QNetworkReply::NoError;
    reply->setProperty(kTooLargeProperty, true);
    if (firstError) {
        qDebug().noquote() << "[HttpClient] 网络错误:" << tooLargeText();
        emit networkError(tooLargeText());
    }
    return true;
}

void HttpClient::handleReply(QNetworkReply *reply, const ResponseCallback &callback)
{
    ApiResponse response;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->read(kMaxBodyBytes + 1);
    if (body.size() > kMaxBodyBytes)
        markTooLarge(reply);

    if (reply->property(kTooLargeProperty).toBool()) {
        qDebug().noquote() << "[HttpClient] 请求失败, HTTP状态码:" << status;
        qDebug().noquote() << "[HttpClient] 错误:" << tooLargeText();
        response.statusCode = status;
        response.errorCode = QNetworkReply::UnknownContentError;
        response.errorString = tooLargeText();
    } else if (reply->error() == QNetworkReply::NoError) {
        QByteArray used = body;
        bool verified = true;
        if (m_apiEncryptEnabled && !m_apiSecretKey.isEmpty())
            verified = decryptResponse(body, &used);
        response.statusCode = status;
        if (verified) {
            response.rawData = used;
            response.json = ApiResponse::parseObject(used);
        } else {
            // An unverified envelope is never handed on as data.
            response.errorCode = QNetworkReply::ProtocolFailure;
            response.errorString = QStringLiteral("API响应签名验证失败");
        }
        qDebug().noquote() << "[HttpClient] 响应成功, HTTP状态码:" << status;
        qDebug().noquote() << "[HttpClient] 响应数据:" << loggedBody(used);
    } else {
        qDebug().noquote() << "[HttpClient] 请求失败, HTTP状态码:" << status;
        qDebug().noquote() << "[HttpClient] 错误:" << reply->errorString();
        qDebug().noquote() << "[HttpClient] 响应数据:" << loggedBody(body);
        if (status > 0) {
            response.rawData = body;
            response.statusCode = status;
            response.json = ApiResponse::parseObject(body);
        } else {
            response.errorCode = reply->error();
            response.errorString = reply->errorString();
        }
    }

    if (response.statusCode == 401) {
        qDebug().noquote() << "[HttpClient] Token无效，需要重新登录";
        emit authenticationRequired();
    }

    if (callback)
        callback(response);
    reply->deleteLater();
}

bool HttpClient::decryptResponse(const QByteArray &body, QByteArray *result) const
{
    switch (SignedEnvelope::unwrap(body, m_apiSecretKey, result)) {
    case SignedEnvelope::Outcome::NotAnEnvelope:
        return true;
    case SignedEnvelope::Outcome::Verified:
        qDebug().noquote() << "[HttpClient] API响应解密成功";
        return true;
    case SignedEnvelope::Outcome::Rejected:
        break;
    }
    qWarning().noquote() << "[HttpClient] API响应签名验证失败";
    return false;
}

} // namespace Orvo::Api::Network
