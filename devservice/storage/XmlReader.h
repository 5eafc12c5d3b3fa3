#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace devservice {

// A strict pull reader for the small XML documents clients send to the storage. It checks
// well-formedness (nesting, names, entities) and refuses document type declarations, so no
// entity expansion can happen. Namespace prefixes are dropped from element names.
class XmlReader {
public:
    enum class Token { StartElement, EndElement, Text, End, Error };

    explicit XmlReader(std::string_view document, std::size_t maxDepth = 16);

    Token next();
    // The element's local name for start and end tokens, the decoded characters for text.
    const std::string& name() const { return m_name; }
    const std::string& text() const { return m_text; }
    std::size_t depth() const { return m_open.size(); }

private:
    bool skipMisc();
    bool readName(std::string& out);
    bool readAttributes(bool& selfClosing);
    bool readText();
    bool decodeEntity(std::string& out);
    Token fail();

    std::string_view m_doc;
    std::size_t m_pos = 0;
    std::size_t m_maxDepth;
    std::vector<std::string> m_open;
    std::string m_name;
    std::string m_text;
    bool m_pendingEnd = false; // a self-closing tag still owes its end token
    bool m_rootSeen = false;
    bool m_failed = false;
};

} // namespace devservice
