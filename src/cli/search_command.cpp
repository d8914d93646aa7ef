// mirolan-cli search: what the window's result pane would hold, on standard output.
#include "commands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "catalogs/catalog_files.h"
#include "catalogs/paths.h"
#include "cli_settings.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/terminal.h"
#include "regexpr/regexpr.h"
#include "search/catalog_search.h"
#include "search/line_cut.h"
#include "search/run_in_order.h"
#include "terminal_text.h"

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

enum class TReport { Lines, Count, Names, Quiet };

struct TSearchOptions {
    std::string modifiers = ModifierString({});
    TReport report = TReport::Lines;
    unsigned threads = std::max(std::thread::hardware_concurrency(), 1u);
    bool color = false;
    std::vector<std::string> rest; // the expression, then the catalogs
};

constexpr char kMatchColor[] = "\x1b[01;31m";
constexpr char kHeadingColor[] = "\x1b[35m";
constexpr char kColorEnd[] = "\x1b[m";

// Which catalog searched on a thread may print: the first whose predecessors are all printed. It
// prints its lines as it finds them, rather than keep what can be many times its own size. A catalog
// that has kept its share waits here for its turn; a failed write ends every wait.
class TPrintTurn {
public:
    // Asked at every line once a block waits, so without the lock.
    bool IsTurnOf(std::size_t item) const {
        return next.load(std::memory_order_acquire) == item && !failed.load(std::memory_order_acquire);
    }
    // Waits until `item` may print; false once a write has failed.
    bool WaitFor(std::size_t item) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return IsTurnOf(item) || failed; });
        return !failed;
    }
    void Pass(std::size_t item) { Change(next, item); }
    void Fail() { Change(failed, true); }
    bool Failed() const { return failed; }

private:
    // Changed under the lock, so that a waiter cannot miss the change between its check and its wait.
    template <typename T> void Change(std::atomic<T>& value, T to) {
        {
            const std::lock_guard lock(mutex);
            value.store(to, std::memory_order_release);
        }
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
};

// Lines are written when this many wait, and kept in blocks of kKeptBlock while their catalog waits
// for its turn. A search that prints hundreds of megabytes took 5-10% longer in writes of 64 KiB;
// larger writes than these gained nothing more.
constexpr std::size_t kBlock = std::size_t{256} << 10;
constexpr std::size_t kKeptBlock = std::size_t{4} << 20;
// A catalog on a thread gets a block beyond its first only while fewer than this many are out in all,
// filled or being filled; one that gets none waits for its turn. A search can print many times the
// size of its catalogs, and keeping all of it took gigabytes.
constexpr std::size_t kKeptBlocks = 8;

// Blocks for the lines of catalogs searched on threads, handed back once they are printed: a
// catalog's lines in one growing string were copied at every doubling, and fresh memory for them cost
// more in page faults than the search itself. Large ones, so that they can lie in large pages.
class TLinesMemory {
public:
    // A catalog's first block.
    std::string Take() {
        const std::lock_guard lock(mutex);
        return TakeLocked();
    }
    // Another block, unless kKeptBlocks are out.
    std::optional<std::string> TakeIfRoom() {
        const std::lock_guard lock(mutex);
        if (out >= kKeptBlocks) {
            return std::nullopt;
        }
        return TakeLocked();
    }
    void Give(std::string block) {
        const std::lock_guard lock(mutex);
        --out;
        spare.push_back(std::move(block));
    }

private:
    std::string TakeLocked() {
        ++out;
        if (spare.empty()) {
            std::string block;
            platform::ReserveInLargePages(block, kKeptBlock + kKeptBlock / 2); // and the line that fills it
            return block;
        }
        std::string block = std::move(spare.back());
        spare.pop_back();
        block.clear();
        return block;
    }

    std::mutex mutex;
    std::vector<std::string> spare;
    std::size_t out = 0;
};

