#include "PKCE.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <vector>

namespace ParcelKit {

QString base64URLEncoded(const QByteArray& bytes) {
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString randomURLSafeString(int byteCount) {
    std::vector<quint32> words((byteCount + 3) / 4);
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char*>(words.data()), byteCount);
    return base64URLEncoded(bytes);
}

PKCE::PKCE(QString verifier)
    : verifier(std::move(verifier)), challenge(base64URLEncoded(QCryptographicHash::hash(
                                         this->verifier.toUtf8(), QCryptographicHash::Sha256))) {}

PKCE PKCE::generate() {
    return PKCE(randomURLSafeString(32));
}

} // namespace ParcelKit
