#include "control_object_events.h"

namespace kav::opos::win32 {

ControlObjectEvents::ControlObjectEvents(IDispatch* control_object) : control_object_(control_object)
{
    control_object_->AddRef();
    wchar_t name[] = L"SOStatusUpdate";
    LPOLESTR names[] = {name};
    DISPID dispid = DISPID_UNKNOWN;
    if (SUCCEEDED(control_object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid))) {
        status_update_ = dispid;
    }
}

ControlObjectEvents::~ControlObjectEvents()
{
    control_object_->Release();
}

void ControlObjectEvents::status_update(int32_t data)
{
    VARIANT argument;
    VariantInit(&argument);
    V_VT(&argument) = VT_I4;
    V_I4(&argument) = data;
    DISPPARAMS parameters = {&argument, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    // Called from the delivery thread with the pointer the control object
    // gave: it is made for that, and blocks us until its thread has the event.
    control_object_->Invoke(status_update_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                            nullptr, nullptr);
    VariantClear(&result);
}

} // namespace kav::opos::win32
