// The paired string list that holds the presets: every item carries, beside its name, a string value
// that the list owns, creates when the value is first set and releases exactly once when the item goes.
#pragma once

#include <atomic>
#include <string>
#include <utility>

#include "presets/string_list.h"

// One item's value, held in the item's object slot.
class TStringValue : public TObject {
public:
    explicit TStringValue(std::string text) : text(std::move(text)) { ++live; }
    ~TStringValue() override { --live; }
    TStringValue(const TStringValue&) = delete;
    TStringValue& operator=(const TStringValue&) = delete;

    std::string ClassName() const override { return "TStringValue"; }
    // Values alive in the process, so that ownership mistakes show as a count that does not return.
    static int LiveCount() { return live; }

    std::string text;

private:
    static inline std::atomic<int> live{0};
};

class TDualStrings : public TStringList {
public:
    TDualStrings() = default;
    ~TDualStrings() override;

    std::string ClassName() const override { return "TDualStrings"; }

    // Copies names and values (as new values) from another TDualStrings, with its case-sensitivity;
    // this list keeps its own sorted mode. Any other source throws std::runtime_error and changes nothing.
    void Assign(const TStringList& source) override;
    // The list takes the object over: the slot's old value is released, and so is the new object
    // when the index is outside the list.
    void PutObject(int index, TObject* object) override;
    void Clear() override;
    void Delete(int index) override;
    // The paired list is never kept in a text file, where values would not survive: both refuse with
    // std::logic_error, so that no caller takes a file for written or read.
    void LoadFromFile(const std::string& fileName) override;
    void Move(int from, int to) override;
    void SaveToFile(const std::string& fileName) override;
    virtual void DisposeValue(TObject* value);

    // With exact false the name is upper-cased first.
    int IndexOfKey(const std::string& name, bool exact) const;
    // Replaces the value of the item found by IndexOfKey, or adds the name as given with the value.
    void SetValue(const std::string& name, const std::string& value, bool exact);
    // A negative index does nothing; one at or past Count throws the list's index error.
    void SetValueAt(int index, const std::string& value);
    void AddValue(const std::string& name, const std::string& value);
    // The empty string for an item without a value and for any index outside the list.
    std::string ValueAt(int index) const;
};
