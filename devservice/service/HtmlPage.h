#pragma once

#include <string>

namespace devservice {

// The shell of every page the service shows in a browser: sign-in, download pages, errors.
class HtmlPage {
public:
    // `body` is trusted HTML; the title is escaped.
    static std::string render(const std::string& title, const std::string& body);
    static std::string message(const std::string& title, const std::string& text);
};

} // namespace devservice
