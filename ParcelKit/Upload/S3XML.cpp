#include "S3XML.h"

#include <QCoroFuture>
#include <QXmlStreamReader>
#include <QtConcurrent>

#include <algorithm>
#include <limits>

namespace ParcelKit::S3XML {

namespace {

const QString documentNamespace = QStringLiteral("http://s3.amazonaws.com/doc/2006-03-01/");

QString escaped(QString text) {
    // Ampersands first, so that no entity written here is escaped again.
    text.replace(u'&', QLatin1String("&amp;"));
    text.replace(u'<', QLatin1String("&lt;"));
    text.replace(u'>', QLatin1String("&gt;"));
    text.replace(u'"', QLatin1String("&quot;"));
    return text;
}

// S3 documents have no document type declarations and no element with more than a few attributes.
// Both make the parser's work grow faster than the input (entities expand; attributes are checked
// for duplicates pairwise), so the document is read as if it ended just before the first internal
// declaration subset or the first markup with more attributes than this.
constexpr int maximumAttributes = 256;

bool opensInternalSubset(QByteArrayView data, qsizetype markupStart) {
    static constexpr QByteArrayView doctype("<!DOCTYPE");
    if (!data.sliced(markupStart).startsWith(doctype))
        return false;
    // The subset's '[' comes before the declaration's '>' and before any '<'.
    for (qsizetype i = markupStart + doctype.size(); i < data.size(); ++i) {
        if (data[i] == '[')
            return true;
        if (data[i] == '>' || data[i] == '<')
            return false;
    }
    return false;
}

} // namespace

QByteArrayView readablePrefix(QByteArrayView data) {
    enum class Lexing { text, markup, quoted };
    Lexing lexing = Lexing::text;
    char quote = 0;
    qsizetype markupStart = 0;
    int attributes = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '<') {
            // Never inside a value or a tag of a well-formed document: a new markup starts.
            if (opensInternalSubset(data, i))
                return data.first(i);
            lexing = Lexing::markup;
            markupStart = i;
            attributes = 0;
        } else if (lexing == Lexing::quoted) {
            if (c == quote)
                lexing = Lexing::markup;
        } else if (lexing == Lexing::markup) {
            if (c == '"' || c == '\'') {
                quote = c;
                lexing = Lexing::quoted;
            } else if (c == '>') {
                lexing = Lexing::text;
            } else if (c == '=' && ++attributes > maximumAttributes) {
                return data.first(markupStart);
            }
        }
    }
    return data;
}

namespace {

// A reader that never turns to the network and stops at what readablePrefix leaves out.
class Reader {
public:
    explicit Reader(const QByteArray& data) : m_xml(readablePart(data)) {
        m_xml.setNamespaceProcessing(false);
    }

    // The next token, or NoToken once the document ended or went wrong.
    QXmlStreamReader::TokenType next() {
        if (m_xml.atEnd())
            return QXmlStreamReader::NoToken;
        const auto token = m_xml.readNext();
        return token == QXmlStreamReader::Invalid ? QXmlStreamReader::NoToken : token;
    }

    QXmlStreamReader& xml() { return m_xml; }

private:
    // Shares the caller's bytes, which outlive the reader.
    static QByteArray readablePart(const QByteArray& data) {
        const auto readable = readablePrefix(data);
        return QByteArray::fromRawData(readable.data(), readable.size());
    }

    QXmlStreamReader m_xml;
};

// Collects the text directly inside leaf elements; text is emptied at every tag, so elements with
// children contribute nothing.
class Collector {
public:
    Collector(const QSet<QString>& names, const std::optional<QString>& record)
        : m_names(names), m_record(record) {}

    // True when the whole document was read without an error.
    bool run(const QByteArray& data) {
        Reader reader(data);
        for (auto token = reader.next(); token != QXmlStreamReader::NoToken;
             token = reader.next()) {
            auto& xml = reader.xml();
            switch (token) {
            case QXmlStreamReader::StartElement:
                if (m_record && xml.qualifiedName() == *m_record) {
                    m_inRecord = true;
                    m_current.clear();
                }
                m_text.clear();
                break;
            case QXmlStreamReader::Characters:
                if (!xml.isCDATA())
                    m_text += xml.text();
                break;
            case QXmlStreamReader::EndElement:
                endElement(xml.qualifiedName().toString());
                m_text.clear();
                break;
            default:
                break;
            }
        }
        return !reader.xml().hasError();
    }

