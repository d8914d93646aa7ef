// An icon picture: the bytes of a Windows icon file, or nothing, with the system icon handle made from
// it on first use. Copies share the bytes and the handle, so handing a picture on costs nothing and a
// handle is made once however often the picture is shown.
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

// Bytes that are not an icon file, or a resource that is not there.
class EInvalidIcon : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIconPicture {
public:
    TIconPicture() = default; // the empty picture

    // Takes a whole .ico file; throws EInvalidIcon when its directory does not describe its bytes.
    static TIconPicture FromIcoFile(std::string bytes);
    // The icon resource `name` (a name or MAKEINTRESOURCE id) of `module`, rebuilt as an .ico file.
    static TIconPicture FromResource(HMODULE module, const char* name);

    bool Empty() const { return image == nullptr; }
    // The .ico file; empty for the empty picture.
    const std::string& IcoFile() const;
    // The handle at the size of a small (tray) icon, made on first use and kept; null for the empty
    // picture and for an image that the system cannot read. Safe to call from any thread.
    HICON Handle() const;

    friend bool operator==(const TIconPicture& a, const TIconPicture& b);

private:
    struct Image;
    explicit TIconPicture(std::shared_ptr<const Image> image) : image(std::move(image)) {}
    std::shared_ptr<const Image> image;
};
