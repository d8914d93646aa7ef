// The packed catalog container: writing "Uni_Data" containers and reading all four kinds
// ("Uni_Data", "Uni-Data", "ZLIB-GUL", "Rbac-Uni"). A file is packed by its first 8 bytes alone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "catalogs/streams.h"

// The key that every container this program writes carries in its trailer.
constexpr std::uint32_t kPackKey = 58213;
constexpr std::size_t kMagicSize = 8;

// The inflater's complaint about a damaged zlib stream; its text is "Error".
class EInflateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the reader tells the user about a container it cannot undo ("Need version ..."): a message box
// in the window, standard error in the terminal. Set once at start; unset, the message is dropped.
using TMessageCallback = std::function<void(const std::string& caption, const std::string& text)>;
void SetContainerMessageCallback(TMessageCallback callback);

// Whether `head` starts with one of the four magics.
bool IsPackedBytes(std::string_view head);
// Looks at the 8 bytes from the stream's position and leaves the position where it was.
bool IsPackedStream(TStream& stream);
// No for a missing file; a file that cannot be opened raises "Cannot open file "%s". %s".
bool IsPackedFile(const std::string& path);

// Writes a "Uni_Data" container of `source`, from its position to its end, at `destination`'s position.
void PackStream(TStream& source, TStream& destination, std::uint32_t key);
// Packs `source` into a container at `path`, which replaces any file there only once complete.
// Returns the container's size.
std::int64_t PackToFile(const std::string& path, TStream& source, std::uint32_t key);

// The text held in `source`, a container from its first byte; key 0 takes the key from the file.
// A stream that is no container comes back whole, as its own text.
std::unique_ptr<TMemoryStream> UnpackStream(TStream& source, std::uint32_t key);
// The same for a container held whole in memory; its bytes serve as scratch space.
std::string UnpackBytes(std::string container, std::uint32_t key);
