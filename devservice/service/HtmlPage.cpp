#include "service/HtmlPage.h"

#include "service/HttpUtil.h"

namespace devservice {

std::string HtmlPage::render(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           HttpUtil::htmlEscape(title) +
           "</title><style>"
           "body{font-family:system-ui,sans-serif;max-width:36rem;margin:3rem auto;padding:0 1rem;"
           "color:#1f2937}h1{font-size:1.4rem}ul{padding:0;list-style:none}"
           "li{padding:.5rem 0;border-bottom:1px solid #e5e7eb}.size{color:#6b7280;float:right}"
           "button{font-size:1rem;padding:.4rem 1.2rem;margin-right:.5rem}"
           "input[type=text],input[type=password],input[type=email]{font-size:1rem;padding:.3rem;"
           "width:100%;box-sizing:border-box;margin:.3rem 0 .8rem}.error{color:#b91c1c}"
           "label.user{display:block;margin:.4rem 0}</style></head><body>\n" +
           body + "\n</body></html>\n";
}

std::string HtmlPage::message(const std::string& title, const std::string& text) {
    return render(title, "<h1>" + HttpUtil::htmlEscape(title) + "</h1><p>" +
                             HttpUtil::htmlEscape(text) + "</p>");
}

} // namespace devservice
