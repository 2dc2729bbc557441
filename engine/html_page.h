// The frame every HTML page of Trelk shares: one self-contained HTML5 file in UTF-8, its style and
// script inline (engine/html_page.css and .js), a Content-Security-Policy that lets the browser
// fetch nothing at all and run only that script, and every text of the export escaped. A page
// kind writes its body between begin() and finish(); the script's behaviour comes from markup
// alone (see html_page.js), so a new kind needs no script of its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/file_system.h"
#include "engine/output_buffer.h"
#include "engine/text_encoding.h"

namespace trelk {

// The text as HTML character data or a quoted attribute value: & < > " ' escaped, and a CR kept as
// a reference (the parser would turn it into LF). The text is UTF-8.
void appendHtmlEscaped(std::string& to, std::string_view text);
std::string htmlEscaped(std::string_view text);

// The policy of every page: no fetch of any kind, and only the page's own style and script.
std::string htmlContentSecurityPolicy();

class HtmlPage {
public:
    HtmlPage(OutputFile& file, TextEncoding encoding);
    HtmlPage(const HtmlPage&) = delete;
    HtmlPage& operator=(const HtmlPage&) = delete;

    // Everything up to the start of the body. `title` is UTF-8; `kind` names the page kind in the
    // body's data-page attribute.
    void begin(std::string_view title, std::string_view kind);
    // The rest: the script and the end of the document. The error number of a failed write, or 0.
    int finish();

    OutputBuffer& out() { return out_; }
    HtmlPage& operator<<(std::string_view html) {
        out_ << html;
        return *this;
    }
    HtmlPage& operator<<(int64_t number);

    // A name of the export: converted to UTF-8 and escaped once however often it is written (a
    // large BOM repeats its names hundreds of thousands of times), and numbered in the order the
    // page first meets it, for the ids that links lead to.
    struct Name {
        std::string html;
        uint32_t number;
    };
    const Name& name(std::string_view exportName);
    // A text of the system (the file name, a log line), escaped.
    HtmlPage& systemText(std::string_view text);

private:
    OutputBuffer out_;
    TextEncoding encoding_;
    std::unordered_map<std::string_view, Name> names_;
};

}  // namespace trelk
