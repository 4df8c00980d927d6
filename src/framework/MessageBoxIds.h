#pragma once

namespace upsconfig {

// Message-box styles: the button set in the low four bits, the icon in the next four, the
// default button in bits 8 to 11, the values of the platform's standard message box.
namespace MessageStyle {
inline constexpr unsigned Ok = 0x0;
inline constexpr unsigned OkCancel = 0x1;
inline constexpr unsigned AbortRetryIgnore = 0x2;
inline constexpr unsigned YesNoCancel = 0x3;
inline constexpr unsigned YesNo = 0x4;
inline constexpr unsigned RetryCancel = 0x5;
inline constexpr unsigned IconStop = 0x10;
inline constexpr unsigned IconQuestion = 0x20;
inline constexpr unsigned IconExclamation = 0x30;
inline constexpr unsigned IconInformation = 0x40;
inline constexpr unsigned DefaultButton2 = 0x100;
inline constexpr unsigned DefaultButton3 = 0x200;
}  // namespace MessageStyle

// The ids of the buttons, which ShowMessage returns; the communication-error dialog's choices
// use Retry, Ignore and Cancel.
namespace ButtonId {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Abort = 3;
inline constexpr int Retry = 4;
inline constexpr int Ignore = 5;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
}  // namespace ButtonId

}  // namespace upsconfig
