#include "platform/safe_write.h"

namespace platform {
namespace {

// An error about the temporary file is told of the file the user knows.
[[noreturn]] void Retell(const EFileError& error, const std::string& temp, const std::string& target) {
    std::string text = error.what();
    const std::string tempPath = FullPath(temp);
    if (const std::size_t at = text.find(tempPath); at != std::string::npos) {
        text.replace(at, tempPath.size(), FullPath(target));
    }
    throw EFileError(text);
}

} // namespace

TSafeWrite::TSafeWrite(const std::string& targetPath) : target(targetPath), temp(TempNameBeside(targetPath)) {
    if (FileExists(target)) {
        TFile probe(target, TFile::Mode::Update); // fails as recreating the file itself would
    }
    try {
        file = std::make_unique<TFile>(temp, TFile::Mode::Create);
    } catch (const EFileError& error) {
        Retell(error, temp, target);
    }
}

TSafeWrite::~TSafeWrite() {
    if (file) {
        file.reset();
        RemoveFile(temp);
    }
}

void TSafeWrite::Write(const void* buffer, std::size_t count) {
    if (file->Write(buffer, count) != count) {
        throw EFileError("Stream write error");
    }
}

void TSafeWrite::Commit() {
    file->Flush();
    file.reset();
    try {
        ReplaceFileWith(target, temp);
    } catch (...) {
        RemoveFile(temp);
        throw;
    }
}

} // namespace platform
