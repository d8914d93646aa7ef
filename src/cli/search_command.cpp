// mirolan-cli search: what the window's result pane would hold, on standard output.
#include "commands.h"

#include <cstdio>

#include "catalogs/catalog_files.h"
#include "catalogs/paths.h"
#include "catalogs/walker.h"
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

// Collects the lines and writes them in large blocks: a terminal search may print millions.
class TOutputSink : public TSearchSink {
public:
    ~TOutputSink() { Flush(); }
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

private:
    static constexpr std::size_t kBlock = 1 << 16;
    std::string buffer;
};

struct TCatalogRef {
    std::string name; // as the heading shows it
    std::string path;
};

std::string FileNameOf(const std::string& path) {
    std::size_t cut = path.size();
    while (cut > 0 && !platform::IsPathSeparator(path[cut - 1]) && path[cut - 1] != ':') {
        --cut;
    }
    return path.substr(cut);
}

// Every catalog of the catalog folder, in the catalog list's order, as if all were ticked.
std::vector<TCatalogRef> AllCatalogs(const TInvocation& invocation) {
    const std::string folder = DefaultCatalogFolder(invocation.toolPath);
    std::vector<std::string> names;
    ListFiles(folder, "*.*", kAllAttributes, names, {});
    std::vector<TCatalogRef> catalogs;
    for (const std::string& name : names) {
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
        catalogs.push_back({FileNameOf(rest[i]), rest[i]});
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY); // lines end as the window's pane would hold them
#endif
    TOutputSink out;
    std::size_t lines = 0;
    std::string text; // one buffer for every catalog: fresh memory for each costs its page faults
    for (const TCatalogRef& catalog : catalogs) {
        ReadCatalogText(catalog.path, text);
        lines += SearchCatalogText(catalog.name, text, expression, modifiers, out);
    }
    out.Flush();
    return lines > 0 ? kExitSuccess : kExitNoMatch;
}
