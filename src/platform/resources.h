// The numbers of the program's resources: the two dialogs, their items with
// their places in dialog units (x, y, width, height), and the icons.
// The resource script (src/ui/resources.rc) builds its templates from these
// macros, the engine drives the items by the same numbers and the simulated
// dialogs lay them out from the same places, so a template and the code that
// uses it cannot drift apart (the Wine suite's UI driver, a C program, finds
// the items by them too). The resource compiler runs the C preprocessor over
// the script but parses no C++: everything it sees is a #define.
#pragma once

// Icons: the program's own (a 32x32 and a 16x16 image), the uninstaller's
// window icon, the installer's window icon.
#define MAIN_ICON 256
#define UNINSTALL_SMALL_ICON 257
#define INSTALL_SMALL_ICON 258

// The main dialog: introduction, destination, Install / Cancel / Help.
#define MAIN_DIALOG 128
#define MAIN_DIALOG_BOX 59, 45, 190, 98
#define MAIN_ICON_ITEM_BOX 8, 8, 21, 20  // the program icon, an item without a number
#define INTRO_ITEM 256
#define INTRO_ITEM_BOX 41, 7, 142, 40
#define INSTALL_TO_ITEM 257
#define INSTALL_TO_ITEM_BOX 8, 48, 99, 8
#define DESTINATION_ITEM 258
#define DESTINATION_ITEM_BOX 7, 57, 176, 12
#define INSTALL_BUTTON 1007
#define INSTALL_BUTTON_BOX 7, 77, 48, 14
#define MAIN_CANCEL_BUTTON_BOX 71, 77, 48, 14
#define MAIN_HELP_BUTTON_BOX 135, 77, 48, 14

// The progress dialog: two status lines, the bar's frame, Cancel.
#define PROGRESS_DIALOG 129
#define PROGRESS_DIALOG_BOX 20, 46, 252, 74
#define STATUS_LABEL_ITEM 384
#define STATUS_LABEL_ITEM_BOX 7, 7, 211, 8
#define STATUS_DETAIL_ITEM 385
#define STATUS_DETAIL_ITEM_BOX 7, 18, 238, 8
#define PROGRESS_FRAME_ITEM 386
#define PROGRESS_FRAME_ITEM_BOX 7, 31, 238, 13
#define PROGRESS_CANCEL_BUTTON_BOX 101, 53, 48, 14

#ifdef __cplusplus
namespace os {

constexpr int MainIconId = MAIN_ICON;
constexpr int UninstallSmallIconId = UNINSTALL_SMALL_ICON;
constexpr int InstallSmallIconId = INSTALL_SMALL_ICON;

constexpr int MainDialogId = MAIN_DIALOG;
constexpr int IntroItem = INTRO_ITEM;
constexpr int InstallToItem = INSTALL_TO_ITEM;
constexpr int DestinationItem = DESTINATION_ITEM;
constexpr int InstallButton = INSTALL_BUTTON;

constexpr int ProgressDialogId = PROGRESS_DIALOG;
constexpr int StatusLabelItem = STATUS_LABEL_ITEM;
constexpr int StatusDetailItem = STATUS_DETAIL_ITEM;
constexpr int ProgressFrameItem = PROGRESS_FRAME_ITEM;

}  // namespace os
#endif