// Collects the lines and writes them in large blocks: a terminal search may print millions. The
// caller flushes: a flush that fails while an error unwinds could not be reported. Besides the
// lines, counts the catalog lines with a match for -c, -l and -q.
class TOutputSink : public TSearchSink {
public:
    TOutputSink(TReport report, bool color, const TTerminalText& terminal)
        : report(report), color(color), terminal(terminal) {}
    void AppendLine(std::string_view line) override {
        if (report == TReport::Lines) {
            Append(line);
        }
    }
    void AppendHeading(std::string_view heading) override {
        if (report != TReport::Lines) {
            return;
        }
        ForgetPrinted(); // the next catalog's text may lie where this one's did
        Append("");
        Append(heading, 0, color ? heading.size() : 0, kHeadingColor, false);
    }
    void AppendMatch(std::string_view line, std::size_t matchStart, std::size_t matchLength) override {
        if (line.data() != lastLine || matchedLines == 0) {
            ++matchedLines; // a line with two matches is printed twice but counts once
        }
        lastLine = line.data();
        if (report == TReport::Lines) {
            Append(line, matchStart, color ? matchLength : 0, kMatchColor);
        }
    }
    void Flush() {
        for (std::string& block : kept) {
            terminal.Write(block);
            memory->Give(std::move(block));
        }
        kept.clear();
        terminal.Write(buffer);
        buffer.clear();
        ForgetPrinted();
    }
    // -l and -q need no more of a catalog than its first match, and like grep read no further: a
    // later line that would cut the search short then does not turn a match into an error.
    bool Searching() const override {
        return !abandoned && (matchedLines == 0 || (report != TReport::Names && report != TReport::Quiet));
    }
    void CutShort(std::string_view why) override { reason = why; }
    // Why the engine gave up on the catalog just searched, once; empty when it did not.
    std::string TakeReason() { return std::exchange(reason, {}); }
    std::size_t TakeMatchedLines() { return std::exchange(matchedLines, 0); }
    // A catalog searched on a thread of its own keeps its lines until its turn to print them, `memory`
    // holding them; from then on it prints them as it goes, as a single thread would.
    void KeepLines(TLinesMemory& blocks, TPrintTurn& printTurn, std::size_t catalog) {
        writeWhenFull = false;
        memory = &blocks;
        buffer = memory->Take();
        turn = &printTurn;
        item = catalog;
    }
    // The lines not yet printed, in blocks of `memory`'s.
    std::vector<std::string> TakeLines() {
        kept.push_back(std::exchange(buffer, {}));
        return std::exchange(kept, {});
    }
    // A line of the -c or -l report.
    void AppendReport(const std::string& line) { Append(line, 0, 0, "", false); }

private:
    void FlushInTurn() {
        try {
            Flush();
        } catch (const std::exception&) {
            turn->Fail(); // told where the catalog's lines are handed over
            Abandon();
        }
    }
    // Output has failed: the search ends, and nothing more of it is kept.
    void Abandon() {
        abandoned = true;
        buffer.clear();
        for (std::string& block : kept) {
            memory->Give(std::move(block));
        }
        kept.clear();
        ForgetPrinted();
    }
    // The buffer no longer holds the line last printed: an empty line, whose view is as empty as the
    // one kept here, then copies nothing.
    void ForgetPrinted() {
        printedLine = {};
        printedLength = 0;
    }
    // The line with `length` bytes from `start` set off in `colorOn`. Catalog text goes to the
    // terminal's encoding; headings and names come from the file system, already in it.
    void Append(std::string_view line, std::size_t start = 0, std::size_t length = 0,
                const char* colorOn = "", bool catalogText = true) {
        const auto text = [&](std::string_view part) {
            if (catalogText) {
                terminal.AppendToTerminal(buffer, part);
            } else {
                buffer.append(part);
            }
        };
        if (length == 0 && catalogText) {
            // A line printed again for its next match is copied from where it was printed, while that
            // is still in the buffer: converted once, and copied once more.
            if (line.data() == printedLine.data() && line.size() == printedLine.size()) {
                buffer.reserve(buffer.size() + printedLength);
                buffer.append(buffer.data() + printedAt, printedLength);
            } else {
                printedAt = buffer.size();
                terminal.AppendToTerminal(buffer, line);
                printedLength = buffer.size() - printedAt;
                printedLine = line;
            }
        } else if (length == 0) {
            text(line);
        } else {
            text(line.substr(0, start));
            buffer.append(colorOn);
            text(line.substr(start, length));
            buffer.append(kColorEnd);
            text(line.substr(start + length));
        }
        buffer.append(kNewline);
        if (buffer.size() < kBlock) {
            return;
        }
        if (writeWhenFull) {
            Flush();
        } else if (turn->IsTurnOf(item)) {
            FlushInTurn();
        } else if (buffer.size() < kKeptBlock) {
            return;
        } else if (std::optional<std::string> block = memory->TakeIfRoom()) {
            kept.push_back(std::exchange(buffer, std::move(*block)));
            ForgetPrinted();
        } else if (turn->WaitFor(item)) {
            FlushInTurn();
        } else {
            Abandon();
        }
    }

