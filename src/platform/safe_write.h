// Replacing a user's file safely: the new content goes to a temporary file beside it, which takes the
// original's place only when complete. Until Commit the original is untouched; a failure anywhere
// leaves it byte for byte as it was, and the temporary file is removed.
#pragma once

#include <memory>
#include <string>

#include "platform/files.h"

namespace platform {

class TSafeWrite {
public:
    // Fails with "Cannot create file "%s". %s", naming `target`, wherever creating `target` itself
    // would have failed (another program has it open, no rights, a folder in the way).
    explicit TSafeWrite(const std::string& target);
    ~TSafeWrite(); // without Commit: the temporary file goes, the original stays
    TSafeWrite(const TSafeWrite&) = delete;
    TSafeWrite& operator=(const TSafeWrite&) = delete;

    // Writes all of `count` bytes or throws EFileError("Stream write error").
    void Write(const void* buffer, std::size_t count);
    TFile& File() { return *file; }
    // Flushes to the disk and puts the new file in place of the original.
    void Commit();

private:
    std::string target;
    std::string temp;
    std::unique_ptr<TFile> file;
};

} // namespace platform
