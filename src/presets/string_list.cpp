#include "presets/string_list.h"

#include <algorithm>
#include <cstddef>

#include "platform/codepage.h"
#include "platform/files.h"

namespace {

constexpr const char* kSortedListError = "Operation not allowed on sorted list";

[[noreturn]] void ThrowIndexError(int index) {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end;
        if (start < text.size() && text[start] == '\r') {
            ++start;
        }
        if (start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

} // namespace

const std::string& TStringList::Strings(int index) const {
    CheckIndex(index);
    return items[static_cast<std::size_t>(index)].name;
}

TObject* TStringList::Objects(int index) const {
    CheckIndex(index);
    return items[static_cast<std::size_t>(index)].object;
}

int TStringList::AddObject(const std::string& name, TObject* object) {
    int index = Count();
    if (sorted && Find(name, index)) {
        return index;
    }
    InsertItem(index, name, object);
    return index;
}

void TStringList::InsertObject(int index, const std::string& name, TObject* object) {
    if (sorted) {
        throw EStringListError(kSortedListError);
    }
    if (index < 0 || index > Count()) {
        ThrowIndexError(index);
    }
    InsertItem(index, name, object);
}

int TStringList::IndexOf(std::string_view name) const {
    int index = -1;
    return Find(name, index) ? index : -1;
}

bool TStringList::Find(std::string_view name, int& index) const {
    if (!sorted) {
        for (index = 0; index < Count(); ++index) {
            if (Compare(items[static_cast<std::size_t>(index)].name, name) == 0) {
                return true;
            }
        }
        return false;
    }
    // The lowest index of an equal name: switching case-sensitivity off can leave equal names side by side.
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const int order = Compare(items[static_cast<std::size_t>(middle)].name, name);
        if (order < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            found = found || order == 0;
        }
    }
    index = low;
    return found;
}

void TStringList::SetSorted(bool value) {
    if (value == sorted) {
        return;
    }
    if (value) {
        SortItems();
    }
    sorted = value;
}

// Re-sorting keeps binary search sound when the order of names changes with the switch.
void TStringList::SetCaseSensitive(bool value) {
    if (value == caseSensitive) {
        return;
    }
    caseSensitive = value;
    if (sorted) {
        SortItems();
    }
}

void TStringList::BeginUpdate() {
    if (updateCount == 0) {
        Changing();
    }
    ++updateCount;
}

void TStringList::EndUpdate() {
    if (updateCount == 0) {
        return;
    }
    --updateCount;
    if (updateCount == 0) {
        Changed();
    }
}

void TStringList::Assign(const TStringList& source) {
    if (&source == this) {
        return;
    }
    BeginUpdate();
    try {
        Clear();
        for (const Item& item : source.items) {
            AddObject(item.name, item.object);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::PutObject(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items[static_cast<std::size_t>(index)].object = object;
    Changed();
}

void TStringList::Clear() {
    if (items.empty()) {
        return;
    }
    Changing();
    items.clear();
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items.erase(items.begin() + index);
    Changed();
}

void TStringList::LoadFromFile(const std::string& fileName) {
    const std::vector<std::string> lines = SplitLines(platform::ReadWholeFile(fileName));
    BeginUpdate();
    try {
        Clear();
        for (const std::string& line : lines) {
            Add(line);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// Checked before anything is removed, so a refused move leaves the item where it was.
void TStringList::Move(int from, int to) {
    if (from == to) {
        return;
    }
    CheckMove(from, to);
    const std::string name = Strings(from);
    TObject* object = Objects(from);
    BeginUpdate();
    try {
        Delete(from);
        InsertObject(to, name, object);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStringList::SaveToFile(const std::string& fileName) {
    std::string text;
    for (const Item& item : items) {
        text += item.name;
        text += "\r\n";
    }
    platform::TFile file(fileName, platform::TFile::Mode::Create);
    if (file.Write(text.data(), text.size()) != text.size()) {
        throw platform::EFileError("Stream write error");
    }
}

void TStringList::Changing() {
    if (updateCount == 0 && onChanging) {
        onChanging(*this);
    }
}

void TStringList::Changed() {
    if (updateCount == 0 && onChange) {
        onChange(*this);
    }
}

void TStringList::CheckMove(int from, int to) const {
    if (sorted) {
        throw EStringListError(kSortedListError);
    }
    CheckIndex(from);
    CheckIndex(to);
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
    return caseSensitive ? platform::CompareStr(a, b) : platform::CompareText(a, b);
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) {
        ThrowIndexError(index);
    }
}

void TStringList::InsertItem(int index, const std::string& name, TObject* object) {
    Changing();
    items.insert(items.begin() + index, Item{name, object});
    Changed();
}

void TStringList::SortItems() {
    if (items.size() < 2) {
        return;
    }
    Changing();
    std::stable_sort(items.begin(), items.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.name, b.name) < 0; });
    Changed();
}
