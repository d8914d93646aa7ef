// The program's one window, TMainForm: the catalog list, the preset and search boxes with the modifier
// check boxes, the result pane and the help pane. It starts hidden with only the tray icon showing,
// comes up from the tray or Ctrl+Alt+S, hides again on close, and ends only by "Close" or log-off.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

#include "app/check_list.h"
#include "app/combo_box.h"
#include "app/result_view.h"
#include "app/win_handles.h"
#include "presets/dual_strings.h"

class TMiroTrayIcon;
namespace platform {
class TIniProfile;
}

// "Mirolan" and the author credit: the application title and the window's caption.
inline constexpr char kApplicationTitle[] = "Mirolan - by the Mirolan authors";

class TMainForm {
public:
    static constexpr char kClassName[] = "TMainForm";

    // Creates the window hidden; FormCreate runs inside.
    explicit TMainForm(HINSTANCE instance);
    ~TMainForm();
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const { return handle; }
    // The message loop hands every message to this before dispatching it: the window sees key
    // releases before the focused control does, and Tab moves through the controls. True when consumed.
    bool PreviewMessage(const MSG& message);
    // Fills the catalog list from the catalog folder; whether it lists a catalog.
    bool RefreshCatalogList();

private:
    struct Anchored {
        HWND control;
        RECT design;
        unsigned anchors;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void HandleCommand(int id, int code);
    void CreateControls();
    HWND AddControl(const char* className, const char* text, DWORD style, DWORD exStyle, int id, RECT bounds,
                    unsigned anchors);
    // Gives a control the window's font and lays it out by its anchors, from `design` on.
    void AdoptControl(HWND control, RECT design, unsigned anchors);
    void AddHint(HWND control, const char* text);
    void LayOut(int clientWidth, int clientHeight);
    void MoveFocus(bool backwards);

    void CreateTrayIcon();

    void FormCreate();
    void FormDestroy();
    bool FormCloseQuery();
    void FormKeyUp(WPARAM key);
    LRESULT OnHotKey(WPARAM id);
    LRESULT OnEndSession();
    void Open1Click();
    void Close1Click();
    void Refreshlist1Click();
    void MiroTrayIcon1DblClick();
    void SpeedButton4Click();
    void sbClearClick();
    void HideToTray();

    // The search run (main_form_search.cpp).
    class TPaneSink;
    void sbSearchClick();
    void edSearchForKeyDown(WPARAM key);
    void SearchTickedCatalogs(TPaneSink& sink);
    void AddToSearchHistory(const std::string& expression);
    std::string CurrentModifiers() const;
    // Shows what the run appended and processes pending messages, at most every few tens of
    // milliseconds unless `now`; the run's lines and the engine's long matches share this one clock.
    void DrainMessages(bool now);
    void ProcessMessages();
    // A catalog command (refresh, create, and the list's menu) stops a run and is carried out once the
    // run has unwound, so that no catalog is searched under another's name and the pane is not
    // rewritten under the run; true when it was put off so.
    bool DeferWhileSearching(int id);
    void RunDeferredCommands();

    // Presets: named groups of ticked catalogs, in the presets list and mirrored by cbPreset.
    void LoadPresets(const platform::TIniProfile& settings);
    void StorePresets(platform::TIniProfile& settings) const;
    void FillPresetBox();
    void StorePreset();
    void ApplyPreset();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void cbPresetChange();
    // Program-wide: the window lives as long as the process.
    TDualStrings presets;

    // Catalog creation and the catalog list's menu (main_form_create.cpp, main_form_catalogs.cpp).
    void sbCreateCatalogClick();
    void CreateCatalog1Click();
    void CreateCatalog();
    // Asks for the new catalog's name until it is free or may be overwritten; none: the user gave up.
    std::optional<std::string> AskNewCatalogPath();
    // The pop-up menu of the catalog list, at a screen point (-1: from the keyboard).
    void lbSearchInContextMenu(LPARAM at);
    void UpdateCatalogActions();
    // The catalog path of the current item; none when no item is current.
    std::optional<std::string> SelectedCatalog() const;
    void acUpdateCatalogExecute();
    void acListCatalogExecute();
    void acCompressCatalogExecute();
    void acDecompressCatalogExecute();

    HINSTANCE instance;
    HWND handle = nullptr;
    TFontHandle font;
    TFontHandle labelFont;
    TBrushHandle labelBrush;
    TLibraryHandle richEdit;
    TMenuHandle popTrayIcon;
    TMenuHandle popListCatalog;
    HWND hints = nullptr;
    std::vector<Anchored> anchored;
    std::vector<HWND> tabOrder;

    std::unique_ptr<TCheckList> lbSearchIn;
    std::unique_ptr<TComboBox> cbPreset;
    std::unique_ptr<TComboBox> edSearchFor;
    HWND label1 = nullptr;
    HWND label2 = nullptr;
    std::unique_ptr<TResultView> memSearchResult;
    HWND reHelp = nullptr;
    std::unique_ptr<TMiroTrayIcon> miroTrayIcon1;

    std::string listPath; // the catalog folder, as the settings file holds it
    bool searching = false;
    bool quitting = false;
    bool helpLoaded = false;
    bool created = false; // FormCreate has run to its end
    int runDepth = 0;     // search runs on the stack: a search started from inside a run's draining
    ULONGLONG nextDrain = 0;
    std::vector<int> deferredCommands;
    bool closeWhenIdle = false;
};
