#include <gtest/gtest.h>

#include <algorithm>
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
    for (const std::string tag :
         {"ul", "details", "summary", "table", "tbody", "section", "a", "b", "i", "span", "noscript"})
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

// A large tree as the script makes it whole: the pieces in place unwrapped, each slot replaced by
// the piece held apart for it, every such piece used once. Each entry as its depth of lists and
// its name.
std::vector<std::pair<int, std::string>> treeMadeWhole(const std::string& page) {
    const size_t begin = page.find("<ul class=\"tree\"");
    const size_t end = page.find("</section>", begin);
    const size_t heldAt = page.find("<div class=\"held\">", begin);
    std::string tree = page.substr(begin, std::min(heldAt, end) - begin);
    const std::string heldStart = "<div class=\"later held\" id=\"";
    std::map<std::string, std::string> apart;
    for (size_t at = page.find(heldStart, begin); at < end; at = page.find(heldStart, at + 1)) {
        const size_t id = at + heldStart.size();
        const size_t text = page.find("</p>", at) + 4;  // after the link back
        EXPECT_TRUE(apart
                        .emplace(page.substr(id, page.find('"', id) - id),
                                 page.substr(text, page.find("</noscript>", text) - text))
                        .second);
    }
    const std::string inPlace = "<div class=\"later\" id=\"";
    for (size_t at; (at = tree.find(inPlace)) != std::string::npos;)
        tree.erase(at, tree.find("<noscript>", at) + 10 - at);
    for (size_t at; (at = tree.find("</noscript></div>")) != std::string::npos;) tree.erase(at, 17);
    const std::string slot = "<div class=\"slot\" id=\"s";
    for (size_t at; (at = tree.find(slot)) != std::string::npos;) {
        const size_t id = at + slot.size();
        const auto piece = apart.find("p" + tree.substr(id, tree.find('"', id) - id));
        if (piece == apart.end()) {
            ADD_FAILURE() << "no piece for " << tree.substr(at, 40);
            return {};
        }
        tree.replace(at, tree.find("</div>", at) + 6 - at, piece->second);
        apart.erase(piece);
    }
    EXPECT_TRUE(apart.empty()) << apart.size() << " pieces held apart without a slot";
    EXPECT_EQ(tree.find("<noscript"), std::string::npos);
    std::vector<std::pair<int, std::string>> entries;
    int depth = 0;
    for (size_t at = tree.find('<'); at != std::string::npos; at = tree.find('<', at + 1)) {
        if (tree.compare(at, 3, "<ul") == 0) ++depth;
        if (tree.compare(at, 4, "</ul") == 0) --depth;
        if (tree.compare(at, 3, "<b>") != 0) continue;
        std::string name = tree.substr(at + 3, tree.find("</b>", at) - at - 3);
        if (name.rfind("<a ", 0) == 0) name = name.substr(name.find('>') + 1, name.find("</a>") - name.find('>') - 1);
        entries.emplace_back(depth, name);
    }
    return entries;
}

