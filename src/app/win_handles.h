// Owners of the window's GDI objects, menus and loaded libraries: each frees its handle when it goes.
#pragma once

#include <utility>
#include <windows.h>

template <typename Handle, auto Free> class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(Handle owned) : handle(owned) {}
    ~TOwnedHandle() {
        if (handle) {
            Free(handle);
        }
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
        std::swap(handle, other.handle);
        return *this;
    }
    Handle Get() const { return handle; }

private:
    Handle handle = nullptr;
};

inline void ReleaseGdiObject(HGDIOBJ object) {
    DeleteObject(object);
}
inline void ReleaseMenu(HMENU menu) {
    DestroyMenu(menu);
}
inline void ReleaseLibrary(HMODULE library) {
    FreeLibrary(library);
}

using TFontHandle = TOwnedHandle<HFONT, ReleaseGdiObject>;
using TBrushHandle = TOwnedHandle<HBRUSH, ReleaseGdiObject>;
using TMenuHandle = TOwnedHandle<HMENU, ReleaseMenu>;
using TLibraryHandle = TOwnedHandle<HMODULE, ReleaseLibrary>;
