#include "regexpr/regexpr.h"

#include "regexpr/casemap.h"

#include <cstring>

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
    : spaceChars_(kDefaultSpaceChars), wordChars_(kDefaultWordChars), lineSeparators_(kDefaultLineSeparators),
      pairHead_('\r'), pairTail_('\n'), invertCase_(DefaultInvertCaseTable()), matcher_(*this) {
    modifiers_ = (RegEngineModifierI ? kModI : 0) | (RegEngineModifierR ? kModR : 0) |
                 (RegEngineModifierS ? kModS : 0) | (RegEngineModifierG ? kModG : 0) |
                 (RegEngineModifierM ? kModM : 0);
}

TRegEngine::~TRegEngine() = default;

void TRegEngine::SetExpression(std::string_view expression) {
    expression = expression.substr(0, expression.find('\0'));
    if (compiled_ && hasExpression_ && expression == expression_) {
        return;
    }
    expression_ = expression;
    hasExpression_ = !expression.empty();
    DiscardProgram();
}

void TRegEngine::SetModifierStr(std::string_view modifiers) {
    if (!ParseModifiers(modifiers, modifiers_)) {
        RaiseError(kErrBadModifier);
    }
}

void TRegEngine::SetModifier(int index, bool on) {
    const unsigned bit = ModifierIndexBit(index);
    if (bit == 0) {
        RaiseError(kErrBadModifier);
    }
    modifiers_ = on ? (modifiers_ | bit) : (modifiers_ & ~bit);
}

bool TRegEngine::Modifier(int index) const {
    const unsigned bit = ModifierIndexBit(index);
    return bit != 0 && (modifiers_ & bit) != 0;
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
    if (head != pairHead_ || tail != pairTail_) {
        pairHead_ = head;
        pairTail_ = tail;
        tablesStale_ = true;
        DiscardProgram();
    }
}

std::string TRegEngine::LinePairedSeparator() const {
    if (pairHead_ < 0) {
        return {};
    }
    return {static_cast<char>(pairHead_), static_cast<char>(pairTail_)};
}

void TRegEngine::SetSpaceChars(std::string_view chars) {
    if (chars != spaceChars_) {
        spaceChars_ = chars;
        DiscardProgram();
    }
}

void TRegEngine::SetWordChars(std::string_view chars) {
    if (chars != wordChars_) {
        wordChars_ = chars;
        tablesStale_ = true;
        DiscardProgram();
    }
}

void TRegEngine::SetLineSeparators(std::string_view chars) {
    if (chars != lineSeparators_) {
        lineSeparators_ = chars;
        tablesStale_ = true;
        DiscardProgram();
    }
}

void TRegEngine::SetInvertCase(CaseInverter inverter) {
    if (!inverter) {
        invertCase_ = DefaultInvertCaseTable();
    } else {
        for (int c = 0; c < 256; ++c) {
            invertCase_[c] = static_cast<std::uint8_t>(inverter(static_cast<char>(c)));
        }
    }
    tablesStale_ = true;
    DiscardProgram();
}

void TRegEngine::DiscardProgram() {
    program_.clear();
    compiled_ = false;
}

void TRegEngine::Compile() {
    if (!hasExpression_) {
        RaiseError(kErrNoExpression);
    }
    DiscardProgram();
    programModifiers_ = modifiers_;
    CompileSettings settings;
    settings.expression = expression_;
    settings.modifiers = modifiers_;
    settings.spaceChars = spaceChars_;
    settings.wordChars = wordChars_;
    settings.lineFormsAvailable = !lineSeparators_.empty() || pairHead_ >= 0;
    settings.invertCase = invertCase_.data();
    compiling_ = true;
    compilePosition_ = 0;
    try {
        CompiledCode code = BuildProgram(settings, *this);
        compilePosition_ = static_cast<int>(expression_.size());
        start_ = AnalyseStart(code.code, code.topFlags, invertCase_.data(), *this);
        program_ = std::move(code.code);
    } catch (...) {
        DiscardProgram();
        compiling_ = false;
        compilePosition_ = 0;
        throw;
    }
    compiling_ = false;
    compilePosition_ = 0;
    compiled_ = true;
    matcher_.Load(program_, start_);
}

