#include "ParcelKitError.h"

#include "EngineText.h"
#include "ServerText.h"
#include "TransportError.h"

namespace ParcelKit {

ParcelKitError::ParcelKitError(Kind kind, int status, std::optional<QString> message)
    : m_kind(kind), m_status(status), m_message(std::move(message)) {
    m_what = userText().toUtf8();
}

// Every text a server chose reaches the user through these two cases, so it is cleaned here.
ParcelKitError ParcelKitError::validation(QString message) {
    return {Kind::validation, 0, ServerText::clean(message)};
}

ParcelKitError ParcelKitError::server(int status, std::optional<QString> message) {
    if (message)
        message = ServerText::clean(*message);
    // Nothing left to show: the status text stands in.
    if (message && message->isEmpty())
        message.reset();
    return {Kind::server, status, std::move(message)};
}

ParcelKitError ParcelKitError::network(QString message) {
    return {Kind::network, 0, std::move(message)};
}

ParcelKitError ParcelKitError::fileUnavailable(QString message) {
    return {Kind::fileUnavailable, 0, std::move(message)};
}

ParcelKitError ParcelKitError::notSignedIn() {
    return {Kind::notSignedIn, 0, std::nullopt};
}

ParcelKitError ParcelKitError::undecodableAnswer(int status) {
    return server(status, EngineText::tr("The server sent an answer the app doesn't understand."));
}

QString ParcelKitError::userText() const {
    switch (m_kind) {
    case Kind::server:
        if (m_message)
            return *m_message;
        return EngineText::tr("The server answered with error %d.")
            .replace("%d", QString::number(m_status));
    case Kind::notSignedIn:
        return EngineText::tr("You are not signed in.");
    case Kind::validation:
    case Kind::network:
    case Kind::fileUnavailable:
        break;
    }
    return m_message.value_or(QString());
}

ParcelKitError ParcelKitError::wrapping(const std::exception& error) {
    if (auto engine = dynamic_cast<const ParcelKitError*>(&error))
        return *engine;
    if (auto transport = dynamic_cast<const TransportError*>(&error)) {
        if (transport->isPermanent())
            return server(0, transport->description());
        return network(transport->description());
    }
    return network(QString::fromUtf8(error.what()));
}

ParcelKitError ParcelKitError::wrapping(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return wrapping(e);
    } catch (...) {
        return network(EngineText::tr("An unknown error occurred."));
    }
}

} // namespace ParcelKit
