// The string list beneath the presets list: names, each with one object slot that the list does not
// own, kept in ascending order in sorted mode and compared with or without letter case, as the active
// 8-bit code page orders them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The root of everything a list's object slot can hold; ClassName names the class in messages.
class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const { return "TObject"; }
};

// "List index out of bounds (%d)" and "Operation not allowed on sorted list".
class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TStringList : public TObject {
public:
    using TNotifyEvent = std::function<void(TStringList&)>;

    TStringList() = default;
    ~TStringList() override = default;
    TStringList(const TStringList&) = delete;
    TStringList& operator=(const TStringList&) = delete;

    std::string ClassName() const override { return "TStringList"; }

    int Count() const { return static_cast<int>(items.size()); }
    const std::string& Strings(int index) const;
    TObject* Objects(int index) const;

    // Both return the item's index. In sorted mode the item goes to its sorted place, and a name
    // equal to a present one adds nothing and returns the present item's index.
    int Add(const std::string& name) { return AddObject(name, nullptr); }
    int AddObject(const std::string& name, TObject* object);
    // At a given position, so refused in sorted mode; index may equal Count.
    void Insert(int index, const std::string& name) { InsertObject(index, name, nullptr); }
    void InsertObject(int index, const std::string& name, TObject* object);

    // Binary search in sorted mode, linear otherwise; -1 when absent.
    int IndexOf(std::string_view name) const;
    // Whether the name is present; `index` receives its index, or else the place where it belongs
    // (Count for an unsorted list).
    bool Find(std::string_view name, int& index) const;

    bool Sorted() const { return sorted; }
    void SetSorted(bool value);
    bool CaseSensitive() const { return caseSensitive; }
    void SetCaseSensitive(bool value);

    // While an update is open no notifications are sent; opening the outermost sends the
    // before-change notification and closing it the after-change one.
    void BeginUpdate();
    void EndUpdate();
    void SetOnChanging(TNotifyEvent handler) { onChanging = std::move(handler); }
    void SetOnChange(TNotifyEvent handler) { onChange = std::move(handler); }

    // Names and objects of the source; the objects are shared, not copied.
    virtual void Assign(const TStringList& source);
    virtual void PutObject(int index, TObject* object);
    virtual void Clear();
    virtual void Delete(int index);
    // One item per line; CR LF, LF and CR all end a line.
    virtual void LoadFromFile(const std::string& fileName);
    // Moves the item with its object; refused in sorted mode; both positions must be in the list.
    virtual void Move(int from, int to);
    // Every name followed by CR LF.
    virtual void SaveToFile(const std::string& fileName);

protected:
    void Changing();
    void Changed();
    // Throws the error Move would raise, before anything has changed.
    void CheckMove(int from, int to) const;

private:
    struct Item {
        std::string name;
        TObject* object;
    };

    int Compare(std::string_view a, std::string_view b) const;
    void CheckIndex(int index) const;
    void InsertItem(int index, const std::string& name, TObject* object);
    void SortItems();

    std::vector<Item> items;
    bool sorted = false;
    bool caseSensitive = false;
    int updateCount = 0;
    TNotifyEvent onChanging;
    TNotifyEvent onChange;
};
