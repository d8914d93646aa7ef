#include "app/folder_browser.h"

#include <memory>
#include <objbase.h>
#include <shlobj.h>

namespace {

// "Выбор папки"
constexpr char kBrowseTitle[] = "\xC2\xFB\xE1\xEE\xF0 \xEF\xE0\xEF\xEA\xE8";
constexpr std::size_t kPathBuffer = 280;

struct ItemDeleter {
    void operator()(ITEMIDLIST* item) const { CoTaskMemFree(item); }
};
using TItemList = std::unique_ptr<ITEMIDLIST, ItemDeleter>;

// The shell's dialogs want COM on the calling thread; a thread that has it already keeps it as it is.
class TComApartment {
public:
    TComApartment() : initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~TComApartment() {
        if (initialised) {
            CoUninitialize();
        }
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    bool initialised;
};

// Every notification enables OK: a virtual folder may be chosen too, and then gives no path.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    const auto* selected = reinterpret_cast<const std::string*>(data);
    if (message == BFFM_INITIALIZED && !selected->empty()) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(selected->c_str()));
    }
    return static_cast<int>(SendMessageA(dialog, BFFM_ENABLEOK, 0, 1));
}

} // namespace

std::string BrowseForFolder(HWND owner, const std::string& selected) {
    const TComApartment com;
    ITEMIDLIST* desktop = nullptr;
    SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, &desktop);
    const TItemList root(desktop);
    char buffer[kPathBuffer] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = root.get();
    info.pszDisplayName = buffer;
    info.lpszTitle = kBrowseTitle;
    info.ulFlags = BIF_RETURNFSANCESTORS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&selected);
    const TItemList chosen(SHBrowseForFolderA(&info));
    if (!chosen || !SHGetPathFromIDListA(chosen.get(), buffer)) {
        return {};
    }
    return buffer;
}
