#include "regexpr/regexpr.h"

#include "regexpr/casemap.h"
#include "regexpr/modifiers.h"

namespace regexpr {

bool RegEngineModifierI = false;
bool RegEngineModifierR = true;
bool RegEngineModifierS = true;
bool RegEngineModifierG = true;
bool RegEngineModifierM = false;

namespace {

constexpr std::string_view kDefaultSpaceChars = " \t\n\r\f";
constexpr std::string_view kDefaultWordChars =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
constexpr std::string_view kDefaultLineSeparators = "\r\n";
constexpr std::uint8_t kEmptyText[1] = {0};

} // namespace

TRegEngine::TRegEngine()
    : spaceChars(kDefaultSpaceChars), wordChars(kDefaultWordChars), lineSeparators(kDefaultLineSeparators),
      pairHead('\r'), pairTail('\n'), invertCase(DefaultInvertCaseTable()), matcher(*this) {
    modifiers = (RegEngineModifierI ? kModI : 0) | (RegEngineModifierR ? kModR : 0) |
                (RegEngineModifierS ? kModS : 0) | (RegEngineModifierG ? kModG : 0) |
                (RegEngineModifierM ? kModM : 0);
}

TRegEngine::~TRegEngine() = default;

void TRegEngine::SetExpression(std::string_view expression) {
    expression = expression.substr(0, expression.find('\0'));
    if (compiled && hasExpression && expression == this->expression) {
        return;
    }
    this->expression = expression;
    hasExpression = !expression.empty();
    DiscardProgram();
}

void TRegEngine::SetModifierStr(std::string_view modifiers) {
    if (!ParseModifiers(modifiers, this->modifiers)) {
        RaiseError(kErrBadModifier);
    }
}

void TRegEngine::SetModifier(int index, bool on) {
    const unsigned bit = ModifierIndexBit(index);
    if (bit == 0) {
        RaiseError(kErrBadModifier);
    }
    modifiers = on ? (modifiers | bit) : (modifiers & ~bit);
}

bool TRegEngine::Modifier(int index) const {
    const unsigned bit = ModifierIndexBit(index);
    return bit != 0 && (modifiers & bit) != 0;
}

void TRegEngine::SetLinePairedSeparator(std::string_view pair) {
    int head = -1;
    int tail = -1;
    if (pair.size() == 2 && pair[0] != pair[1]) {
        head = static_cast<std::uint8_t>(pair[0]);
        tail = static_cast<std::uint8_t>(pair[1]);
    } else if (!pair.empty()) {
        RaiseError(kErrBadPairedSeparator);
    }
    if (head != pairHead || tail != pairTail) {
        pairHead = head;
        pairTail = tail;
        tablesStale = true;
        DiscardProgram();
    }
}

std::string TRegEngine::LinePairedSeparator() const {
    if (pairHead < 0) {
        return {};
    }
    return {static_cast<char>(pairHead), static_cast<char>(pairTail)};
}

void TRegEngine::SetSpaceChars(std::string_view chars) {
    if (chars != spaceChars) {
        spaceChars = chars;
        DiscardProgram();
    }
}

void TRegEngine::SetWordChars(std::string_view chars) {
    if (chars != wordChars) {
        wordChars = chars;
        tablesStale = true;
        DiscardProgram();
    }
}

void TRegEngine::SetLineSeparators(std::string_view chars) {
    if (chars != lineSeparators) {
        lineSeparators = chars;
        tablesStale = true;
        DiscardProgram();
    }
}

void TRegEngine::SetInvertCase(CaseInverter inverter) {
    if (!inverter) {
        invertCase = DefaultInvertCaseTable();
    } else {
        for (int c = 0; c < 256; ++c) {
            invertCase[c] = static_cast<std::uint8_t>(inverter(static_cast<char>(c)));
        }
    }
    tablesStale = true;
    DiscardProgram();
}

void TRegEngine::DiscardProgram() {
    program.clear();
    compiled = false;
}

void TRegEngine::Compile() {
    if (!hasExpression) {
        RaiseError(kErrNoExpression);
    }
    DiscardProgram();
    programModifiers = modifiers;
    CompileSettings settings;
    settings.expression = expression;
    settings.modifiers = modifiers;
    settings.spaceChars = spaceChars;
    settings.wordChars = wordChars;
    settings.lineFormsAvailable = !lineSeparators.empty() || pairHead >= 0;
    settings.invertCase = invertCase.data();
    compiling = true;
    compilePosition = 0;
    try {
        CompiledCode code = BuildProgram(settings, *this);
        compilePosition = static_cast<int>(expression.size());
        startInfo = AnalyseStart(code.code, code.topFlags, invertCase.data(), *this);
        program = std::move(code.code);
    } catch (...) {
        DiscardProgram();
        compiling = false;
        compilePosition = 0;
        throw;
    }
    compiling = false;
    compilePosition = 0;
    compiled = true;
    matcher.Load(program, startInfo);
}

void TRegEngine::Prepare() {
    if (compiled && modifiers != programModifiers) {
        DiscardProgram();
    }
    if (tablesStale) {
        // Rebuilt only after a setting changed: a search for every further match would redo it.
        MatchTables tables;
        tables.invertCase = invertCase.data();
        for (char c : lineSeparators) {
            tables.lineSeparator[static_cast<std::uint8_t>(c)] = true;
        }
        for (char c : wordChars) {
            tables.wordChar[static_cast<std::uint8_t>(c)] = true;
        }
        tables.pairHead = pairHead;
        tables.pairTail = pairTail;
        tables.breakStart = tables.lineSeparator;
        if (pairHead >= 0) {
            tables.breakStart[static_cast<std::uint8_t>(pairHead)] = true;
        }
        std::vector<int> starts;
        for (int c = 0; c < 256; ++c) {
            if (tables.breakStart[c]) {
                starts.push_back(c);
            }
        }
        if (starts.size() == 1 || starts.size() == 2) {
            tables.breakStarts = {starts.front(), starts.back()};
        }
        matcher.SetTables(tables);
        tablesStale = false;
    }
    if (!compiled) {
        Compile();
    }
    if (program.empty() || program[0] != kProgramMagic) {
        RaiseError(kErrCorruptedProgram);
    }
}

void TRegEngine::SetInput(std::string_view text) {
    const auto* begin = text.empty() ? kEmptyText : reinterpret_cast<const std::uint8_t*>(text.data());
    textStart = begin;
    textLimit = begin + text.size();
    hasInput = true;
    matcher.SetText(textStart, textLimit);
}

bool TRegEngine::Exec(std::string_view text) {
    SetInput(text);
    return ExecPos(1);
}

bool TRegEngine::ExecPos(std::int64_t offset) {
    PrepareSearch();
    if (!hasInput) {
        RaiseError(kErrNoInput);
    }
    if (offset < 1) {
        RaiseError(kErrBadOffset);
    }
    if (offset - 1 > textLimit - textStart || !matcher.AtOrBeforeEnd(textStart + (offset - 1))) {
        lastSearchEnd = SearchEnd::kNoMatch;
        return false;
    }
    lastSearchEnd = matcher.Search(textStart + (offset - 1));
    if (lastSearchEnd == SearchEnd::kAborted || lastSearchEnd == SearchEnd::kStackExhausted ||
        lastSearchEnd == SearchEnd::kStepsExhausted) {
        matcher.ClearGroups(); // a stopped attempt leaves no half-set groups behind
    }
    return lastSearchEnd == SearchEnd::kMatch;
}

bool TRegEngine::ExecNext() {
    const std::uint8_t* start = hasInput ? matcher.GroupStart(0) : nullptr;
    const std::uint8_t* end = hasInput ? matcher.GroupEnd(0) : nullptr;
    if (start == nullptr || end == nullptr) {
        RaiseError(kErrExecNextWithoutExec);
    }
    std::int64_t offset = (end - textStart) + 1;
    if (end == start) {
        ++offset;
    }
    return ExecPos(offset);
}

std::int64_t TRegEngine::MatchPos(int group) const {
    if (group < 0 || group >= kMaxGroups || !hasInput || matcher.GroupStart(group) == nullptr ||
        matcher.GroupEnd(group) == nullptr) {
        return -1;
    }
    return matcher.GroupStart(group) - textStart + 1;
}

std::int64_t TRegEngine::MatchLen(int group) const {
    if (group < 0 || group >= kMaxGroups || !hasInput || matcher.GroupStart(group) == nullptr ||
        matcher.GroupEnd(group) == nullptr) {
        return -1;
    }
    return matcher.GroupEnd(group) - matcher.GroupStart(group);
}

void TRegEngine::SetAbortHook(AbortHook hook, int interval) {
    matcher.SetAbortHook(std::move(hook), interval);
}

std::string TRegEngine::ErrorText(int code) const {
    return std::string(RegEngineErrorText(code));
}

void TRegEngine::RaiseError(int code) {
    lastError = code;
    const int position = ErrorPosition();
    throw ERegEngine(code, RegEngineErrorMessage(code, ErrorText(code), position), position);
}

void TRegEngine::Report(int code, int position) {
    compilePosition = position;
    RaiseError(code);
}

} // namespace regexpr
