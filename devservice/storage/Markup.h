#pragma once

#include <string>
#include <string_view>

namespace devservice {

// Escaping shared by the storage's XML answers and the service's HTML pages.
class Markup {
public:
    // Replaces & < > " and ' with entities; the apostrophe's entity differs between the two
    // (HTML 4 knows no "&apos;"), so the caller names it.
    static std::string escape(std::string_view text, std::string_view apostrophe);
};

} // namespace devservice
