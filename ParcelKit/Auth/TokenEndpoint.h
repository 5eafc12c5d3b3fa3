#pragma once

#include "Timestamp.h"
#include "Tokens.h"

#include <QCoroTask>
#include <QMap>
#include <QUrl>

#include <functional>
#include <stop_token>

namespace ParcelKit {

class URLSession;

// The OAuth token endpoint: posts a form and turns the answer into tokens.
class TokenEndpoint {
public:
    // Field names in ascending order, the order they are sent in.
    using Form = QMap<QString, QString>;
    using Clock = std::function<Timestamp()>;

    TokenEndpoint(QUrl url, URLSession& session, Clock clock);

    // A non-2xx answer fails with its mapped error, an undecodable 2xx answer with
    // server(status). The tokens expire counted from when the request was sent.
    QCoro::Task<Tokens> request(Form form, std::stop_token token) const;

    // "name=value" pairs joined with "&", both parts percent-encoded except for letters, digits
    // and "-._~".
    static QByteArray formBody(const Form& form);

private:
    QUrl m_url;
    URLSession* m_session;
    Clock m_now;
};

} // namespace ParcelKit
