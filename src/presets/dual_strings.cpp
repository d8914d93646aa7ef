#include "presets/dual_strings.h"

#include <memory>
#include <stdexcept>

#include "platform/codepage.h"

namespace {

TStringValue* AsValue(TObject* object) {
    return dynamic_cast<TStringValue*>(object);
}

bool Holds(const TStringList& list, const TObject* object) {
    for (int i = 0; i < list.Count(); ++i) {
        if (list.Objects(i) == object) {
            return true;
        }
    }
    return false;
}

} // namespace

TDualStrings::~TDualStrings() {
    for (int i = 0; i < Count(); ++i) {
        DisposeValue(Objects(i));
    }
}

void TDualStrings::Assign(const TStringList& source) {
    const auto* dual = dynamic_cast<const TDualStrings*>(&source);
    if (dual == nullptr) {
        throw std::runtime_error("Cannot assign " + source.ClassName() + " to TDualStringList!");
    }
    if (dual == this) {
        return;
    }
    Clear();
    SetCaseSensitive(dual->CaseSensitive());
    // An upper-cased key would merge names that differ only in case, which a case-sensitive
    // source keeps apart.
    const bool exact = CaseSensitive();
    for (int i = 0; i < dual->Count(); ++i) {
        SetValue(dual->Strings(i), dual->ValueAt(i), exact);
    }
}

void TDualStrings::PutObject(int index, TObject* object) {
    TObject* old = index >= 0 && index < Count() ? Objects(index) : nullptr;
    // The object is ours to release until it is stored; one that already sits in the slot stays.
    auto release = [this](TObject* o) { DisposeValue(o); };
    std::unique_ptr<TObject, decltype(release)> incoming(object != old ? object : nullptr, release);
    Changing();
    BeginUpdate();
    try {
        if (old != object) {
            DisposeValue(old);
        }
        TStringList::PutObject(index, object);
        incoming.release();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    Changed();
}

void TDualStrings::Clear() {
    if (Count() == 0) {
        return;
    }
    Changing();
    for (int i = 0; i < Count(); ++i) {
        PutObject(i, nullptr);
    }
    BeginUpdate();
    TStringList::Clear();
    EndUpdate();
    Changed();
}

void TDualStrings::Delete(int index) {
    PutObject(index, nullptr);
    TStringList::Delete(index);
}

void TDualStrings::LoadFromFile(const std::string&) {
    throw std::logic_error("A paired list is not read from a text file: its values would be lost");
}

// Checked before the item is taken out, so a refused move keeps the item and its value.
void TDualStrings::Move(int from, int to) {
    if (from == to) {
        return;
    }
    CheckMove(from, to);
    const std::string name = Strings(from);
    TObject* value = Objects(from);
    BeginUpdate();
    TStringList::Delete(from);
    try {
        InsertObject(to, name, value);
    } catch (...) {
        DisposeValue(value);
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TDualStrings::SaveToFile(const std::string&) {
    throw std::logic_error("A paired list is not written to a text file: its values would be lost");
}

void TDualStrings::DisposeValue(TObject* value) {
    delete value;
}

int TDualStrings::IndexOfKey(const std::string& name, bool exact) const {
    return IndexOf(exact ? name : platform::UpperString(name));
}

void TDualStrings::SetValue(const std::string& name, const std::string& value, bool exact) {
    if (const int index = IndexOfKey(name, exact); index >= 0) {
        SetValueAt(index, value);
    } else {
        AddValue(name, value);
    }
}

void TDualStrings::SetValueAt(int index, const std::string& value) {
    if (index < 0) {
        return;
    }
    if (TStringValue* present = AsValue(Objects(index))) {
        present->text = value;
    } else {
        PutObject(index, new TStringValue(value));
    }
}

void TDualStrings::AddValue(const std::string& name, const std::string& value) {
    int index = -1;
    if (Sorted() && Find(name, index)) {
        // Sorted mode would ignore the name as a duplicate: the present item takes the value instead.
        SetValueAt(index, value);
        return;
    }
    auto* fresh = new TStringValue(value);
    try {
        AddObject(name, fresh);
    } catch (...) {
        // A failing change handler may have run before the item went in, or after.
        if (!Holds(*this, fresh)) {
            DisposeValue(fresh);
        }
        throw;
    }
}

std::string TDualStrings::ValueAt(int index) const {
    if (index < 0 || index >= Count()) {
        return {};
    }
    const TStringValue* value = AsValue(Objects(index));
    return value != nullptr ? value->text : std::string();
}
