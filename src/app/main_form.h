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
#include "app/win_handles.h"

class TMiroTrayIcon;

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
    void ShowInResultPane(const std::string& text);

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
    HWND memSearchResult = nullptr;
    HWND reHelp = nullptr;
    std::unique_ptr<TMiroTrayIcon> miroTrayIcon1;

    std::string listPath; // the catalog folder, as the settings file holds it
    bool searching = false;
    bool quitting = false;
    bool helpLoaded = false;
    bool created = false; // FormCreate has run to its end
};
