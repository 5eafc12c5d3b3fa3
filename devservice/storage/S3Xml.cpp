#include "S3Xml.h"

#include "Markup.h"
#include "XmlReader.h"

#include <charconv>
#include <ctime>

namespace devservice {

namespace {

constexpr std::string_view declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr std::string_view ns = " xmlns=\"http://s3.amazonaws.com/doc/2006-03-01/\"";

class Builder {
public:
    Builder& open(std::string_view name) {
        m_out.append("<").append(name).append(">");
        return *this;
    }
    Builder& close(std::string_view name) {
        m_out.append("</").append(name).append(">");
        return *this;
    }
    Builder& element(std::string_view name, std::string_view value) {
        return open(name).raw(S3Xml::escape(value)).close(name);
    }
    Builder& element(std::string_view name, long long value) {
        return element(name, std::to_string(value));
    }
    Builder& raw(std::string_view text) {
        m_out.append(text);
        return *this;
    }
    std::string take() { return std::move(m_out); }

private:
    std::string m_out;
};

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

Builder document(std::string_view root) {
    Builder builder;
    builder.raw(declaration).raw("<").raw(root).raw(ns).raw(">");
    return builder;
}

} // namespace

std::string S3Xml::escape(std::string_view text) {
    return Markup::escape(text, "&apos;");
}

std::string S3Xml::isoTime(std::chrono::system_clock::time_point time) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(millis % 1000));
    return text;
}

std::string S3Xml::error(std::string_view code, std::string_view message, std::string_view resource,
                         std::string_view requestId) {
    Builder builder;
    builder.raw(declaration)
        .open("Error")
        .element("Code", code)
        .element("Message", message)
        .element("Resource", resource)
        .element("RequestId", requestId)
        .close("Error");
    return builder.take();
}

std::string S3Xml::initiateResult(std::string_view bucket, std::string_view key,
                                  std::string_view uploadId) {
    return document("InitiateMultipartUploadResult")
        .element("Bucket", bucket)
        .element("Key", key)
        .element("UploadId", uploadId)
        .close("InitiateMultipartUploadResult")
        .take();
}

std::string S3Xml::partsResult(const PartsPage& page) {
    Builder builder = document("ListPartsResult");
    builder.element("Bucket", page.bucket)
        .element("Key", page.key)
        .element("UploadId", page.uploadId)
        .element("StorageClass", "STANDARD")
        .element("PartNumberMarker", page.partNumberMarker);
    if (!page.parts.empty())
        builder.element("NextPartNumberMarker", page.parts.back().number);
    builder.element("MaxParts", page.maxParts)
        .element("IsTruncated", page.truncated ? "true" : "false");
    for (const ListedPart& part : page.parts) {
        builder.open("Part")
            .element("PartNumber", part.number)
            .element("LastModified", isoTime(part.lastModified))
            .element("ETag", part.etag)
            .element("Size", part.size)
            .close("Part");
    }
    return builder.close("ListPartsResult").take();
}

std::string S3Xml::completeResult(std::string_view location, std::string_view bucket,
                                  std::string_view key, std::string_view etag) {
    return document("CompleteMultipartUploadResult")
        .element("Location", location)
        .element("Bucket", bucket)
        .element("Key", key)
        .element("ETag", etag)
        .close("CompleteMultipartUploadResult")
        .take();
}

std::string S3Xml::objectsResult(const ObjectsPage& page) {
    Builder builder = document("ListBucketResult");
    builder.element("Name", page.bucket).element("Prefix", page.prefix);
    if (!page.delimiter.empty())
        builder.element("Delimiter", page.delimiter);
    if (!page.continuationToken.empty())
        builder.element("ContinuationToken", page.continuationToken);
    if (!page.startAfter.empty())
        builder.element("StartAfter", page.startAfter);
    if (page.truncated)
        builder.element("NextContinuationToken", page.nextToken);
    builder
        .element("KeyCount",
                 static_cast<long long>(page.objects.size() + page.commonPrefixes.size()))
        .element("MaxKeys", page.maxKeys)
        .element("IsTruncated", page.truncated ? "true" : "false");
    for (const ListedObject& object : page.objects) {
        builder.open("Contents")
            .element("Key", object.key)
            .element("LastModified", isoTime(object.lastModified))
            .element("ETag", object.etag)
            .element("Size", object.size)
            .element("StorageClass", "STANDARD")
            .close("Contents");
    }
    for (const std::string& prefix : page.commonPrefixes)
        builder.open("CommonPrefixes").element("Prefix", prefix).close("CommonPrefixes");
    return builder.close("ListBucketResult").take();
}

std::optional<std::vector<MultipartUploads::RequestedPart>>
S3Xml::completeRequest(std::string_view body) {
    XmlReader reader(body);
    std::vector<MultipartUploads::RequestedPart> parts;
    std::optional<std::string> number, etag;
    std::string field; // the Part child whose text is being read
    for (;;) {
        const XmlReader::Token token = reader.next();
        switch (token) {
        case XmlReader::Token::Error:
            return std::nullopt;
        case XmlReader::Token::End:
            if (parts.empty())
                return std::nullopt;
            return parts;
        case XmlReader::Token::StartElement:
            if (reader.depth() == 1 && reader.name() != "CompleteMultipartUpload")
                return std::nullopt;
            if (reader.depth() == 2 && reader.name() != "Part")
                return std::nullopt;
            if (reader.depth() == 2) {
                number.reset();
                etag.reset();
            }
            field = reader.depth() == 3 ? reader.name() : std::string();
            if (field == "PartNumber" ? number.has_value() : field == "ETag" && etag.has_value())
                return std::nullopt; // a field given twice
            if (field == "PartNumber")
                number.emplace();
            else if (field == "ETag")
                etag.emplace();
            break;
        case XmlReader::Token::Text:
            if (reader.depth() == 3 && field == "PartNumber")
                *number += reader.text();
            else if (reader.depth() == 3 && field == "ETag")
                *etag += reader.text();
            break;
        case XmlReader::Token::EndElement:
            if (reader.depth() == 1 && reader.name() == "Part") {
                if (!number || !etag)
                    return std::nullopt;
                const std::string_view digits = trimmed(*number);
                int value = 0;
                const auto [end, error] =
                    std::from_chars(digits.data(), digits.data() + digits.size(), value);
                if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
                    return std::nullopt;
                parts.push_back({value, std::string(trimmed(*etag))});
            }
            field.clear();
            break;
        }
    }
}

} // namespace devservice
