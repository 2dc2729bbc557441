#include "engine/writing/html_page.h"

#include <charconv>

#include "engine/rollup/tree_builder.h"
#include "engine/rollup/rollup.h"
#include "engine/rollup/summary_check.h"
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

std::string htmlContentSecurityPolicy(bool attributeColumns) {
    // default-src covers every fetch but these: base-uri and form-action need naming of their own.
    std::string policy = "default-src 'none'; style-src ";
    policy += attributeColumns ? kHtmlPageAttributesStyleHash : kHtmlPageStyleHash;
    policy += "; script-src ";
    policy += attributeColumns ? kHtmlPageAttributesScriptHash : kHtmlPageScriptHash;
    policy += "; base-uri 'none'; form-action 'none'";
    return policy;
}

HtmlPage::HtmlPage(OutputFile& file, TextEncoding encoding) : out_(file), encoding_(encoding) {}

void HtmlPage::begin(std::string_view title, std::string_view kind, bool attributeColumns) {
    attributeColumns_ = attributeColumns;
    // The policy comes first, before anything it governs.
    out_ << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         << "<meta http-equiv=\"Content-Security-Policy\" content=\"" << htmlContentSecurityPolicy(attributeColumns)
         << "\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<meta name=\"generator\" content=\"Trelk\">\n<title>" << htmlEscaped(title) << "</title>\n<style>"
         << (attributeColumns ? kHtmlPageAttributesStyle : kHtmlPageStyle) << "</style>\n</head>\n<body data-page=\""
         << kind << "\">\n";
}

int HtmlPage::finish() {
    out_ << "<script>" << (attributeColumns_ ? kHtmlPageAttributesScript : kHtmlPageScript)
         << "</script>\n</body>\n</html>\n";
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

namespace {

enum class LogKind : uint8_t { Plain, Warning, Problem };

LogKind logKind(std::string_view line) {
    if (line.rfind(messages::kSummaryDiffers, 0) == 0 || line == messages::kFurtherSummaryDifferences)
        return LogKind::Warning;
    const std::string_view problems[] = {messages::kAssemblyNotFound,     messages::kContainsItself,
                                         messages::kTooManyMessages,      messages::kTooComplex,
                                         messages::kTotalOutOfRange,      messages::kPathQuantityOutOfRange,
                                         "Quantity out of range in line "};
    for (const std::string_view start : problems)
        if (line.rfind(start, 0) == 0) return LogKind::Problem;
    return LogKind::Plain;
}

}  // namespace

void writeHtmlLog(HtmlPage& page, std::string_view title, const std::vector<std::string>& lines) {
    int64_t warnings = 0, problems = 0;
    for (const std::string& line : lines) {
        const LogKind kind = logKind(line);
        warnings += kind == LogKind::Warning;
        problems += kind == LogKind::Problem;
    }
    page << "<details class=\"log\" open><summary>" << title << ": " << static_cast<int64_t>(lines.size()) << " lines";
    if (problems > 0) page << ", " << problems << (problems == 1 ? " problem" : " problems");
    if (warnings > 0) page << ", " << warnings << (warnings == 1 ? " warning" : " warnings");
    page << "</summary>\n<ol>\n";
    for (const std::string& line : lines) {
        switch (logKind(line)) {
        case LogKind::Plain: page << "<li>"; break;
        case LogKind::Warning: page << "<li class=\"warn\"><strong>&#x26A0; Warning:</strong> "; break;
        case LogKind::Problem: page << "<li class=\"problem\"><strong>&#x2716; Problem:</strong> "; break;
        }
        page.systemText(line) << "\n";
    }
    page << "</ol>\n</details>\n";
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
