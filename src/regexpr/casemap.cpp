#include "regexpr/casemap.h"

#include "platform/codepage.h"

namespace regexpr {

const CaseTable& DefaultInvertCaseTable() {
    static const CaseTable table = [] {
        CaseTable built{};
        for (int c = 0; c < 256; ++c) {
            const char ch = static_cast<char>(c);
            const char upper = platform::UpperChar(ch);
            built[c] = static_cast<std::uint8_t>(upper != ch ? upper : platform::LowerChar(ch));
        }
        return built;
    }();
    return table;
}

} // namespace regexpr
