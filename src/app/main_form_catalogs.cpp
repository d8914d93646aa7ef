// The catalog list's pop-up menu: which commands apply to the current catalog, and the commands.
#include "app/main_form.h"

#include "app/control_ids.h"
#include "app/folder_browser.h"
#include "app/tray_icon.h"
#include "app/wait_cursor.h"
#include "catalogs/catalog_files.h"
#include "catalogs/catalog_tree.h"
#include "catalogs/paths.h"

void TMainForm::lbSearchInContextMenu(LPARAM at) {
    const HWND list = lbSearchIn->Handle();
    POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) { // from the keyboard: below the current item, or at the list's corner
        RECT item{};
        const int current = lbSearchIn->ItemIndex();
        if (current >= 0) {
            SendMessageA(list, LB_GETITEMRECT, current, reinterpret_cast<LPARAM>(&item));
        }
        point = {item.left, item.bottom};
        ClientToScreen(list, &point);
    } else {
        // As lists elsewhere do, the item clicked becomes current, so the command acts on it; a
        // click below the last item keeps the current one.
        POINT inList = point;
        ScreenToClient(list, &inList);
        const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(inList.x, inList.y));
        if (HIWORD(hit) == 0) {
            SendMessageA(list, LB_SETCURSEL, LOWORD(hit), 0);
        }
    }
    UpdateCatalogActions();
    TrackPopupMenu(popListCatalog.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, handle,
                   nullptr);
}

void TMainForm::UpdateCatalogActions() {
    const std::optional<std::string> selected = SelectedCatalog();
    const std::pair<int, bool> actions[] = {
        {kIdUpdateCatalog, UpdateCatalogEnabled(selected)},
        {kIdListCatalog, ListCatalogEnabled(selected)},
        {kIdCompressCatalog, CompressCatalogEnabled(selected)},
        {kIdDecompressCatalog, DecompressCatalogEnabled(selected)},
    };
    for (const auto& [id, enabled] : actions) {
        EnableMenuItem(popListCatalog.Get(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

std::optional<std::string> TMainForm::SelectedCatalog() const {
    const int index = lbSearchIn->ItemIndex();
    if (index < 0) {
        return std::nullopt;
    }
    return JoinPath(listPath, lbSearchIn->Text(index));
}

// The browser opens on the folder the catalog was made from; the user confirms it or picks another,
// since a disk may come back under another letter. The result pane then tells what changed.
void TMainForm::acUpdateCatalogExecute() {
    const std::optional<std::string> selected = SelectedCatalog();
    if (!selected) {
        return;
    }
    const std::string name = lbSearchIn->Text(lbSearchIn->ItemIndex());
    std::string root;
    {
        TWaitCursor wait;
        root = CatalogRoot(ReadCatalogText(*selected));
    }
    const std::string folder = BrowseForFolder(handle, root);
    if (folder.empty()) {
        return;
    }
    TCatalogChanges changes;
    {
        TTrayAnimation animation(*miroTrayIcon1);
        TWaitCursor wait;
        changes = UpdateCatalogFile(*selected, folder);
    }
    memSearchResult->SetText(DescribeCatalogChanges(name, changes));
}

void TMainForm::acListCatalogExecute() {
    if (const std::optional<std::string> selected = SelectedCatalog()) {
        memSearchResult->SetText(ReadCatalogText(*selected));
    }
}

void TMainForm::acCompressCatalogExecute() {
    if (const std::optional<std::string> selected = SelectedCatalog()) {
        TTrayAnimation animation(*miroTrayIcon1);
        TWaitCursor wait;
        PackCatalogFile(*selected);
    }
}

void TMainForm::acDecompressCatalogExecute() {
    if (const std::optional<std::string> selected = SelectedCatalog()) {
        TTrayAnimation animation(*miroTrayIcon1);
        TWaitCursor wait;
        UnpackCatalogFile(*selected);
    }
}
