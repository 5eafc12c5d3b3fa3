#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace ParcelKit {

// The state of one upload. `finished` carries the service's upload id, `failed` the message shown
// to the user; equality compares the case and its payload.
class UploadState {
public:
    enum class Case { queued, uploading, finished, failed, cancelled };

    UploadState() = default;
    static UploadState queued() { return {Case::queued, {}}; }
    static UploadState uploading() { return {Case::uploading, {}}; }
    static UploadState finished(QString uploadID) { return {Case::finished, std::move(uploadID)}; }
    static UploadState failed(QString message) { return {Case::failed, std::move(message)}; }
    static UploadState cancelled() { return {Case::cancelled, {}}; }

    Case kind() const { return m_case; }
    std::optional<QString> uploadID() const;
    std::optional<QString> failureMessage() const;

    // One key, the case name, holding an object with the payload.
    QJsonObject toJSON() const;
    // Throws StoredJSONError, "Invalid number of keys found, expected one." unless exactly one
    // case name is among the keys.
    static UploadState fromJSON(const QJsonValue& value);

    bool operator==(const UploadState&) const = default;

private:
    UploadState(Case kind, QString payload) : m_case(kind), m_payload(std::move(payload)) {}

    Case m_case = Case::queued;
    QString m_payload;
};

} // namespace ParcelKit
