#pragma once

#include <QByteArray>

namespace Parcella {

// Ed25519 signatures of release archives. Safe on any thread.
namespace ReleaseSignature {

// True only when `signature` (base64 of 64 bytes) is a valid signature of `data` by the key
// `publicKey` (base64 of the raw 32 bytes). Malformed keys and signatures are false, never thrown.
bool verify(const QByteArray& publicKey, const QByteArray& signature, const QByteArray& data);

} // namespace ReleaseSignature

} // namespace Parcella
