// The tray icon's frame list: an ordered list of icon pictures, indexed from 0, any of which may be
// empty. Every change is reported to one listener, except inside a batch, whose end reports once.
// The stored form is the entry count, then per entry the size of its .ico file and the file, all
// integers 32-bit little-endian and signed; a size of 0 or less is an empty entry.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/icon_picture.h"

class TIconList {
public:
    TIconList() = default;
    // Copies the entries, not the listener or an open batch.
    TIconList(const TIconList& other) : entries(other.entries) {}
    TIconList& operator=(const TIconList&) = delete; // Assign says that it reports

    // Called after every change outside a batch; an empty function stops the reports.
    void SetOnChange(std::function<void()> onChange) { this->onChange = std::move(onChange); }
    void BeginUpdate() { ++updateDepth; }
    void EndUpdate();

    int Count() const { return static_cast<int>(entries.size()); }
    // Throws std::out_of_range for an index outside 0 .. Count - 1, here and in every indexed change.
    const TIconPicture& operator[](int index) const;
    // The first entry equal to `picture`, or -1.
    int IndexOf(const TIconPicture& picture) const;

    void Assign(const TIconList& other);
    void Replace(int index, const TIconPicture& picture);
    int Add(const TIconPicture& picture);
    // Adds the icon resource `name` (a name or MAKEINTRESOURCE id) of `module`.
    int AddFromResource(HMODULE module, const char* name);
    void Insert(int index, const TIconPicture& picture); // index may be Count: appends
    void Delete(int index);
    void Exchange(int index1, int index2);
    void Move(int from, int to);
    void Clear();

    // Replaces the entries with those of a stored form, as one change. Throws EInvalidIcon for a
    // picture that is not an icon file and std::runtime_error("Stream read error") for a stored form
    // that ends early; the list is then unchanged.
    void ReadStored(std::string_view stored);
    std::string WriteStored() const;

private:
    void CheckIndex(int index, int limit) const;
    void Changed();

    std::vector<TIconPicture> entries;
    std::function<void()> onChange;
    int updateDepth = 0;
};
