// The search run: the ticked catalogs searched in list order into the result pane. The run processes
// the window's messages as it goes, so that STOP, Enter and Esc, which clear the search flag, reach it.
#include "app/main_form.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "app/control_ids.h"
#include "app/tray_icon.h"
#include "catalogs/paths.h"
#include "catalogs/read_ahead.h"
#include "platform/codepage.h"
#include "search/catalog_search.h"
#include "search/line_cut.h"

namespace {

// How often a run shows its lines and processes messages: often enough that the pane moves on and a
// stop takes effect at once, rarely enough that a run of short lines does not pay a system call each.
constexpr ULONGLONG kDrainInterval = 30; // milliseconds

} // namespace

// Lines go to the pane's buffer; the engine's abort hook and every appended line drain through here.
class TMainForm::TPaneSink final : public TSearchSink {
public:
    explicit TPaneSink(TMainForm& form) : form(form) {}
    void AppendLine(std::string_view line) override { form.memSearchResult->AppendLine(line); }
    void Drain() override { form.DrainMessages(false); }
    bool Searching() const override { return form.searching; }

private:
    TMainForm& form;
};

void TMainForm::sbSearchClick() {
    if (searching) {
        searching = false; // the run further down the stack notices and ends itself
        return;
    }
    HWND button = GetDlgItem(handle, kIdSearch);
    SetWindowTextA(button, "STOP");
    searching = true;
    ++runDepth;
    memSearchResult->Clear();
    AddToSearchHistory(edSearchFor->Text());
    std::exception_ptr failure;
    {
        const TTrayAnimation animation(*miroTrayIcon1);
        try {
            TPaneSink sink(*this);
            SearchTickedCatalogs(sink);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    SetWindowTextA(handle, "Mirolan");
    SetWindowTextA(button, "Search");
    searching = false;
    DrainMessages(true);
    --runDepth;
    if (runDepth == 0) {
        RunDeferredCommands();
    }
    if (failure) {
        std::rethrow_exception(failure); // the error box shows it; the lines so far stay
    }
}

void TMainForm::edSearchForKeyDown(WPARAM key) {
    if (key != VK_RETURN) {
        return;
    }
    if (SendMessageA(edSearchFor->Handle(), CB_GETDROPPEDSTATE, 0, 0)) {
        SendMessageA(edSearchFor->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    }
    sbSearchClick();
}

// The number of catalogs is taken at the start; the expression, the modifiers and each tick are read
// when the run reaches a catalog, so changes made meanwhile apply from the next catalog on. While a
// catalog is searched, the next one ticked at that moment is read ahead; a tick changed meanwhile
// only costs that read.
void TMainForm::SearchTickedCatalogs(TPaneSink& sink) {
    const int count = lbSearchIn->Count();
    TCatalogText text; // the run's buffers: this one and the read-ahead's take turns
    TReadAhead ahead;
    for (int j = 0; j < count && searching; ++j) {
        if (!lbSearchIn->Checked(j)) {
            continue;
        }
        const std::string name = lbSearchIn->Text(j);
        SetWindowTextA(handle, ("Mirolan - loading " + name).c_str());
        DrainMessages(true);
        try {
            const std::string_view catalog = ahead.Take(JoinPath(listPath, name), text);
            for (int next = j + 1; next < count; ++next) {
                if (lbSearchIn->Checked(next)) {
                    ahead.Start(JoinPath(listPath, lbSearchIn->Text(next)));
                    break;
                }
            }
            const std::string modifiers = CurrentModifiers();
            SetWindowTextA(handle, ("Mirolan - run search in " + name).c_str());
            DrainMessages(true);
            SearchCatalogText(name, catalog, edSearchFor->Text(), modifiers, sink);
        } catch (const std::exception& error) {
            // "Stream read error" alone would not tell which of the ticked catalogs is damaged.
            throw std::runtime_error(std::string(error.what()) + "\n\nCatalog: " + name);
        }
    }
}

// An empty box adds nothing: an empty expression is no use to pick again, and the settings file
// could not tell its entry from a blank line's.
void TMainForm::AddToSearchHistory(const std::string& expression) {
    if (expression.empty()) {
        return;
    }
    const std::vector<std::string> history = edSearchFor->Items();
    const bool known = std::any_of(history.begin(), history.end(), [&](const std::string& item) {
        return platform::CompareText(item, expression) == 0;
    });
    if (!known) {
        edSearchFor->Add(expression);
    }
}

std::string TMainForm::CurrentModifiers() const {
    const auto ticked = [this](int id) {
        return SendMessageA(GetDlgItem(handle, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    return ModifierString({.i = ticked(kIdModifierI),
                           .r = ticked(kIdModifierR),
                           .s = ticked(kIdModifierS),
                           .g = ticked(kIdModifierG),
                           .m = ticked(kIdModifierM),
                           .x = ticked(kIdModifierX)});
}

void TMainForm::DrainMessages(bool now) {
    const ULONGLONG tick = GetTickCount64();
    if (!now && tick < nextDrain) {
        return;
    }
    nextDrain = tick + kDrainInterval;
    memSearchResult->Refresh();
    ProcessMessages();
}

void TMainForm::ProcessMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // for the message loop, once the run is over
            return;
        }
        if (!PreviewMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool TMainForm::DeferWhileSearching(int id) {
    if (runDepth == 0) {
        return false;
    }
    searching = false;
    if (std::find(deferredCommands.begin(), deferredCommands.end(), id) == deferredCommands.end()) {
        deferredCommands.push_back(id);
    }
    return true;
}

void TMainForm::RunDeferredCommands() {
    for (const int id : std::exchange(deferredCommands, {})) {
        PostMessageA(handle, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    if (std::exchange(closeWhenIdle, false)) {
        PostMessageA(handle, WM_CLOSE, 0, 0);
    }
}