void TRegEngine::PrepareSearch() {
    if (compiled_ && modifiers_ != programModifiers_) {
        DiscardProgram();
    }
    if (tablesStale_) {
        // Rebuilt only after a setting changed: a search for every further match would redo it.
        MatchTables tables;
        tables.invertCase = invertCase_.data();
        for (char c : lineSeparators_) {
            tables.lineSeparator[static_cast<std::uint8_t>(c)] = true;
        }
        for (char c : wordChars_) {
            tables.wordChar[static_cast<std::uint8_t>(c)] = true;
        }
        tables.pairHead = pairHead_;
        tables.pairTail = pairTail_;
        tables.breakStart = tables.lineSeparator;
        if (pairHead_ >= 0) {
            tables.breakStart[static_cast<std::uint8_t>(pairHead_)] = true;
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
        matcher_.SetTables(tables);
        tablesStale_ = false;
    }
    if (!compiled_) {
        Compile();
    }
    if (program_.empty() || program_[0] != kProgramMagic) {
        RaiseError(kErrCorruptedProgram);
    }
}

void TRegEngine::SetInput(std::string_view text) {
    const auto* begin = text.empty() ? kEmptyText : reinterpret_cast<const std::uint8_t*>(text.data());
    textStart_ = begin;
    textLimit_ = begin + text.size();
    hasInput_ = true;
    matcher_.SetText(textStart_, textLimit_);
}

bool TRegEngine::Exec(std::string_view text) {
    SetInput(text);
    return ExecPos(1);
}

bool TRegEngine::ExecPos(std::int64_t offset) {
    PrepareSearch();
    if (!hasInput_) {
        RaiseError(kErrNoInput);
    }
    if (offset < 1) {
        RaiseError(kErrBadOffset);
    }
    if (offset - 1 > textLimit_ - textStart_ || !matcher_.AtOrBeforeEnd(textStart_ + (offset - 1))) {
        lastSearchEnd_ = SearchEnd::kNoMatch;
        return false;
    }
    lastSearchEnd_ = matcher_.Search(textStart_ + (offset - 1));
    if (lastSearchEnd_ == SearchEnd::kAborted || lastSearchEnd_ == SearchEnd::kStackExhausted ||
        lastSearchEnd_ == SearchEnd::kStepsExhausted) {
        matcher_.ClearGroups(); // a stopped attempt leaves no half-set groups behind
    }
    return lastSearchEnd_ == SearchEnd::kMatch;
}

bool TRegEngine::ExecNext() {
    const std::uint8_t* start = hasInput_ ? matcher_.GroupStart(0) : nullptr;
    const std::uint8_t* end = hasInput_ ? matcher_.GroupEnd(0) : nullptr;
    if (start == nullptr || end == nullptr) {
        RaiseError(kErrExecNextWithoutExec);
    }
    std::int64_t offset = (end - textStart_) + 1;
    if (end == start) {
        ++offset;
    }
    return ExecPos(offset);
}

std::int64_t TRegEngine::MatchPos(int group) const {
    if (group < 0 || group >= kMaxGroups || !hasInput_ || matcher_.GroupStart(group) == nullptr ||
        matcher_.GroupEnd(group) == nullptr) {
        return -1;
    }
    return matcher_.GroupStart(group) - textStart_ + 1;
}

std::int64_t TRegEngine::MatchLen(int group) const {
    if (group < 0 || group >= kMaxGroups || !hasInput_ || matcher_.GroupStart(group) == nullptr ||
        matcher_.GroupEnd(group) == nullptr) {
        return -1;
    }
    return matcher_.GroupEnd(group) - matcher_.GroupStart(group);
}

void TRegEngine::SetAbortHook(AbortHook hook, int interval) {
    matcher_.SetAbortHook(std::move(hook), interval);
}

std::string TRegEngine::ErrorText(int code) const {
    return std::string(RegEngineErrorText(code));
}

void TRegEngine::RaiseError(int code) {
    lastError_ = code;
    const int position = ErrorPosition();
    throw ERegEngine(code, RegEngineErrorMessage(code, ErrorText(code), position), position);
}

void TRegEngine::Report(int code, int position) {
    compilePosition_ = position;
    RaiseError(code);
}

} // namespace regexpr
