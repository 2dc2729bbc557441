// Numbers and the line grammar on arbitrary text. readLeadingNumber is checked against a
// reading on decimal strings (no machine arithmetic until the end); the 32-bit readings and the
// quantity against theirs; the engine's one-pass line classification against normalising the
// line and asking the field rules, as the literal reading does.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "support/literal_lines.h"
#include "fuzz_support.h"
#include "text/text_rules.h"

namespace trelk {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The magnitude as a decimal string without leading zeros ("" for zero), rounded half to even.
struct Decimal {
    bool negative = false;
    std::string digits;
};

void addOne(std::string& digits) {
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0)
        digits.insert(digits.begin(), '1');
    else
        ++digits[i - 1];
}

Decimal referenceReading(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    Decimal d;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
    while (i < text.size() && isDigit(text[i])) d.digits += text[i++];
    std::string fraction;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && isDigit(text[i]); ++i) fraction += text[i];
    const size_t nonZero = d.digits.find_first_not_of('0');
    d.digits = nonZero == std::string::npos ? "" : d.digits.substr(nonZero);
    if (!fraction.empty()) {
        const bool above =
            fraction[0] > '5' || (fraction[0] == '5' && fraction.find_first_not_of('0', 1) != std::string::npos);
        const bool odd = !d.digits.empty() && (d.digits.back() - '0') % 2 == 1;
        if (above || (fraction[0] == '5' && !above && odd)) addOne(d.digits);
    }
    return d;
}

// -1, 0 or 1 as the magnitude compares with the decimal text of a limit.
int compareMagnitude(const std::string& digits, const std::string& limit) {
    if (digits.size() != limit.size()) return digits.size() < limit.size() ? -1 : 1;
    return digits < limit ? -1 : digits == limit ? 0 : 1;
}

bool fits(const Decimal& d, int64_t min, int64_t max) {
    const std::string limit = d.negative ? std::to_string(min).substr(1) : std::to_string(max);
    return compareMagnitude(d.digits, limit) <= 0;
}

int64_t valueOf(const Decimal& d) {
    if (d.digits.empty()) return 0;
    if (d.negative)
        return d.digits == "9223372036854775808" ? std::numeric_limits<int64_t>::min() : -std::stoll(d.digits);
    return std::stoll(d.digits);
}

void checkNumbers(std::string_view text) {
    const Decimal d = referenceReading(text);
    const LeadingNumber n = readLeadingNumber(text);
    const bool inRange = fits(d, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    fuzz::check(n.outOfRange == !inRange, "64-bit range decided wrongly");
    if (inRange)
        fuzz::checkEqual(std::to_string(valueOf(d)), std::to_string(n.value), "leading number");
    else
        fuzz::check(n.value == 0, "an out-of-range number is not 0");

    const bool in32 = fits(d, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    const int32_t clamped = in32         ? static_cast<int32_t>(valueOf(d))
                            : d.negative ? std::numeric_limits<int32_t>::min()
                                         : std::numeric_limits<int32_t>::max();
    fuzz::check(readLeadingInt32(text) == clamped, "32-bit reading not clamped to its range");
    const Quantity q = readQuantityField(text);
    fuzz::check(q.outOfRange == !in32 && q.value == (in32 ? clamped : 0), "quantity");
    if (inRange)
        fuzz::check(readLeadingNumber(formatSignedDecimal(n.value)).value == n.value,
                    "a number does not survive its text");
}

void checkLine(std::string_view line, const KeywordSet& keywords) {
    LineClassifier classifier(keywords);
    const LineClass c = classifier.classify(line);
    const std::string normalised = normaliseLine(line);
    fuzz::check(c.empty == normalised.empty(), "empty line");
    fuzz::check(c.header == isBlockHeader(normalised, keywords.contains), "block header");
    fuzz::check(normalised.empty() || c.kind == itemKind(normalised, keywords), "item kind");
    fuzz::checkEqual(field(normalised, 1), c.quantity, "field 1");
    if (c.header) fuzz::checkEqual(headerAssemblyName(normalised, keywords.contains), c.headerName, "name of a header");
    fuzz::checkEqual(field(normalised, -1), c.item, "field -1");
    const Quantity fromLine = readQuantity(normalised), fromField = readQuantityField(c.quantity);
    fuzz::check(fromLine.value == fromField.value && fromLine.outOfRange == fromField.outOfRange, "quantity of a line");
}

}  // namespace
}  // namespace trelk

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trelk;
    FuzzedDataProvider input(data, size);
    KeywordSet keywords;
    if (input.ConsumeBool()) {
        keywords.contains = input.ConsumeRandomLengthString(16);
        keywords.SubAssembly = input.ConsumeRandomLengthString(16);
        keywords.Part = input.ConsumeRandomLengthString(16);
    }
    const std::string text = input.ConsumeRemainingBytesAsString();
    checkNumbers(text);
    // Line ends never reach the grammar: it sees the lines that the file was cut into.
    for (const std::string_view line : splitLines(text)) checkLine(line, keywords);
    return 0;
}
