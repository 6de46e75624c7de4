#pragma once

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>

#include "network/Callbacks.h"

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace Orvo::Api::Network {

// The single gateway to the service's REST API.
class HttpClient : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpClient)

public:
    using QueryItems = QMap<QString, QString>;

    static HttpClient *instance();

    void get(const QString &endpoint, const ResponseCallback &callback,
             const QueryItems &query = {});
    void getWithoutAuth(const QString &endpoint, const ResponseCallback &callback,
                        const QueryItems &query = {});
    void post(const QString &endpoint, const QJsonObject &body, const ResponseCallback &callback);
    void postWithoutAuth(const QString &endpoint, const QJsonObject &body,
                         const ResponseCallback &callback);

    void setAuthToken(const QString &token);
    void clearAuthToken();
    QString authToken() const;

    void setApiEncryption(bool enabled, const QString &secretKey);

    // True while a request sent through the client still waits for its reply.
    bool hasRequestsInFlight() const;
    // Runs the event loop until no request is in flight or timeoutMs have
    // passed, then frees the finished replies; true when none is left.
    bool waitForRequestsInFlight(int timeoutMs);

signals:
    void authenticationRequired();
    void networkError(QString errorMessage);

private:
    HttpClient();
    ~HttpClient() override;

    void shutDownNetwork();
    QUrl buildUrl(const QString &endpoint, const QueryItems &query) const;
    QNetworkRequest createRequest(const QUrl &url, bool withAuth) const;
    void sendGet(const QString &endpoint, const ResponseCallback &callback, const QueryItems &query,
                 bool withAuth);
    void sendPost(const QString &endpoint, const QJsonObject &body,
                  const ResponseCallback &callback, bool withAuth);
    void connectReply(QNetworkReply *reply, const ResponseCallback &callback);
    void handleReply(QNetworkReply *reply, const ResponseCallback &callback);
    // Marks a reply whose body is over the bound and reports it; false when it
    // was marked already.
    bool markTooLarge(QNetworkReply *reply);

    // The body to use for an error-free reply; false when a signed envelope
    // failed verification.
    bool decryptResponse(const QByteArray &body, QByteArray *result) const;

    QNetworkAccessManager *m_networkManager;
    QString m_authToken;
    QString m_baseUrl;
    int m_timeoutMs = 30000;
    bool m_apiEncryptEnabled = false;
    QString m_apiSecretKey;
};

} // namespace Orvo::Api::Network
