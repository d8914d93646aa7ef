// mirolan-cli search: what the window's result pane would hold, on standard output.
#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>

#include "catalogs/catalog_files.h"
#include "catalogs/paths.h"
#include "cli_settings.h"
#include "platform/files.h"
#include "regexpr/regexpr.h"
#include "search/catalog_search.h"
#include "search/line_cut.h"
#include "search/run_in_order.h"

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

// Collects the lines and, when asked to, writes them in large blocks: a terminal search may print
// millions. The caller flushes: a flush that fails while an error unwinds could not be reported.
class TOutputSink : public TSearchSink {
public:
    explicit TOutputSink(bool writeWhenFull) : writeWhenFull(writeWhenFull) {}
    void AppendLine(std::string_view line) override {
        buffer.append(line).append(kNewline);
        if (writeWhenFull && buffer.size() >= kBlock) {
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
    std::string TakeLines() { return std::exchange(buffer, {}); }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    const bool writeWhenFull;
    std::string reason;
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

// One catalog read and searched into `out`: the number of lines, and what to tell about the catalog
// on standard error (empty when nothing went wrong). `text` is the caller's buffer for the catalog.
struct TCatalogOutcome {
    std::size_t lines = 0;
    std::string complaint;
};

TCatalogOutcome SearchOneCatalog(const TCatalogRef& catalog, const std::string& expression,
                                 const std::string& modifiers, std::string& text, TOutputSink& out) {
    // A catalog named on the command line must be there: a typing mistake is not "nothing matched".
    if (!platform::FileExists(catalog.path)) {
        return {0, platform::FolderExists(catalog.path) ? "a folder, not a catalog" : "no such catalog"};
    }
    TCatalogOutcome outcome;
    try {
        ReadCatalogText(catalog.path, text);
        outcome.lines = SearchCatalogText(catalog.name, text, expression, modifiers, out);
    } catch (const std::exception& error) {
        outcome.complaint = error.what();
        return outcome;
    }
    outcome.complaint = out.TakeReason();
    return outcome;
}

// What a catalog searched on a thread of its own hands over: its lines and its outcome.
struct TSearchedCatalog {
    std::string lines;
    TCatalogOutcome outcome;
};

unsigned ThreadCount(const std::string& value) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || count < 1 || count > 256) {
        throw EUsage("-j needs a number of threads from 1 to 256");
    }
    return static_cast<unsigned>(count);
}

} // namespace

int SearchCommand(const TInvocation& invocation) {
    std::string modifiers = ModifierString({});
    unsigned threads = std::max(std::thread::hardware_concurrency(), 1u);
    std::vector<std::string> rest;
    const auto& arguments = invocation.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const bool option = rest.empty() && (arguments[i] == "-m" || arguments[i] == "-j");
        if (option && i + 1 == arguments.size()) {
            throw EUsage(arguments[i] +
                         (arguments[i] == "-m" ? " needs a modifier string" : " needs a number"));
        }
        if (option && arguments[i] == "-m") {
            modifiers = arguments[++i];
        } else if (option) {
            threads = ThreadCount(arguments[++i]);
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
    TOutputSink out(true);
    std::size_t lines = 0;
    bool failed = false;
    // Like grep: a catalog that cannot be searched is named with the reason, and the rest are searched.
    const auto report = [&](const TCatalogRef& catalog, const TCatalogOutcome& outcome) {
        lines += outcome.lines;
        if (!outcome.complaint.empty()) {
            out.Flush(); // its lines before its complaint
            std::fprintf(stderr, "mirolan-cli: %s: %s\n", catalog.path.c_str(), outcome.complaint.c_str());
            failed = true;
        }
    };
    if (threads == 1 || catalogs.size() < 2) {
        std::string text; // one buffer for every catalog: fresh memory for each costs its page faults
        for (const TCatalogRef& catalog : catalogs) {
            report(catalog, SearchOneCatalog(catalog, expression, modifiers, text, out));
        }
    } else {
        std::vector<std::string> texts(threads); // one buffer a thread
        RunInOrder<TSearchedCatalog>(
            catalogs.size(), threads,
            [&](std::size_t i, unsigned worker) {
                TOutputSink lines(false);
                TCatalogOutcome outcome =
                    SearchOneCatalog(catalogs[i], expression, modifiers, texts[worker], lines);
                return TSearchedCatalog{lines.TakeLines(), std::move(outcome)};
            },
            [&](std::size_t i, TSearchedCatalog& searched) {
                WriteOut(searched.lines);
                report(catalogs[i], searched.outcome);
            });
    }
    out.Flush();
    return failed ? kExitFailure : lines > 0 ? kExitSuccess : kExitNoMatch;
}
