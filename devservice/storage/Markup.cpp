#include "Markup.h"

namespace devservice {

std::string Markup::escape(std::string_view text, std::string_view apostrophe) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += apostrophe;
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace devservice