    QList<Record> result() const {
        if (m_record)
            return m_records;
        return m_current.isEmpty() ? QList<Record>{} : QList<Record>{m_current};
    }

private:
    void endElement(const QString& name) {
        if (m_record && name == *m_record) {
            m_records.append(m_current);
            m_inRecord = false;
        } else if (m_names.contains(name) && (!m_record || m_inRecord) &&
                   !m_current.contains(name)) {
            m_current.insert(name, m_text.trimmed());
        }
    }

    const QSet<QString>& m_names;
    const std::optional<QString>& m_record;
    QList<Record> m_records;
    Record m_current;
    QString m_text;
    bool m_inRecord = false;
};

std::optional<QString> rootName(const QByteArray& data) {
    Reader reader(data);
    for (auto token = reader.next(); token != QXmlStreamReader::NoToken; token = reader.next()) {
        if (token == QXmlStreamReader::StartElement)
            return reader.xml().qualifiedName().toString();
    }
    return std::nullopt;
}

std::optional<QString> firstValue(const QByteArray& data, const QString& name) {
    const auto found = records(data, {name});
    if (found.isEmpty())
        return std::nullopt;
    const auto it = found.first().constFind(name);
    return it == found.first().cend() ? std::nullopt : std::optional<QString>(*it);
}

// A decimal integer: optional sign, ASCII digits only, nothing else, no overflow.
template <typename Int> std::optional<Int> decimal(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulated as a negative number, whose range holds the type's minimum.
    Int value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const Int digit = Int(c - u'0');
        if (value < (std::numeric_limits<Int>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<Int>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

} // namespace

QByteArray completeBody(const QList<UploadedPart>& parts) {
    auto sorted = parts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.partNumber < b.partNumber; });
    QString body = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
                   QStringLiteral("<CompleteMultipartUpload xmlns=\"%1\">").arg(documentNamespace);
    for (const auto& part : sorted) {
        body += QStringLiteral("<Part><PartNumber>") + QString::number(part.partNumber) +
                QStringLiteral("</PartNumber><ETag>") + escaped(part.etag) +
                QStringLiteral("</ETag></Part>");
    }
    body += QStringLiteral("</CompleteMultipartUpload>");
    return body.toUtf8();
}

QList<Record> records(const QByteArray& data, const QSet<QString>& names,
                      const std::optional<QString>& record) {
    Collector collector(names, record);
    collector.run(data);
    return collector.result();
}

std::optional<QString> uploadID(const QByteArray& data) {
    return firstValue(data, QStringLiteral("UploadId"));
}

QList<UploadedPart> parts(const QByteArray& data) {
    static const QString partNumber = QStringLiteral("PartNumber");
    static const QString etag = QStringLiteral("ETag");
    static const QString size = QStringLiteral("Size");
    QList<UploadedPart> result;
    for (const auto& found : records(data, {partNumber, etag, size}, QStringLiteral("Part"))) {
        const auto number = decimal<int>(found.value(partNumber));
        if (!number || !found.contains(etag))
            continue;
        result.append({*number, found.value(etag), decimal<qint64>(found.value(size)).value_or(0)});
    }
    return result;
}

std::optional<Error> error(const QByteArray& data) {
    if (rootName(data) != QStringLiteral("Error"))
        return std::nullopt;
    static const QString code = QStringLiteral("Code");
    static const QString message = QStringLiteral("Message");
    const QSet<QString> names{code, message};
    const std::optional<QString> wholeDocument;
    Collector collector(names, wholeDocument);
    const bool complete = collector.run(data);
    const Record found = collector.result().value(0);
    const auto value = [&found](const QString& name) {
        const auto it = found.constFind(name);
        return it == found.cend() ? std::nullopt : std::optional<QString>(*it);
    };
    return Error{value(code), value(message), complete};
}

std::optional<QString> errorCode(const QByteArray& data) {
    const auto found = error(data);
    return found ? found->code : std::nullopt;
}

std::optional<QString> errorMessage(const QByteArray& data) {
    const auto found = error(data);
    return found ? found->message : std::nullopt;
}

QCoro::Task<std::optional<Error>> readError(QByteArray data) {
    if (data.size() <= readInPlaceLimit)
        co_return error(data);
    auto job = [data] { return error(data); };
    QFuture<std::optional<Error>> reading = QtConcurrent::run(std::move(job));
    co_return co_await reading;
}

} // namespace ParcelKit::S3XML
