// The window's preset commands: "Add", "Del", "*" and picking in the preset box. The box's items are
// the presets list's names in the list's order at every step, so the box's selected index is the
// list's index of the same preset.
#include "app/main_form.h"

#include <string>
#include <vector>

#include "app/check_list.h"
#include "presets/presets.h"
#include "settings/settings_file.h"

namespace {

std::vector<std::string> CatalogNames(const TCheckList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) {
        names.push_back(list.Text(i));
    }
    return names;
}

} // namespace

void TMainForm::LoadPresets(const platform::TIniProfile& settings) {
    FillPresets(presets, ReadPresets(settings));
    FillPresetBox();
}

void TMainForm::StorePresets(platform::TIniProfile& settings) const {
    WritePresets(settings, PresetEntries(presets));
}

// Leaves no item selected; the box's text stays.
void TMainForm::FillPresetBox() {
    cbPreset->Clear();
    for (int i = 0; i < presets.Count(); ++i) {
        cbPreset->Add(presets.Strings(i));
    }
}

void TMainForm::StorePreset() {
    std::vector<bool> ticks;
    for (int i = 0; i < lbSearchIn->Count(); ++i) {
        ticks.push_back(lbSearchIn->Checked(i));
    }
    if (SetPreset(presets, cbPreset->Text(), PresetValue(CatalogNames(*lbSearchIn), ticks))) {
        FillPresetBox();
    }
}

void TMainForm::ApplyPreset() {
    const int index = cbPreset->ItemIndex();
    if (index < 0) {
        return; // a name being typed leaves the ticks alone
    }
    const std::vector<bool> ticks = PresetTicks(presets.ValueAt(index), CatalogNames(*lbSearchIn));
    for (int i = 0; i < static_cast<int>(ticks.size()); ++i) {
        lbSearchIn->SetChecked(i, ticks[static_cast<std::size_t>(i)]);
    }
}

void TMainForm::SpeedButton1Click() {
    const int index = cbPreset->ItemIndex();
    if (index < 0) {
        return;
    }
    presets.Delete(index);
    FillPresetBox();
}

void TMainForm::SpeedButton2Click() {
    StorePreset();
}

void TMainForm::SpeedButton3Click() {
    const int count = lbSearchIn->Count();
    if (count == 0) {
        return;
    }
    const bool ticked = !lbSearchIn->Checked(0);
    for (int i = 0; i < count; ++i) {
        lbSearchIn->SetChecked(i, ticked);
    }
}

void TMainForm::cbPresetChange() {
    ApplyPreset();
}
