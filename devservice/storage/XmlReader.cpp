#include "XmlReader.h"

namespace devservice {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool isNameChar(unsigned char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

XmlReader::XmlReader(std::string_view document, std::size_t maxDepth)
    : m_doc(document), m_maxDepth(maxDepth) {
    if (m_doc.starts_with("\xEF\xBB\xBF"))
        m_pos = 3;
}

XmlReader::Token XmlReader::fail() {
    m_failed = true;
    return Token::Error;
}

// Skips whitespace, comments, processing instructions and the XML declaration; false on a
// malformed one or on a document type declaration.
bool XmlReader::skipMisc() {
    for (;;) {
        while (m_pos < m_doc.size() && isSpace(m_doc[m_pos]))
            ++m_pos;
        const std::string_view rest = m_doc.substr(m_pos);
        if (rest.starts_with("<!--")) {
            const auto end = rest.find("-->", 4);
            if (end == std::string_view::npos)
                return false;
            m_pos += end + 3;
        } else if (rest.starts_with("<?")) {
            const auto end = rest.find("?>", 2);
            if (end == std::string_view::npos)
                return false;
            m_pos += end + 2;
        } else {
            return !rest.starts_with("<!DOCTYPE") && !rest.starts_with("<!doctype");
        }
    }
}

bool XmlReader::readName(std::string& out) {
    const std::size_t start = m_pos;
    if (m_pos >= m_doc.size() || !isNameStart(static_cast<unsigned char>(m_doc[m_pos])))
        return false;
    while (m_pos < m_doc.size() && isNameChar(static_cast<unsigned char>(m_doc[m_pos])))
        ++m_pos;
    const std::string_view full = m_doc.substr(start, m_pos - start);
    const auto colon = full.rfind(':');
    out.assign(colon == std::string_view::npos ? full : full.substr(colon + 1));
    return !out.empty();
}

bool XmlReader::readAttributes(bool& selfClosing) {
    std::string ignored;
    for (;;) {
        const std::size_t before = m_pos;
        while (m_pos < m_doc.size() && isSpace(m_doc[m_pos]))
            ++m_pos;
        if (m_pos >= m_doc.size())
            return false;
        if (m_doc[m_pos] == '>') {
            ++m_pos;
            selfClosing = false;
            return true;
        }
        if (m_doc.substr(m_pos).starts_with("/>")) {
            m_pos += 2;
            selfClosing = true;
            return true;
        }
        if (m_pos == before || !readName(ignored))
            return false;
        while (m_pos < m_doc.size() && isSpace(m_doc[m_pos]))
            ++m_pos;
        if (m_pos >= m_doc.size() || m_doc[m_pos] != '=')
            return false;
        ++m_pos;
        while (m_pos < m_doc.size() && isSpace(m_doc[m_pos]))
            ++m_pos;
        if (m_pos >= m_doc.size() || (m_doc[m_pos] != '"' && m_doc[m_pos] != '\''))
            return false;
        const char quote = m_doc[m_pos++];
        const auto end = m_doc.find(quote, m_pos);
        if (end == std::string_view::npos ||
            m_doc.substr(m_pos, end - m_pos).find('<') != std::string_view::npos)
            return false;
        m_pos = end + 1;
    }
}

bool XmlReader::decodeEntity(std::string& out) {
    const auto end = m_doc.find(';', m_pos);
    if (end == std::string_view::npos || end - m_pos > 12)
        return false;
    const std::string_view entity = m_doc.substr(m_pos + 1, end - m_pos - 1);
    m_pos = end + 1;
    if (entity == "amp")
        out += '&';
    else if (entity == "lt")
        out += '<';
    else if (entity == "gt")
        out += '>';
    else if (entity == "quot")
        out += '"';
    else if (entity == "apos")
        out += '\'';
    else if (entity.size() >= 2 && entity[0] == '#') {
        const bool hex = entity[1] == 'x';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        unsigned long code = 0;
        for (char c : digits) {
            int value = -1;
            if (c >= '0' && c <= '9')
                value = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                value = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                value = c - 'A' + 10;
            if (value < 0)
                return false;
            code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        appendUtf8(out, code);
    } else {
        return false;
    }
    return true;
}

bool XmlReader::readText() {
    m_text.clear();
    while (m_pos < m_doc.size()) {
        const char c = m_doc[m_pos];
        if (c == '<') {
            const std::string_view rest = m_doc.substr(m_pos);
            if (!rest.starts_with("<![CDATA["))
                return true;
            const auto end = rest.find("]]>");
            if (end == std::string_view::npos)
                return false;
            m_text.append(rest.substr(9, end - 9));
            m_pos += end + 3;
        } else if (c == '&') {
            if (!decodeEntity(m_text))
                return false;
        } else {
            m_text += c;
            ++m_pos;
        }
    }
    return true;
}

XmlReader::Token XmlReader::next() {
    if (m_failed)
        return Token::Error;
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return Token::EndElement;
    }
    if (m_open.empty()) {
        if (!skipMisc())
            return fail();
        if (m_pos >= m_doc.size())
            return m_rootSeen ? Token::End : fail();
        if (m_rootSeen)
            return fail(); // a second root or stray text
    } else if (m_pos >= m_doc.size()) {
        return fail(); // unclosed elements
    } else if (m_doc[m_pos] != '<' || m_doc.substr(m_pos).starts_with("<![CDATA[")) {
        if (!readText() || m_pos >= m_doc.size())
            return fail();
        return Token::Text;
    }
    if (m_pos >= m_doc.size() || m_doc[m_pos] != '<')
        return fail();
    const std::string_view rest = m_doc.substr(m_pos);
    if (rest.starts_with("<!--") || rest.starts_with("<?")) {
        if (!skipMisc())
            return fail();
        return next();
    }
    if (rest.starts_with("</")) {
        m_pos += 2;
        if (m_open.empty() || !readName(m_name))
            return fail();
        while (m_pos < m_doc.size() && isSpace(m_doc[m_pos]))
            ++m_pos;
        if (m_pos >= m_doc.size() || m_doc[m_pos] != '>')
            return fail();
        ++m_pos;
        if (m_open.back() != m_name)
            return fail();
        m_open.pop_back();
        return Token::EndElement;
    }
    ++m_pos;
    if (!readName(m_name) || depth() >= m_maxDepth)
        return fail();
    bool selfClosing = false;
    if (!readAttributes(selfClosing))
        return fail();
    m_open.push_back(m_name);
    m_rootSeen = true;
    m_pendingEnd = selfClosing;
    return Token::StartElement;
}

} // namespace devservice