    TReport report;
    bool color;
    const TTerminalText& terminal;
    std::size_t matchedLines = 0;
    const char* lastLine = nullptr;
    // The catalog line last printed, and where the buffer holds it as printed; empty once the buffer
    // no longer does.
    std::string_view printedLine;
    std::size_t printedAt = 0;
    std::size_t printedLength = 0;
    bool writeWhenFull = true;
    bool abandoned = false;
    TPrintTurn* turn = nullptr;
    std::size_t item = 0;
    TLinesMemory* memory = nullptr;
    std::vector<std::string> kept; // full blocks waiting for the catalog's turn
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

unsigned ThreadCount(const std::string& value) {
    char* end = nullptr;
    const unsigned long count = std::strtoul(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || count < 1 || count > 256) {
        throw EUsage("-j needs a number of threads from 1 to 256");
    }
    return static_cast<unsigned>(count);
}

// One catalog read and searched into `out`, its -c or -l line included: the number of lines, and
// what to tell about the catalog on standard error (empty when nothing went wrong). `text` is the
// caller's, used again for each catalog.
struct TCatalogOutcome {
    std::size_t lines = 0;
    std::string complaint;
};

TCatalogOutcome SearchOneCatalog(const TCatalogRef& catalog, const std::string& expression,
                                 const TSearchOptions& options, TCatalogText& text, TOutputSink& out) {
    // A catalog named on the command line must be there: a typing mistake is not "nothing matched".
    if (!platform::FileExists(catalog.path)) {
        return {0, platform::FolderExists(catalog.path) ? "a folder, not a catalog" : "no such catalog"};
    }
    TCatalogOutcome outcome;
    try {
        outcome.lines =
            SearchCatalogText(catalog.name, text.Load(catalog.path), expression, options.modifiers, out);
        const std::size_t matched = out.TakeMatchedLines();
        if (options.report == TReport::Count) {
            out.AppendReport(catalog.name + ":" + std::to_string(matched));
        } else if (options.report == TReport::Names && matched > 0) {
            out.AppendReport(catalog.name);
        }
    } catch (const std::exception& error) {
        out.TakeMatchedLines(); // the next catalog counts its own
        outcome.complaint = error.what();
        return outcome;
    }
    outcome.complaint = out.TakeReason();
    return outcome;
}

// What a catalog searched on a thread of its own hands over: its lines and its outcome.
struct TSearchedCatalog {
    std::vector<std::string> lines;
    TCatalogOutcome outcome;
};

// Whether a terminal takes the escape sequences of --color=auto: stdout is one, NO_COLOR is unset
// or empty, and on Windows the console understands the sequences.
bool AutoColor() {
    const char* noColor = std::getenv("NO_COLOR");
    if (noColor != nullptr && *noColor != '\0') {
        return false;
    }
    return platform::EnableColorOutput();
}

// Options come before the expression, as in grep; "--" ends them.
TSearchOptions ParseSearchOptions(const std::vector<std::string>& arguments) {
    TSearchOptions options;
    std::string color = "auto";
    std::size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            ++i;
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            break;
        }
        if (argument == "-m") {
            if (++i == arguments.size()) {
                throw EUsage("-m needs a modifier string");
            }
            options.modifiers = arguments[i];
        } else if (argument == "-j") {
            if (++i == arguments.size()) {
                throw EUsage("-j needs a number");
            }
            options.threads = ThreadCount(arguments[i]);
        } else if (argument == "--color") {
            color = "auto";
        } else if (argument.rfind("--color=", 0) == 0) {
            color = argument.substr(8);
            if (color != "auto" && color != "always" && color != "never") {
                throw EUsage("--color takes auto, always or never");
            }
        } else if (argument.find_first_not_of("clq", 1) == std::string::npos) {
            for (const char flag : argument.substr(1)) {
                const TReport report = flag == 'q'   ? TReport::Quiet
                                       : flag == 'l' ? TReport::Names
                                                     : TReport::Count;
                options.report = std::max(options.report, report); // -q over -l over -c
            }
        } else {
            throw EUsage("has no option \"" + argument +
                         "\" (\"--\" goes before an expression that begins with \"-\")");
        }
    }
    options.rest.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
    options.color = color == "always" || (color == "auto" && AutoColor());
    return options;
}

