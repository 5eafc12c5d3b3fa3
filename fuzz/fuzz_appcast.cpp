// The update feed reader on arbitrary bytes: it must neither crash nor throw, and every item it
// hands out must carry what an update needs.
#include "Appcast.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Parcella;

namespace {

bool isUsable(const AppcastItem& item) {
    const QString scheme = item.archiveURL.scheme();
    return !item.version.isNull() && item.length > 0 && !item.signature.isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http")) &&
           !item.archiveURL.host().isEmpty() && !item.shortVersionString.isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<AppcastItem> items = Appcast::read(bytes);
    for (const AppcastItem& item : items) {
        if (!isUsable(item))
            std::abort();
    }
    if (const auto newest = Appcast::newest(items, QVersionNumber(0, 1));
        newest && newest->version <= QVersionNumber(0, 1))
        std::abort();
    return 0;
}
