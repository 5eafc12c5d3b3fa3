#include "UploadState.h"

#include "StoredJSON.h"

#include <array>

namespace ParcelKit {

namespace {

const QString uploadIDKey = QStringLiteral("uploadID");
const QString messageKey = QStringLiteral("message");

struct CaseName {
    UploadState::Case kind;
    QString name;
};

const std::array<CaseName, 5>& caseNames() {
    static const std::array<CaseName, 5> names{{
        {UploadState::Case::queued, QStringLiteral("queued")},
        {UploadState::Case::uploading, QStringLiteral("uploading")},
        {UploadState::Case::finished, QStringLiteral("finished")},
        {UploadState::Case::failed, QStringLiteral("failed")},
        {UploadState::Case::cancelled, QStringLiteral("cancelled")},
    }};
    return names;
}

const QString& nameOf(UploadState::Case kind) {
    for (const auto& entry : caseNames()) {
        if (entry.kind == kind)
            return entry.name;
    }
    Q_UNREACHABLE();
}

} // namespace

std::optional<QString> UploadState::uploadID() const {
    return m_case == Case::finished ? std::optional<QString>(m_payload) : std::nullopt;
}

std::optional<QString> UploadState::failureMessage() const {
    return m_case == Case::failed ? std::optional<QString>(m_payload) : std::nullopt;
}

QJsonObject UploadState::toJSON() const {
    QJsonObject payload;
    if (m_case == Case::finished)
        payload.insert(uploadIDKey, m_payload);
    else if (m_case == Case::failed)
        payload.insert(messageKey, m_payload);
    return {{nameOf(m_case), payload}};
}

UploadState UploadState::fromJSON(const QJsonValue& value) {
    using namespace StoredJSON;
    const auto json = object(value, QStringLiteral("state"));
    const CaseName* found = nullptr;
    int count = 0;
    for (const auto& entry : caseNames()) {
        if (json.contains(entry.name)) {
            found = &entry;
            ++count;
        }
    }
    if (count != 1)
        throw StoredJSONError(QStringLiteral("Invalid number of keys found, expected one."));
    const auto payload = requiredObject(json, found->name);
    switch (found->kind) {
    case Case::finished:
        return finished(requiredString(payload, uploadIDKey));
    case Case::failed:
        return failed(requiredString(payload, messageKey));
    default:
        return {found->kind, {}};
    }
}

} // namespace ParcelKit
