// Catalog creation from the window's button and the tray menu: a folder, a name, the walk.
#include "app/main_form.h"

#include "app/folder_browser.h"
#include "app/name_prompt.h"
#include "app/tray_icon.h"
#include "app/wait_cursor.h"
#include "catalogs/catalog_tree.h"
#include "catalogs/paths.h"
#include "platform/files.h"

namespace {

// "Файл уже существует"
constexpr char kOverwriteCaption[] = "\xD4\xE0\xE9\xEB \xF3\xE6\xE5 \xF1\xF3\xF9\xE5\xF1\xF2\xE2\xF3\xE5\xF2";
// "Такой файл уже есть. Переписать?"
constexpr char kOverwriteText[] = "\xD2\xE0\xEA\xEE\xE9 \xF4\xE0\xE9\xEB \xF3\xE6\xE5 \xE5\xF1\xF2\xFC. "
                                  "\xCF\xE5\xF0\xE5\xEF\xE8\xF1\xE0\xF2\xFC?";

} // namespace

void TMainForm::sbCreateCatalogClick() {
    CreateCatalog();
}

void TMainForm::CreateCatalog1Click() {
    CreateCatalog();
}

// The window stays hidden afterwards: the user comes back to it through the tray or the hot key.
void TMainForm::CreateCatalog() {
    if (IsWindowVisible(handle)) {
        ShowWindow(handle, SW_HIDE);
    }
    const std::string folder = BrowseForFolder(handle);
    if (folder.empty()) {
        RefreshCatalogList();
        return;
    }
    const std::optional<std::string> path = AskNewCatalogPath();
    if (!path) {
        return;
    }
    {
        TTrayAnimation animation(*miroTrayIcon1);
        TWaitCursor wait;
        CreateCatalogFile(folder, *path);
    }
    RefreshCatalogList();
}

std::optional<std::string> TMainForm::AskNewCatalogPath() {
    for (;;) {
        const std::string name = AskCatalogName(handle);
        if (name.empty()) {
            return std::nullopt;
        }
        std::string path = JoinPath(listPath, name);
        if (!platform::FileExists(path)) {
            return path;
        }
        switch (MessageBoxA(handle, kOverwriteText, kOverwriteCaption, MB_YESNOCANCEL)) {
        case IDYES:
            return path;
        case IDNO:
            break;
        default:
            return std::nullopt;
        }
    }
}
