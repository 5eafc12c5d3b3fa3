#include "PendingSendStore.h"

#include "AtomicFileWriter.h"
#include "KeychainError.h"

#include <QFile>
#include <QStringDecoder>

namespace Parcella {

namespace {
// Far above any real pending send; a bigger file is not ours.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;
} // namespace

PendingSendStore::PendingSendStore(QString path, QString service, QString account)
    : m_path(std::move(path)), m_password(std::move(service), std::move(account)) {}

std::optional<PendingSend> PendingSendStore::load() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return std::nullopt;
    return PendingSend::fromJson(file.readAll());
}

bool PendingSendStore::save(const PendingSend& pending) const {
    return ParcelKit::AtomicFileWriter::replace(m_path, pending.toJson());
}

std::optional<QString> PendingSendStore::readPassword() const {
    try {
        const auto data = m_password.read();
        if (!data)
            return std::nullopt;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString password = decoder.decode(*data);
        if (decoder.hasError())
            return std::nullopt;
        return password;
    } catch (const ParcelKit::KeychainError&) {
        return std::nullopt;
    }
}

void PendingSendStore::writePassword(const QString& password) const {
    m_password.write(password.toUtf8());
}

void PendingSendStore::removePassword() const {
    try {
        m_password.remove();
    } catch (const ParcelKit::KeychainError&) {
    }
}

void PendingSendStore::clear() const {
    QFile::remove(m_path);
    removePassword();
}

} // namespace Parcella
