// The control object's event entry point as the service object's EventSink:
// SOStatusUpdate, looked up by name on the control object's IDispatch (DISPID
// 5 where the name does not resolve) and called with DISPATCH_METHOD and one
// VT_I4. The control object's other entry points are never asked for: the
// cash drawer's has SODataDummy, SOErrorDummy and SOOutputCompleteDummy, not
// SOData, SOError or SOOutputComplete. Holds a reference to the control object
// from OpenService until the service object lets go of it in CloseService.
#pragma once
#include "platform.h"

#include <oaidl.h>

namespace kav::opos::win32 {

class ControlObjectEvents final : public EventSink {
public:
    explicit ControlObjectEvents(IDispatch* control_object);
    ~ControlObjectEvents() override;
    ControlObjectEvents(const ControlObjectEvents&) = delete;
    ControlObjectEvents& operator=(const ControlObjectEvents&) = delete;

    void status_update(int32_t data) override;

private:
    IDispatch* control_object_;
    DISPID status_update_ = 5;
};

} // namespace kav::opos::win32