// Large trees whose sub-assemblies' lists would nest pieces held for later: their pages hold none
// inside another, and made whole they are the tree in file order, each sub-assembly unfolded where
// it is first used.
TEST(HtmlExport, LargeTreeHeldInPiecesIsWholeWhenMade) {
    using Blocks = std::vector<std::pair<std::string, std::vector<std::string>>>;  // the main assembly first
    auto items = [](const std::string& prefix, int count) {
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
        return names;
    };
    auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    Blocks chain = {{"M", join(join({"S0"}, items("P", 2500)), {"S0"})},
                    {"S0", join(items("Q", 600), {"S1"})},
                    {"S1", join(items("R", 600), {"S2"})},
                    {"S2", items("T", 600)}};
    Blocks deep = {{"M", join(items("P", 2100), {"D0"})}};
    for (int d = 0; d < 30; ++d)
        deep.push_back(
            {"D" + std::to_string(d),
             join(items("E" + std::to_string(d) + "_", d == 29 ? 700 : 3),
                  d == 29 ? std::vector<std::string>{} : std::vector<std::string>{"D" + std::to_string(d + 1)})});
    // A long list first used deep inside another's, then again in the main assembly's.
    Blocks late = {{"M", join(join({"A"}, items("P", 2100)), {"L"})},
                   {"A", join(items("Q", 300), {"B"})},
                   {"B", join(items("R", 10), {"L", "L"})},
                   {"L", items("T", 1300)}};
    TempFolder folder;
    for (const auto& [label, blocks] :
         std::vector<std::pair<std::string, Blocks>>{{"chain", chain}, {"deep", deep}, {"late", late}}) {
        SCOPED_TRACE(label);
        std::map<std::string, std::vector<std::string>> of(blocks.begin(), blocks.end());
        std::string text;
        for (const auto& [name, children] : blocks) {
            text += (name == "M" ? "Assembly M contains:\r\n" : "\r\nSub-Assembly " + name + " contains:\r\n");
            for (const std::string& child : children)
                text += (of.count(child) ? "1 Sub-Assembly " : "1 Part ") + child + "\r\n";
        }
        std::vector<std::pair<int, std::string>> expected = {{1, "M"}};
        std::set<std::string> unfolded;
        const auto walk = [&](const auto& self, const std::string& block, int depth) -> void {
            for (const std::string& child : of[block]) {
                expected.emplace_back(depth, child);
                if (of.count(child) && unfolded.insert(child).second) self(self, child, depth + 1);
            }
        };
        walk(walk, "M", 2);
        RunRequest request;
        request.bomFileName = folder.write("top.bom", text);
        request.applicationFolder = folder.path();
        request.format = ReportFormat::Html;
        request.sections = {true, false, false, false, false};
        RecordingHost host;
        ASSERT_TRUE(runProcessing(request, host).stored());
        const std::string page = testing::readFile(folder.file("Trelk.html"));
        expectSoundMarkup(page);
        EXPECT_NE(page.find("<div class=\"later held\""), std::string::npos);
        EXPECT_EQ(treeMadeWhole(page), expected);
    }
}

// A comparison of two hostile BOMs: its page as sound. Every tenth pair is many small blocks, each
// changed, for tables in pieces: the table of changes is cut between blocks only, every piece of
// the totals after the first waits as text, and one that holds a change holds no long run of totals
// alike in both files (the page starts with the changes alone: such a run hides whole).
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
                          totalsPiece = "<table class=\"total-changes piece-of\">",
                          held = std::string(kHtmlLaterStart) + totalsPiece;
        size_t pieces = 0, heldPieces = 0, alikePieces = 0, changedPieces = 0;
        for (size_t at = page.find(piece); at != std::string::npos; at = page.find(piece, at + 1), ++pieces)
            EXPECT_EQ(page.substr(at + piece.size(), 16), "\n<tbody><tr id=b");
        // Every piece of the totals after the first is held as text.
        for (size_t at = page.find(totalsPiece); at != std::string::npos; at = page.find(totalsPiece, at + 1))
            EXPECT_TRUE(at >= kHtmlLaterStart.size() &&
                        page.compare(at - kHtmlLaterStart.size(), kHtmlLaterStart.size(), kHtmlLaterStart) == 0);
        for (size_t at = page.find(held); at != std::string::npos; at = page.find(held, at + 1), ++heldPieces) {
            const std::string text = page.substr(at, page.find(kHtmlLaterEnd, at) - at);
            if (text.find("data-changed") == std::string::npos) {
                ++alikePieces;
                continue;
            }
            ++changedPieces;
            size_t run = 0, longest = 0;
            for (size_t row = text.find("<tr"); row != std::string::npos; row = text.find("<tr", row + 1)) {
                run = text.compare(row, 4, "<tr>") == 0 ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            EXPECT_LT(longest, 20u);
        }
        if (large) {
            EXPECT_GT(pieces, 2u);
            EXPECT_GT(alikePieces, 2u);
            EXPECT_GT(changedPieces, 0u);
        }
    }
}

}  // namespace
}  // namespace trelk
