#include "HTTP.h"

#include "Cancelled.h"
#include "EngineText.h"
#include "ErrorBody.h"
#include "S3XML.h"
#include "URLSession.h"

#include <QCoroFuture>
#include <QLocale>
#include <QRegularExpression>
#include <QtConcurrent>

namespace ParcelKit::HTTP {

namespace {

QCoro::Task<Answer> perform(URLSession& session, HTTPRequest request, ProgressCallback progress,
                            std::stop_token token) {
    try {
        Answer answer = co_await session.perform(std::move(request), std::move(progress), token);
        if (answer.response.status < 100)
            throw ParcelKitError::network(EngineText::tr("The server sent no answer."));
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

QString validationMessage(const std::optional<ErrorBody>& body) {
    if (body && body->message)
        return *body->message;
    if (body && body->errors) {
        for (const QStringList& texts : *body->errors) {
            if (!texts.isEmpty())
                return texts.first();
        }
    }
    return EngineText::tr("Please check your input.");
}

// The first two or three letters of a language tag such as "de-DE" or "en_GB".
std::optional<QString> languageCode(const QString& tag) {
    // Every request to the service asks: compiled once.
    static const QRegularExpression separator(QStringLiteral("[-_.@]"));
    const QString code = tag.section(separator, 0, 0).toLower();
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
    else if (const auto document = S3XML::error(body); document && document->isComplete)
        message = document->message;
    if (message && message->isEmpty())
        message.reset();
    return ParcelKitError::server(status, message);
}

QCoro::Task<ParcelKitError> failure(int status, QByteArray body) {
    if (body.size() <= S3XML::readInPlaceLimit)
        co_return errorFor(status, body);
    auto job = [status, body] { return errorFor(status, body); };
    QFuture<ParcelKitError> mapping = QtConcurrent::run(std::move(job));
    co_return co_await mapping;
}

QString acceptLanguage() {
    // Asked for every request: matching the tags costs more than the request's other headers, and
    // the system's languages seldom change.
    thread_local QStringList lastLanguages;
    thread_local QString lastAnswer;
    const QStringList languages = QLocale::system().uiLanguages();
    if (lastAnswer.isEmpty() || languages != lastLanguages) {
        lastAnswer = acceptLanguage(languages);
        lastLanguages = languages;
    }
    return lastAnswer;
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
