// The installer's console and log texts, as users and the log know them.
#pragma once

namespace kav::setup::text {

inline constexpr char kInstallDriver[] = "Install KAV_cash.sys Driver\n";
inline constexpr char kCreateFileFail[] = "Create File Fail\n";
inline constexpr char kUse64BitMedia[] = "Use the 64-bit installation media\n";
inline constexpr char kNoDriverFound[] = "No KAV_cash.sys Found\n";
inline constexpr char kCloseSearch1Fail[] = "Couldn't close search handle 1\n";
inline constexpr char kCopyFileFail[] = "Copy File Fail\n";
inline constexpr char kSetAttributesFail[] = "Set File Attributes Fail\n";
inline constexpr char kInstallApplication[] = "Install Application\n";
inline constexpr char kNoSetupFound[] = "No Setup.exe Found\n";
inline constexpr char kCloseSearch4Fail[] = "Couldn't close search handle 4\n";
inline constexpr char kPressEnterToRestart[] = "Please press enter to restart after successful installation\n";
inline constexpr char kInstallFinished[] = "Install Finished\n";

inline constexpr char kRegisterCreateKeyFail[] = "Register Create key Fail\n";
inline constexpr char kRegisterErrorControlFail[] = "Register Value Fail for ErrorControl\n";
inline constexpr char kRegisterImagePathFail[] = "Register Value Fail for ImagePath\n";
inline constexpr char kRegisterStartFail[] = "Register Value Fail for Start\n";
inline constexpr char kRegisterTypeFail[] = "Register Value Fail for Type\n";

} // namespace kav::setup::text
