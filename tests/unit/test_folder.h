// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>

#include "catalogs/paths.h"
#include "platform/files.h"
#include "platform/find.h"

#ifdef _WIN32
#include <windows.h>
#endif

class TestFolder {
public:
    TestFolder() {
        static std::atomic<int> counter{0};
        std::string temp = std::filesystem::temp_directory_path().string();
#ifdef _WIN32
        const std::string id = std::to_string(GetCurrentProcessId());
#else
        const std::string id = std::to_string(::getpid());
#endif
        path = JoinPath(temp, "mirolan-test-" + id + "-" + std::to_string(counter++));
        RemoveTree(path);
        platform::CreateFolder(path);
    }
    ~TestFolder() {
        RemoveTree(path);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const {
        return path;
    }

    // Writes `content` to the file `name` below the folder and returns its path.
    std::string WriteFile(const std::string& name, const std::string& content) const {
        const std::string file = JoinPath(path, name);
        platform::TFile out(file, platform::TFile::Mode::Create);
        out.Write(content.data(), content.size());
        return file;
    }

    std::string MakeFolder(const std::string& name) const {
        const std::string folder = JoinPath(path, name);
        platform::CreateFolder(folder);
        return folder;
    }

    static std::string ReadFile(const std::string& file) {
        return platform::ReadWholeFile(file);
    }

    static void RemoveTree(const std::string& folder) {
        {
            platform::TFindFiles find(JoinPath(folder, "*"));
            platform::FoundEntry entry;
            while (find.Next(entry)) {
                if (entry.name == "." || entry.name == "..") {
                    continue;
                }
                const std::string child = JoinPath(folder, entry.name);
#ifdef _WIN32
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
                const bool realFolder = (entry.attributes & platform::kAttrFolder) != 0 &&
                                        (entry.attributes & platform::kAttrLink) == 0;
                if (realFolder) {
                    RemoveTree(child);
                } else if (!platform::RemoveFile(child)) {
                    platform::RemoveFolder(child); // a folder link
                }
            }
        }
        platform::RemoveFolder(folder);
    }

private:
    std::string path;
};
