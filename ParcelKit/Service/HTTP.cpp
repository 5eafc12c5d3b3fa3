#include "HTTP.h"

#include "Cancelled.h"
#include "ErrorBody.h"
#include "URLSession.h"

#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace ParcelKit::HTTP {

namespace {

QCoro::Task<Answer> perform(URLSession& session, HTTPRequest request, ProgressCallback progress,
                            std::stop_token token) {
    try {
        Answer answer = co_await session.perform(std::move(request), std::move(progress), token);
        if (answer.response.status < 100)
            throw ParcelKitError::network(engineText("The server sent no answer."));
        co_return answer;
    } catch (const ParcelKitError&) {
        throw;
    } catch (const Cancelled&) {
        throw;
    } catch (...) {
        if (token.stop_requested())
            throw Cancelled{};
        throw ParcelKitError::wrapping(std::current_exception());
    }
}

// The object-storage error document: the text directly inside the first <Message> of a
// well-formed document whose root is <Error>.
std::optional<QString> storageErrorMessage(const QByteArray& body) {
    QXmlStreamReader reader(body);
    std::optional<QString> message;
    int messageDepth = 0;
    int depth = 0;
    QString text;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 1 && reader.name() != QLatin1String("Error"))
                return std::nullopt;
            if (!message && messageDepth == 0 && reader.name() == QLatin1String("Message"))
                messageDepth = depth;
            break;
        case QXmlStreamReader::Characters:
            if (messageDepth != 0 && depth == messageDepth)
                text += reader.text();
            break;
        case QXmlStreamReader::EndElement:
            if (depth == messageDepth) {
                message = text.trimmed();
                messageDepth = 0;
            }
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return message;
}

QString validationMessage(const std::optional<ErrorBody>& body) {
    if (body && body->message)
        return *body->message;
    if (body && body->errors) {
        for (const QStringList& texts : *body->errors) {
            if (!texts.isEmpty())
                return texts.first();
        }
    }
    return engineText("Please check your input.");
}

// The first two or three letters of a language tag such as "de-DE" or "en_GB".
std::optional<QString> languageCode(const QString& tag) {
    const QString code = tag.section(QRegularExpression(QStringLiteral("[-_.@]")), 0, 0).toLower();
    if (code.size() < 2 || code.size() > 3)
        return std::nullopt;
    for (QChar c : code) {
        if (c < u'a' || c > u'z')
            return std::nullopt;
    }
    return code;
}

} // namespace

QCoro::Task<Answer> exchange(URLSession& session, HTTPRequest request, std::stop_token token) {
    return perform(session, std::move(request), {}, std::move(token));
}

QCoro::Task<Answer> upload(URLSession& session, HTTPRequest request, QByteArray body,
                           ProgressCallback progress, std::stop_token token) {
    request.body = std::move(body);
    return perform(session, std::move(request), std::move(progress), std::move(token));
}

ParcelKitError errorFor(int status, const QByteArray& body) {
    const std::optional<ErrorBody> decoded = ErrorBody::decode(body);
    if (status == 401)
        return ParcelKitError::notSignedIn();
    if (status == 422)
        return ParcelKitError::validation(validationMessage(decoded));

    std::optional<QString> message;
    if (decoded && decoded->message)
        message = decoded->message;
    else if (decoded && decoded->errorDescription)
        message = decoded->errorDescription;
    else
        message = storageErrorMessage(body);
    if (message && message->isEmpty())
        message.reset();
    return ParcelKitError::server(status, message);
}

QString acceptLanguage() {
    return acceptLanguage(QLocale::system().uiLanguages());
}

QString acceptLanguage(const QStringList& preferredLanguages) {
    for (const QString& tag : preferredLanguages) {
        const std::optional<QString> code = languageCode(tag);
        if (code == QLatin1String("de") || code == QLatin1String("en"))
            return *code;
    }
    return QStringLiteral("de");
}

} // namespace ParcelKit::HTTP
