// mirolan-cli search: what the window's result pane would hold, on standard output.
#include "commands.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "catalogs/catalog_files.h"
#include "catalogs/paths.h"
#include "cli_settings.h"
#include "platform/files.h"
#include "regexpr/regexpr.h"
#include "search/catalog_search.h"
#include "search/line_cut.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

#ifdef _WIN32
constexpr char kNewline[] = "\r\n";
#else
constexpr char kNewline[] = "\n";
#endif

// Collects the lines and writes them in large blocks: a terminal search may print millions. The
// caller flushes: a flush that fails while an error unwinds could not be reported.
class TOutputSink : public TSearchSink {
public:
    void AppendLine(std::string_view line) override {
        buffer.append(line).append(kNewline);
        if (buffer.size() >= kBlock) {
            Flush();
        }
    }
    void Flush() {
        WriteOut(buffer);
        buffer.clear();
    }
    void CutShort(std::string_view why) override { reason = why; }
    // Why the engine gave up on the catalog just searched, once; empty when it did not.
    std::string TakeReason() { return std::exchange(reason, {}); }

private:
    std::string reason;
    static constexpr std::size_t kBlock = 1 << 16;
    std::string buffer;
};

struct TCatalogRef {
    std::string name; // as the heading shows it
    std::string path;
};

// Every catalog of the catalog folder, in the catalog list's order, as if all were ticked.
std::vector<TCatalogRef> AllCatalogs(const TInvocation& invocation) {
    const std::string folder = DefaultCatalogFolder(invocation.toolPath);
    std::vector<TCatalogRef> catalogs;
    for (const std::string& name : ListCatalogNames(folder)) {
        catalogs.push_back({name, JoinPath(folder, name)});
    }
    return catalogs;
}

// The engine's own message for a faulty expression or modifier string, or nothing.
std::optional<std::string> ExpressionError(const std::string& expression, const std::string& modifiers) {
    try {
        regexpr::TRegEngine engine;
        engine.SetModifierStr(modifiers);
        engine.SetExpression(expression);
        engine.Compile();
    } catch (const regexpr::ERegEngine& error) {
        return std::string(error.what());
    }
    return std::nullopt;
}

} // namespace

int SearchCommand(const TInvocation& invocation) {
    std::string modifiers = ModifierString({});
    std::vector<std::string> rest;
    const auto& arguments = invocation.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-m" && rest.empty()) {
            if (++i == arguments.size()) {
                throw EUsage("-m needs a modifier string");
            }
            modifiers = arguments[i];
        } else {
            rest.push_back(arguments[i]);
        }
    }
    if (rest.empty()) {
        throw EUsage("needs an expression");
    }
    const std::string expression = rest[0];
    if (const auto error = ExpressionError(expression, modifiers)) {
        throw std::runtime_error(*error);
    }
    std::vector<TCatalogRef> catalogs;
    if (rest.size() == 1) {
        catalogs = AllCatalogs(invocation);
    }
    for (std::size_t i = 1; i < rest.size(); ++i) {
        catalogs.push_back({rest[i].substr(platform::FileNameStart(rest[i])), rest[i]});
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // lines end as the window's pane would hold them
#endif
    TOutputSink out;
    std::size_t lines = 0;
    bool failed = false;
    // Like grep: a catalog that cannot be searched is named with the reason, and the rest are searched.
    const auto complain = [&](const TCatalogRef& catalog, const std::string& why) {
        out.Flush(); // its lines before its complaint
        std::fprintf(stderr, "mirolan-cli: %s: %s\n", catalog.path.c_str(), why.c_str());
        failed = true;
    };
    std::string text; // one buffer for every catalog: fresh memory for each costs its page faults
    for (const TCatalogRef& catalog : catalogs) {
        // A catalog named on the command line must be there: a typing mistake is not "nothing matched".
        if (!platform::FileExists(catalog.path)) {
            complain(catalog,
                     platform::FolderExists(catalog.path) ? "a folder, not a catalog" : "no such catalog");
            continue;
        }
        try {
            ReadCatalogText(catalog.path, text);
            lines += SearchCatalogText(catalog.name, text, expression, modifiers, out);
        } catch (const std::exception& error) {
            complain(catalog, error.what());
            continue;
        }
        if (const std::string reason = out.TakeReason(); !reason.empty()) {
            complain(catalog, reason);
        }
    }
    out.Flush();
    return failed ? kExitFailure : lines > 0 ? kExitSuccess : kExitNoMatch;
}
