// Control and menu command ids of the main window, shared with the end-to-end driver that finds the
// controls by id.
#pragma once

enum ControlId : int {
    kIdLabel1 = 100,
    kIdLabel2,
    kIdPreset,
    kIdClear,
    kIdSearch,
    kIdSearchFor,
    kIdPresetDelete, // SpeedButton1, "Del"
    kIdPresetAll,    // SpeedButton3, "*"
    kIdPresetAdd,    // SpeedButton2, "Add"
    kIdCreateCatalog,
    kIdHelp, // SpeedButton4
    kIdModifiers,
    kIdModifierI,
    kIdModifierM,
    kIdModifierS,
    kIdModifierX,
    kIdModifierG,
    kIdModifierR,
    kIdSearchIn,
    kIdSearchResult,
    kIdHelpPane,
};

enum MenuId : int {
    kIdOpen = 200,
    kIdRefreshList,
    kIdCreateCatalogMenu,
    kIdClose,
    kIdUpdateCatalog = 210,
    kIdListCatalog,
    kIdCompressCatalog,
    kIdDecompressCatalog,
};

// The one global hot key of the window: Ctrl+Alt+S.
inline constexpr int kHotKeyId = 1;
