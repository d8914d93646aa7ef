// The main window's side of the tray icon: making MiroTrayIcon1 with its pictures, menu and events.
#include "app/main_form.h"

#include "app/resource_ids.h"
#include "app/tray_icon.h"

void TMainForm::CreateTrayIcon() {
    miroTrayIcon1 = std::make_unique<TMiroTrayIcon>();
    miroTrayIcon1->SetIcon(TIconPicture::FromResource(instance, MAKEINTRESOURCEA(IDI_MIROLAN)));
    TIconList frames;
    for (int i = 0; i < kTrayFrameCount; ++i) {
        frames.AddFromResource(instance, MAKEINTRESOURCEA(IDI_TRAY_FRAME0 + i));
    }
    miroTrayIcon1->SetIcons(frames);
    miroTrayIcon1->SetPopupMenu(popTrayIcon.Get(), handle);
    miroTrayIcon1->OnDblClick = [this](TMiroTrayIcon&) { MiroTrayIcon1DblClick(); };
    miroTrayIcon1->Loaded();
}
