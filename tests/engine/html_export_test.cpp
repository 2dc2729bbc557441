#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/runs/comparison_run.h"
#include "engine/writing/html_page.h"
#include "engine/runs/processing_run.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace trelk {
namespace {

using testing::RecordingHost;
using testing::TempFolder;

TEST(HtmlExport, EscapesEveryCharacterThatMarkupKnows) {
    const struct {
        std::string text, escaped;
    } cases[] = {
        {"BOLT_M6", "BOLT_M6"},
        {"", ""},
        {"<script>", "&lt;script&gt;"},
        {"A&B", "A&amp;B"},
        {"&amp;", "&amp;amp;"},
        {"\"Q'", "&quot;Q&#39;"},
        {"</script><!--", "&lt;/script&gt;&lt;!--"},
        {"CR\rLF\n", "CR&#13;LF\n"},  // the parser would read a bare CR as LF
        {"\xC3\x89T\xE2\x82\xAC", "\xC3\x89T\xE2\x82\xAC"},
    };
    for (const auto& c : cases) EXPECT_EQ(htmlEscaped(c.text), c.escaped) << c.text;
}

// The tags the page is made of; anything else after a '<' in the body would be a name let loose.
const std::set<std::string> kTags = {
    "a",     "b",    "i",   "li",    "ul",    "ol",      "details", "summary", "small", "span",   "table",   "thead",
    "tbody", "tr",   "th",  "td",    "p",     "section", "h1",      "h2",      "dl",    "dt",     "dd",      "header",
    "nav",   "main", "div", "label", "input", "output",  "strong",  "body",    "html",  "script", "noscript"};

// A BOM of a few assemblies over names that would be markup if written as they are: shared and
// missing blocks, assemblies that contain themselves, quantities of either sign.
std::string hostileBom(uint32_t seed) {
    const std::vector<std::string> names = {"<b>", "&amp;", "\"'",   "</script>",       "<!--",
                                            "A<B", "\xC9T", "PLAIN", "</ul></details>", "x=\"#t0\""};
    std::mt19937 random(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const size_t assemblies = 1 + pick(5);
    // Now and then a BOM large enough for the page to hold most of its pieces for later.
    const size_t largeBlock = seed % 25 == 0 ? 1 + pick(assemblies) : assemblies + 1;
    std::string text = "Assembly " + names[0] + "0 contains:\r\n";
    for (size_t a = 0; a < assemblies; ++a) {
        if (a > 0) text += "\r\nSub-Assembly " + names[a % names.size()] + std::to_string(a) + " contains:\r\n";
        for (size_t items = a + 1 == largeBlock ? 3000 : 1 + pick(5); items > 0; --items) {
            const int quantity = static_cast<int>(pick(9)) - 2;
            const size_t other = pick(assemblies + 2);  // past the last: a block that is missing
            if (pick(2) == 0)
                text += std::to_string(quantity) + " Sub-Assembly " + names[other % names.size()] +
                        std::to_string(other) + "\r\n";
            else
                text += std::to_string(quantity) + " Part " + names[pick(names.size())] +
                        (a + 1 == largeBlock ? std::to_string(items) : "") + "\r\n";
        }
    }
    return text;
}

// What every page must be: the tags it is made of and no others, every id once, every link leading
// to an id, lists, tables and foldable parts closed, rows in pieces of a few hundred. The ids found.
std::set<std::string> expectSoundMarkup(const std::string& page) {
    const size_t body = page.find("<body");
    const size_t script = page.find("<script>", body);
    EXPECT_NE(script, std::string::npos);
    EXPECT_EQ(page.find("<script", script + 1), std::string::npos);
    std::map<std::string, int> opened;
    std::set<std::string> ids;
    std::vector<std::string> links;
    for (size_t at = page.find('<', body); at < script; at = page.find('<', at + 1)) {
        const bool closing = page[at + 1] == '/';
        const size_t start = at + (closing ? 2 : 1);
        const size_t end = page.find_first_of(" >", start);
        const std::string tag = page.substr(start, end - start);
        if (!kTags.count(tag)) {
            ADD_FAILURE() << "'<" << page.substr(start, 20) << "' at " << at;
            return ids;
        }
        opened[tag] += closing ? -1 : 1;
        // The text of a piece held for later ends at the first end tag of its kind.
        EXPECT_LE(opened["noscript"], 1) << "a held piece inside another at " << at;
        const std::string element = page.substr(at, page.find('>', at) - at);
        EXPECT_EQ(element.find_first_of("<&", 1), std::string::npos) << element;
        for (const std::string key : {" id=", " href=#", " href=\"#"}) {
            const size_t found = element.find(key);
            if (found == std::string::npos) continue;
            std::string value = element.substr(found + key.size());
            if (!value.empty() && value[0] == '"') value = value.substr(1);
            value = value.substr(0, value.find_first_of("\" "));
            if (key == " id=")
                EXPECT_TRUE(ids.insert(value).second) << "id " << value << " twice";
            else
                links.push_back(value);
        }
    }
    // Lists, tables and foldable sub-assemblies are closed explicitly; other end tags may be left out.
    for (const std::string tag : {"ul", "details", "summary", "table", "tbody", "section", "a", "b", "i", "span", "noscript"})
        EXPECT_EQ(opened[tag], 0) << tag;
    for (const std::string& link : links) EXPECT_TRUE(ids.count(link)) << "link to " << link;
    // Rows come in pieces of a few hundred: a piece per row would cost a large page dearly. A
    // block of changes is a tbody of its own, and one piece may hold many.
    const std::string_view markup = std::string_view(page).substr(body, script - body);
    auto count = [&](std::string_view what) {
        size_t n = 0;
        for (size_t at = markup.find(what); at != std::string::npos; at = markup.find(what, at + 1)) ++n;
        return n;
    };
    // A comparison's totals come in pieces between the changes too.
    EXPECT_LE(count("<tbody") - count("scope=\"rowgroup\"") + count("class=\"piece\""),
              20 + (count("<tr") + count("<li>")) / 100 + 2 * count(" data-changed>"));
    return ids;
}

SectionSelection sectionsOf(uint32_t seed) {
    const uint32_t flags = seed % 32 == 0 ? 31 : seed % 32;
    return {(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0, (flags & 16) != 0};
}

TEST(HtmlExport, NamesStayTextAndEveryLinkLeadsToItsPlace) {
    TempFolder folder;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RunRequest request;
        request.bomFileName = folder.write("top.bom", hostileBom(seed));
        request.applicationFolder = folder.path();
        request.format = ReportFormat::Html;
        request.sections = sectionsOf(seed);
        request.buildQuantity = seed % 3 + 1;
        RecordingHost host;
        ASSERT_TRUE(runProcessing(request, host).stored());
        expectSoundMarkup(testing::readFile(folder.file("Trelk.html")));
    }
}

// A comparison of two hostile BOMs: its page as sound. Every tenth pair is many small blocks, each
// changed, for tables in pieces: the table of changes is cut between blocks only, and the totals
// alike in both files that wait as text hold no change (the page starts with the changes alone).
TEST(HtmlExport, ComparisonPageKeepsNamesTextAndBlocksWhole) {
    TempFolder folder;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const bool large = seed % 10 == 0;
        std::string oldText = hostileBom(seed), newText = hostileBom(seed * 7 + 1);
        if (large) {
            std::string blocks[2], main[2] = {"Assembly <T> contains:\r\n", "Assembly <T> contains:\r\n"};
            for (int a = 0; a < 2100; ++a) {
                const std::string n = std::to_string(a), header = "\r\nSub-Assembly <" + n + "> contains:\r\n";
                main[0] += "1 Sub-Assembly <" + n + ">\r\n";
                main[1] += (a % 500 == 7 ? "2" : "1") + std::string(" Sub-Assembly <") + n + ">\r\n";
                blocks[0] += header + "1 Part &P" + n + "\r\n2 Part \"Q\r\n";
                blocks[1] += header + std::to_string(a % 3) + " Part &P" + n + "\r\n3 Part \"Q\r\n";
            }
            oldText = main[0] + blocks[0];
            newText = main[1] + blocks[1];
        }
        ComparisonRequest request;
        request.oldBomFileName = folder.write("old.bom", oldText);
        request.run.bomFileName = folder.write("new &'b.bom", newText);  // no < or > in a Windows name
        request.run.applicationFolder = folder.path();
        request.run.format = ReportFormat::Html;
        request.run.sections = sectionsOf(large ? 31 : seed);
        request.run.buildQuantity = seed % 3 + 1;
        RecordingHost host;
        ASSERT_TRUE(runComparison(request, host).compared());
        const std::string page = testing::readFile(folder.file("Trelk-compare.html"));
        expectSoundMarkup(page);
        const std::string piece = "<table class=\"block-changes piece-of\">",
                          alike = std::string(kHtmlLaterStart) + "<table class=\"total-changes piece-of\">";
        size_t pieces = 0, alikePieces = 0;
        for (size_t at = page.find(piece); at != std::string::npos; at = page.find(piece, at + 1), ++pieces)
            EXPECT_EQ(page.substr(at + piece.size(), 16), "\n<tbody><tr id=b");
        for (size_t at = page.find(alike); at != std::string::npos; at = page.find(alike, at + 1), ++alikePieces)
            EXPECT_EQ(page.substr(at, page.find(kHtmlLaterEnd, at) - at).find("data-changed"), std::string::npos);
        if (large) {
            EXPECT_GT(pieces, 2u);
            EXPECT_GT(alikePieces, 2u);
        }
    }
}

}  // namespace
}  // namespace trelk
