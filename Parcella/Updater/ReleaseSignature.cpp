#include "ReleaseSignature.h"

#include <openssl/evp.h>

#include <memory>
#include <optional>

namespace Parcella::ReleaseSignature {

namespace {

constexpr qsizetype keyBytes = 32;
constexpr qsizetype signatureBytes = 64;

std::optional<QByteArray> decoded(const QByteArray& base64, qsizetype size) {
    const auto result = QByteArray::fromBase64Encoding(
        base64.trimmed(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != size)
        return std::nullopt;
    return result.decoded;
}

} // namespace

bool verify(const QByteArray& publicKey, const QByteArray& signature, const QByteArray& data) {
    const auto key = decoded(publicKey, keyBytes);
    const auto sig = decoded(signature, signatureBytes);
    if (!key || !sig)
        return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(key->constData()),
                                    size_t(key->size())),
        &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!pkey || !context)
        return false;
    // Ed25519 signs the message itself, so there is no digest to name.
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(sig->constData()),
                            size_t(sig->size()),
                            reinterpret_cast<const unsigned char*>(data.constData()),
                            size_t(data.size())) == 1;
}

} // namespace Parcella::ReleaseSignature
