#include "engine/html_page.h"

#include <charconv>

#include "html_page_assets.h"

namespace trelk {

void appendHtmlEscaped(std::string& to, std::string_view text) {
    size_t plain = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view reference;
        switch (text[i]) {
        case '&': reference = "&amp;"; break;
        case '<': reference = "&lt;"; break;
        case '>': reference = "&gt;"; break;
        case '"': reference = "&quot;"; break;
        case '\'': reference = "&#39;"; break;
        case '\r': reference = "&#13;"; break;
        default: continue;
        }
        to.append(text.data() + plain, i - plain);
        to += reference;
        plain = i + 1;
    }
    to.append(text.data() + plain, text.size() - plain);
}

std::string htmlEscaped(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    appendHtmlEscaped(escaped, text);
    return escaped;
}

std::string htmlContentSecurityPolicy() {
    // default-src covers every fetch but these: base-uri and form-action need naming of their own.
    std::string policy = "default-src 'none'; style-src ";
    policy += kHtmlPageStyleHash;
    policy += "; script-src ";
    policy += kHtmlPageScriptHash;
    policy += "; base-uri 'none'; form-action 'none'";
    return policy;
}

HtmlPage::HtmlPage(OutputFile& file, TextEncoding encoding) : out_(file), encoding_(encoding) {}

void HtmlPage::begin(std::string_view title, std::string_view kind) {
    // The policy comes first, before anything it governs.
    out_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<meta http-equiv=\"Content-Security-Policy\" content=\"" << htmlContentSecurityPolicy() << "\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<meta name=\"generator\" content=\"Trelk\">\n<title>" << htmlEscaped(title) << "</title>\n<style>"
         << kHtmlPageStyle << "</style>\n</head>\n<body data-page=\"" << kind << "\">\n";
}

int HtmlPage::finish() {
    out_ << "<script>" << kHtmlPageScript << "</script>\n</body>\n</html>\n";
    return out_.finish();
}

HtmlPage& HtmlPage::operator<<(int64_t number) {
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, number);
    out_ << std::string_view(digits, static_cast<size_t>(end.ptr - digits));
    return *this;
}

const HtmlPage::Name& HtmlPage::name(std::string_view exportName) {
    const auto [at, added] = names_.try_emplace(exportName);
    if (added) {
        at->second.html = htmlEscaped(toUtf8(exportName, encoding_));
        at->second.number = static_cast<uint32_t>(names_.size() - 1);
    }
    return at->second;
}

HtmlPage& HtmlPage::systemText(std::string_view text) {
    out_ << htmlEscaped(systemTextToUtf8(text));
    return *this;
}

HtmlTablePieces::HtmlTablePieces(HtmlPage& page, std::string_view kind, size_t rows)
    : page_(page), kind_(kind), large_(rows > kHtmlLargeRows) {}

HtmlTablePieces::~HtmlTablePieces() { page_ << "</tr>\n</tbody>\n</table>" << (later_ ? kHtmlLaterEnd : "") << "\n"; }

void HtmlTablePieces::next() {
    if (!large_) {
        page_ << "</tr>\n</tbody><tbody>";
        return;
    }
    page_ << "</tr>\n</tbody>\n</table>" << (later_ ? kHtmlLaterEnd : "") << kHtmlLaterStart << "<table class=\""
          << kind_ << " piece-of\"><tbody>";
    later_ = true;
}

}  // namespace trelk
