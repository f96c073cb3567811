#include "stand_in_events.h"

namespace kav::opos::wine {
namespace {

constexpr UINT kPostedEvent = WM_APP + 21;
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMs = 100; // as the real control object looks again
constexpr const wchar_t* kWindowClass = L"KAV_StandIn_HW_OPOSCashDrawer";

struct Entry {
    const wchar_t* name;
    DISPID id;
};
constexpr Entry kEntries[] = {
    {L"SODataDummy", 1}, {L"SODirectIO", 2},     {L"SOErrorDummy", 3}, {L"SOOutputCompleteDummy", 4},
    {L"SOStatusUpdate", 5}, {L"SOProcessID", 9},
};

} // namespace

double counter_ms()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Shared by the blocked caller and the posted message: whichever lets go
// last frees it, so an abandoned event never leaves the message pointing at
// a caller's stack.
struct StandInEvents::Pending {
    DISPID member;
    LONG number;
    HANDLE done;
    volatile LONG holders;
    void let_go()
    {
        if (InterlockedDecrement(&holders) == 0) {
            CloseHandle(done);
            delete this;
        }
    }
};

StandInEvents::StandInEvents() : thread_(GetCurrentThreadId()), illegal_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
    InitializeCriticalSection(&one_at_a_time_);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    RegisterClassW(&window_class); // fails harmlessly once registered
    window_ = CreateWindowW(kWindowClass, L"HW_OPOSCashDrawer", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

StandInEvents::~StandInEvents()
{
    set_legal(false);
    DestroyWindow(window_);
    DeleteCriticalSection(&one_at_a_time_);
    CloseHandle(illegal_);
}

HRESULT StandInEvents::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG StandInEvents::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

// Owned by the stand-in control object: the count is watched, never freed on.
ULONG StandInEvents::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

HRESULT StandInEvents::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return S_OK;
}

HRESULT StandInEvents::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    return E_NOTIMPL;
}

HRESULT StandInEvents::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids)
{
    if (!names || !dispids || count != 1) return E_INVALIDARG;
    for (const Entry& entry : kEntries) {
        if (lstrcmpiW(names[0], entry.name) == 0) {
            dispids[0] = entry.id;
            return S_OK;
        }
    }
    dispids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT StandInEvents::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                              EXCEPINFO*, UINT*)
{
    if (flags != DISPATCH_METHOD) violation("an entry point called without DISPATCH_METHOD alone");
    if (!parameters) return E_INVALIDARG;
    switch (member) {
    case 1:
    case 3:
    case 4: return E_NOTIMPL;
    case 9:
        if (result) {
            VariantInit(result);
            V_VT(result) = VT_I4;
            V_I4(result) = static_cast<LONG>(GetCurrentProcessId());
        }
        return S_OK;
    case 2:
    case 5: break;
    default: return DISP_E_MEMBERNOTFOUND;
    }
    const bool status = member == 5;
    const VARIANTARG* args = parameters->rgvarg;
    const bool shaped = status ? parameters->cArgs == 1 && V_VT(&args[0]) == VT_I4
                               : parameters->cArgs == 3 && V_VT(&args[2]) == VT_I4 &&
                                     V_VT(&args[1]) == (VT_BYREF | VT_I4) && V_VT(&args[0]) == (VT_BYREF | VT_BSTR);
    if (!shaped) {
        violation(status ? "SOStatusUpdate without one VT_I4" : "SODirectIO with other argument types");
        return DISP_E_TYPEMISMATCH;
    }
    const LONG number = status ? V_I4(&args[0]) : V_I4(&args[2]);
    if (GetCurrentThreadId() == thread_) {
        delivered_.push_back({member, number, false, counter_ms()});
        return S_OK;
    }
    // One event from another thread at a time, its caller blocked until the
    // control object's thread has it, or events turn illegal.
    EnterCriticalSection(&one_at_a_time_);
    if (InterlockedCompareExchange(&legal_, 0, 0)) {
        auto* pending = new Pending{member, number, CreateEventW(nullptr, TRUE, FALSE, nullptr), 2};
        InterlockedIncrement(&posted_);
        if (PostMessageW(window_, kPostedEvent, 0, reinterpret_cast<LPARAM>(pending))) {
            HANDLE waits[] = {pending->done, illegal_};
            WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        } else {
            pending->let_go();
        }
        pending->let_go();
    }
    LeaveCriticalSection(&one_at_a_time_);
    return S_OK;
}

void StandInEvents::violation(const char* what)
{
    last_violation_ = what;
    InterlockedIncrement(&violations_);
}

void StandInEvents::set_legal(bool legal)
{
    if (legal) {
        ResetEvent(illegal_);
        InterlockedExchange(&legal_, 1);
        return;
    }
    InterlockedExchange(&legal_, 0);
    SetEvent(illegal_);
    for (Pending* pending : held_) {
        SetEvent(pending->done);
        pending->let_go();
    }
    held_.clear();
}

void StandInEvents::on_posted(Pending* pending)
{
    if (!InterlockedCompareExchange(&legal_, 0, 0)) {
        SetEvent(pending->done);
        pending->let_go();
        return;
    }
    if (InterlockedCompareExchange(&frozen_, 0, 0)) {
        held_.push_back(pending);
        SetTimer(window_, kRetryTimer, kRetryMs, nullptr);
        return;
    }
    delivered_.push_back({pending->member, pending->number, true, counter_ms()});
    SetEvent(pending->done);
    pending->let_go();
}

LRESULT CALLBACK StandInEvents::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<StandInEvents*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kPostedEvent) {
        self->on_posted(reinterpret_cast<Pending*>(lparam));
        return 0;
    }
    if (self && message == WM_TIMER && wparam == kRetryTimer) {
        if (InterlockedCompareExchange(&self->frozen_, 0, 0) && InterlockedCompareExchange(&self->legal_, 0, 0)) {
            return 0;
        }
        KillTimer(window, kRetryTimer);
        std::vector<Pending*> held;
        held.swap(self->held_);
        for (Pending* pending : held) self->on_posted(pending);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace kav::opos::wine