// Whether a catalog is named twice. A catalog is in use while one thread searches it, so two threads
// at it together would have one fail where a single thread searches it twice.
bool NamesACatalogTwice(const std::vector<TCatalogRef>& catalogs) {
    std::set<std::string> seen;
    for (const TCatalogRef& catalog : catalogs) {
        if (!seen.insert(platform::FullPath(catalog.path)).second) {
            return true;
        }
    }
    return false;
}

} // namespace

int SearchCommand(const TInvocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const TTerminalText terminal(arguments);
    const TSearchOptions options = ParseSearchOptions(arguments);
    const std::vector<std::string>& rest = options.rest;
    const std::string& modifiers = options.modifiers;
    if (rest.empty()) {
        throw EUsage("needs an expression");
    }
    const std::string expression = terminal.ToCatalog(rest[0], true);
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
    TOutputSink out(options.report, options.color, terminal);
    std::size_t lines = 0;
    bool failed = false;
    // Like grep: a catalog that cannot be searched is named with the reason, and the rest are searched.
    const auto report = [&](const TCatalogRef& catalog, const TCatalogOutcome& outcome) {
        lines += outcome.lines;
        if (!outcome.complaint.empty()) {
            out.Flush(); // its lines before its complaint
            Complain(catalog.path + ": " + outcome.complaint);
            failed = true;
        }
    };
    if (options.threads == 1 || catalogs.size() < 2 || NamesACatalogTwice(catalogs)) {
        TCatalogText text; // one buffer for every catalog: fresh memory for each costs its page faults
        for (const TCatalogRef& catalog : catalogs) {
            report(catalog, SearchOneCatalog(catalog, expression, options, text, out));
        }
    } else {
        std::vector<TCatalogText> texts(options.threads); // one buffer a thread
        TLinesMemory memory;
        TPrintTurn turn;
        RunInOrder<TSearchedCatalog>(
            catalogs.size(), options.threads,
            [&](std::size_t i, unsigned worker) {
                TOutputSink sink(options.report, options.color, terminal);
                sink.KeepLines(memory, turn, i);
                TCatalogOutcome outcome =
                    SearchOneCatalog(catalogs[i], expression, options, texts[worker], sink);
                return TSearchedCatalog{sink.TakeLines(), std::move(outcome)};
            },
            [&](std::size_t i, TSearchedCatalog& searched) {
                try {
                    if (turn.Failed()) {
                        throw platform::EFileError("Stream write error");
                    }
                    for (std::string& block : searched.lines) {
                        terminal.Write(block);
                        memory.Give(std::move(block));
                    }
                    report(catalogs[i], searched.outcome);
                } catch (...) {
                    turn.Fail(); // a catalog waiting for its turn stops waiting
                    throw;
                }
                turn.Pass(i + 1);
            });
    }
    out.Flush();
    return failed ? kExitFailure : lines > 0 ? kExitSuccess : kExitNoMatch;
}
