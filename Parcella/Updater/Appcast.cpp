#include "Appcast.h"

#include "S3XML.h"

#include <QXmlStreamReader>

namespace Parcella::Appcast {

namespace {

std::optional<QVersionNumber> strictVersion(const QString& text) {
    qsizetype suffix = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &suffix);
    if (version.isNull() || suffix != text.size())
        return std::nullopt;
    return version;
}

std::optional<qint64> positiveLength(QStringView text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return value;
}

bool isWebAddress(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

// The fields of one <item> as they come, checked once the item has ended.
struct ItemDraft {
    QString version;
    QString shortVersionString;
    QString pubDate;
    QString releaseNotesLink;
    QString url;
    QString length;
    QString signature;

    std::optional<AppcastItem> finished() const {
        const auto parsedVersion = strictVersion(version.trimmed());
        const auto parsedLength = positiveLength(QStringView(length).trimmed());
        const QUrl archive(url.trimmed(), QUrl::StrictMode);
        const QByteArray signatureBytes = signature.trimmed().toLatin1();
        if (!parsedVersion || !parsedLength || !isWebAddress(archive) || signatureBytes.isEmpty())
            return std::nullopt;
        AppcastItem item;
        item.version = *parsedVersion;
        item.shortVersionString = shortVersionString.trimmed().isEmpty()
                                      ? version.trimmed()
                                      : shortVersionString.trimmed();
        item.publicationDate = QDateTime::fromString(pubDate.trimmed(), Qt::RFC2822Date);
        if (const QUrl notes(releaseNotesLink.trimmed(), QUrl::StrictMode); isWebAddress(notes))
            item.releaseNotesLink = notes;
        item.archiveURL = archive;
        item.length = *parsedLength;
        item.signature = signatureBytes;
        return item;
    }
};

class FeedReader {
public:
    explicit FeedReader(const QByteArray& feed) {
        const QByteArrayView readable = ParcelKit::S3XML::readablePrefix(feed);
        // Shares the caller's bytes, which outlive the reader.
        m_xml.addData(QByteArray::fromRawData(readable.data(), readable.size()));
        m_xml.setNamespaceProcessing(true);
    }

    QList<AppcastItem> run() {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::Invalid:
                return m_items;
            case QXmlStreamReader::StartElement:
                startElement();
                break;
            case QXmlStreamReader::Characters:
                if (m_field)
                    *m_field += m_xml.text();
                break;
            case QXmlStreamReader::EndElement:
                endElement();
                break;
            default:
                break;
            }
        }
        return m_items;
    }

private:
    bool isOwn() const { return m_xml.namespaceUri() == QLatin1String(xmlNamespace); }
    bool isPlain() const { return m_xml.namespaceUri().isEmpty(); }

    void startElement() {
        m_field = nullptr;
        ++m_depth;
        const QStringView name = m_xml.name();
        if (isPlain() && name == QLatin1String("item")) {
            m_draft.emplace();
            m_itemDepth = m_depth;
            return;
        }
        // Only direct children of an item count: nested lookalikes are someone else's data.
        if (!m_draft || m_depth != m_itemDepth + 1)
            return;
        if (isPlain() && name == QLatin1String("pubDate"))
            m_field = &m_draft->pubDate;
        else if (isOwn() && name == QLatin1String("version"))
            m_field = &m_draft->version;
        else if (isOwn() && name == QLatin1String("shortVersionString"))
            m_field = &m_draft->shortVersionString;
        else if (isOwn() && name == QLatin1String("releaseNotesLink"))
            m_field = &m_draft->releaseNotesLink;
        else if (isPlain() && name == QLatin1String("enclosure"))
            readEnclosure();
        if (m_field)
            m_field->clear();
    }

    void readEnclosure() {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        m_draft->url = attributes.value(QLatin1String("url")).toString();
        m_draft->length = attributes.value(QLatin1String("length")).toString();
        m_draft->signature =
            attributes.value(QLatin1String(xmlNamespace), QLatin1String("edSignature")).toString();
    }

    void endElement() {
        m_field = nullptr;
        if (m_draft && m_depth == m_itemDepth) {
            if (auto item = m_draft->finished())
                m_items.append(std::move(*item));
            m_draft.reset();
        }
        --m_depth;
    }

    QXmlStreamReader m_xml;
    QList<AppcastItem> m_items;
    std::optional<ItemDraft> m_draft;
    QString* m_field = nullptr;
    int m_depth = 0;
    int m_itemDepth = 0;
};

} // namespace

QList<AppcastItem> read(const QByteArray& feed) {
    if (feed.size() > maximumFeedBytes)
        return {};
    return FeedReader(feed).run();
}

std::optional<AppcastItem> newest(const QList<AppcastItem>& items, const QVersionNumber& running) {
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (item.version > running && (!best || item.version > best->version))
            best = item;
    }
    return best;
}

} // namespace Parcella::Appcast
