// Named kernel objects and files every process of every user on the machine
// can share: made with a DACL that lets any signed-in user use them, opened
// with exactly the rights that needs.
#pragma once
#include <windows.h>

#include <string>

namespace kav::opos::win32 {

// System and administrators all; signed-in users wait on an object and set it
// (SYNCHRONIZE and the modify-state right of events (2) and mutexes (1)).
inline constexpr const wchar_t* kSharedObjectSddl = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100003;;;AU)";
// A folder whose files signed-in users read, write and replace ("modify").
inline constexpr const wchar_t* kSharedFolderSddl =
    L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x001301bf;;;AU)";

class SecurityAttributes {
public:
    explicit SecurityAttributes(const wchar_t* sddl);
    ~SecurityAttributes();
    SecurityAttributes(const SecurityAttributes&) = delete;
    SecurityAttributes& operator=(const SecurityAttributes&) = delete;
    // nullptr when no descriptor could be made: the object gets the default.
    SECURITY_ATTRIBUTES* get() { return descriptor_ ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// A mutex taken for a scope, waiting at most timeout_ms: held once taken, or
// found abandoned (its holder died; what it guards is whole, as every holder
// writes it in one step).
class MutexHold {
public:
    MutexHold(HANDLE mutex, DWORD timeout_ms);
    ~MutexHold();
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
    bool held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

// A handle with SYNCHRONIZE and the modify-state right, or nullptr
// (GetLastError says why).
HANDLE shared_mutex(const std::wstring& name);
HANDLE shared_event(const std::wstring& name); // manual reset, initially clear
HANDLE shared_auto_event(const std::wstring& name); // auto reset, initially clear
// Sets the event if it exists: nobody waits on one that does not.
void set_shared_event(const std::wstring& name);

} // namespace kav::opos::win32
