#include <iconv.h>

#include <cerrno>

#include "text/code_page.h"

namespace trelk {

std::optional<std::string> gbkToUtf8(std::string_view text) {
    const iconv_t converter = iconv_open("UTF-8", "GBK");
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    // A GBK character of one or two bytes takes at most three bytes of UTF-8 (four for the few of
    // GB 18030 that some converters add): twice the bytes and a little more always suffice.
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());  // iconv's own signature, which never writes there
    size_t inLeft = text.size();
    char* to = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &in, &inLeft, &to, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace trelk
