#pragma once

#include "AppcastItem.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace Parcella {

// The update feed: an RSS 2.0 channel whose items carry the release facts in the application's
// own XML namespace, the archive as the enclosure:
//   <item><pubDate>…</pubDate><parcella:version>0.2.0</parcella:version>
//     <parcella:shortVersionString>0.2</parcella:shortVersionString>
//     <parcella:releaseNotesLink>https://…</parcella:releaseNotesLink>
//     <enclosure url="https://…" length="123" type="application/gzip"
//                parcella:edSignature="base64"/></item>
// Pure functions, safe on any thread; the feed is foreign input and never makes them throw.
namespace Appcast {

inline constexpr auto xmlNamespace = "https://parcella.app/xml-namespaces/update";
// Feeds are a few KiB; a longer answer is refused before it is read.
inline constexpr qint64 maximumFeedBytes = 1024 * 1024;

// The complete, well-formed items in feed order. A document type declaration ends the reading,
// as does anything the engine's guarded XML reading leaves out; an item missing its version, its
// http(s) archive address, a positive length or a signature is skipped.
QList<AppcastItem> read(const QByteArray& feed);

// The item with the greatest version above `running`.
std::optional<AppcastItem> newest(const QList<AppcastItem>& items, const QVersionNumber& running);

} // namespace Appcast

} // namespace Parcella
