#include "TokenEndpoint.h"

#include "HTTP.h"
#include "TokenResponse.h"

#include <chrono>

namespace ParcelKit {

TokenEndpoint::TokenEndpoint(QUrl url, URLSession& session, Clock clock)
    : m_url(std::move(url)), m_session(&session), m_now(std::move(clock)) {}

QByteArray TokenEndpoint::formBody(const Form& form) {
    QByteArrayList fields;
    for (auto it = form.cbegin(); it != form.cend(); ++it)
        fields << QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value());
    return fields.join('&');
}

QCoro::Task<Tokens> TokenEndpoint::request(Form form, std::stop_token token) const {
    // Everything used after the exchange is copied first: the endpoint may be gone by then.
    HTTPRequest request;
    request.url = m_url;
    request.method = "POST";
    request.timeout = std::chrono::seconds(60);
    request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    request.setHeader("Accept", "application/json");
    request.body = formBody(form);
    URLSession& session = *m_session;
    const Timestamp sentAt = m_now();

    const HTTP::Answer answer = co_await HTTP::exchange(session, std::move(request), token);
    const int status = answer.response.status;
    if (status < 200 || status > 299) {
        const ParcelKitError error = co_await HTTP::failure(status, answer.body);
        throw error;
    }
    const std::optional<TokenResponse> response = TokenResponse::decode(answer.body);
    if (!response)
        throw ParcelKitError::server(status);
    co_return Tokens{response->accessToken, response->refreshToken,
                     sentAt.addingSeconds(response->expiresIn)};
}

} // namespace ParcelKit
