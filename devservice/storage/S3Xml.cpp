#include "S3Xml.h"

#include "Markup.h"

#include <expat.h>

#include <charconv>
#include <ctime>
#include <limits>

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

// Reads a CompleteMultipartUpload document with expat. Document type declarations are refused,
// so no entity is ever declared or expanded; namespace prefixes are ignored.
class CompleteRequestReader {
public:
    CompleteRequestReader() : m_parser(XML_ParserCreateNS(nullptr, separator)) {
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, onStart, onEnd);
        XML_SetCharacterDataHandler(m_parser, onText);
        XML_SetStartDoctypeDeclHandler(m_parser, onDoctype);
    }
    ~CompleteRequestReader() { XML_ParserFree(m_parser); }
    CompleteRequestReader(const CompleteRequestReader&) = delete;
    CompleteRequestReader& operator=(const CompleteRequestReader&) = delete;

    std::optional<std::vector<MultipartUploads::RequestedPart>> read(std::string_view body) {
        if (!m_parser || body.size() > std::size_t(std::numeric_limits<int>::max()))
            return std::nullopt;
        const bool parsed =
            XML_Parse(m_parser, body.data(), int(body.size()), XML_TRUE) == XML_STATUS_OK;
        if (!parsed || m_failed || m_parts.empty())
            return std::nullopt;
        return std::move(m_parts);
    }

private:
    static constexpr XML_Char separator = '|'; // never part of a local name
    static constexpr int maxDepth = 16;

    static std::string_view localName(const XML_Char* name) {
        const std::string_view full(name);
        const auto cut = full.rfind(separator);
        return cut == std::string_view::npos ? full : full.substr(cut + 1);
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char**) {
        auto& self = *static_cast<CompleteRequestReader*>(data);
        const std::string_view local = localName(name);
        ++self.m_depth;
        if (self.m_depth > maxDepth || (self.m_depth == 1 && local != "CompleteMultipartUpload") ||
            (self.m_depth == 2 && local != "Part"))
            return self.fail();
        if (self.m_depth == 2) {
            self.m_number.reset();
            self.m_etag.reset();
        }
        self.m_field = self.m_depth == 3 ? std::string(local) : std::string();
        std::optional<std::string>* field = self.m_field == "PartNumber" ? &self.m_number
                                            : self.m_field == "ETag"     ? &self.m_etag
                                                                         : nullptr;
        if (field && field->has_value())
            return self.fail(); // a field given twice
        if (field)
            field->emplace();
    }

    static void XMLCALL onEnd(void* data, const XML_Char*) {
        auto& self = *static_cast<CompleteRequestReader*>(data);
        --self.m_depth;
        if (self.m_depth == 1 && !self.closePart())
            return self.fail();
        self.m_field.clear();
    }

    static void XMLCALL onText(void* data, const XML_Char* text, int length) {
        auto& self = *static_cast<CompleteRequestReader*>(data);
        if (self.m_depth != 3)
            return;
        if (self.m_field == "PartNumber")
            self.m_number->append(text, std::size_t(length));
        else if (self.m_field == "ETag")
            self.m_etag->append(text, std::size_t(length));
    }

    static void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int) {
        static_cast<CompleteRequestReader*>(data)->fail();
    }

    bool closePart() {
        if (!m_number || !m_etag)
            return false;
        const std::string_view digits = trimmed(*m_number);
        int value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.empty())
            return false;
        m_parts.push_back({value, std::string(trimmed(*m_etag))});
        return true;
    }

    void fail() {
        m_failed = true;
        XML_StopParser(m_parser, XML_FALSE);
    }

    XML_Parser m_parser;
    int m_depth = 0;
    bool m_failed = false;
    std::vector<MultipartUploads::RequestedPart> m_parts;
    std::optional<std::string> m_number, m_etag;
    std::string m_field; // the Part child whose text is being read
};

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
    return CompleteRequestReader().read(body);
}

} // namespace devservice
