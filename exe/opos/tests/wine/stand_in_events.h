// The event side of the control-object stand-in: the IDispatch a CashDrawer
// control object hands the service object in OpenService. It answers exactly
// the names the real one has (SODataDummy 1, SODirectIO 2, SOErrorDummy 3,
// SOOutputCompleteDummy 4, SOStatusUpdate 5, SOProcessID 9), the dummies with
// E_NOTIMPL. An event called on the control object's own thread is delivered
// at once, as the real one does (no freeze or state check). One called from
// another thread is posted to a hidden window on the control object's
// thread, and its caller is blocked until that thread has delivered it; it
// is held while events are frozen (looked at again every 100 ms) and
// abandoned once events are made illegal.
#pragma once
#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <vector>

namespace kav::opos::wine {

struct DeliveredEvent {
    DISPID entry;  // 2 SODirectIO, 5 SOStatusUpdate
    LONG number;   // the status, or DirectIO's event number
    bool cross_thread;
    double at_ms;  // when the application had it (performance counter)
};

// The performance counter in milliseconds.
double counter_ms();

class StandInEvents final : public IDispatch {
public:
    // Made on the control object's thread, which must pump messages.
    StandInEvents();
    ~StandInEvents();
    StandInEvents(const StandInEvents&) = delete;
    StandInEvents& operator=(const StandInEvents&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

    // The control object's side.
    void set_legal(bool legal);
    void set_frozen(bool frozen) { frozen_ = frozen; }
    LONG references() const { return references_; }
    const std::vector<DeliveredEvent>& delivered() const { return delivered_; }
    // Events a thread posted, delivered or not.
    LONG posted() const { return posted_; }
    // Calls that broke the control object's rules (a flag other than
    // DISPATCH_METHOD, an argument of another type), and the last one's kind.
    LONG violations() const { return violations_; }
    const char* last_violation() const { return last_violation_; }

private:
    struct Pending;
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void violation(const char* what);
    void on_posted(Pending* pending);

    volatile LONG references_ = 1;
    DWORD thread_;
    HWND window_ = nullptr;
    CRITICAL_SECTION one_at_a_time_;
    HANDLE illegal_;    // set: events are abandoned
    volatile LONG legal_ = 0;
    volatile LONG frozen_ = 0;
    volatile LONG posted_ = 0;
    std::vector<Pending*> held_;
    std::vector<DeliveredEvent> delivered_;
    volatile LONG violations_ = 0;
    const char* volatile last_violation_ = "";
};

} // namespace kav::opos::wine
