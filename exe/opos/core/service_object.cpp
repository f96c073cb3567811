#include "service_object.h"

#include <algorithm>
#include <cctype>

namespace kav::opos {
namespace {

// The control object refuses names this long before it ever loads us.
constexpr size_t kMaxDeviceName = 255;

bool same_nocase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

ServiceObject::ServiceObject(Platform& platform)
    : platform_(platform), clock_(platform.clock()), state_(platform.make_monitor()),
      port_lock_(platform.make_monitor())
{
}

ServiceObject::~ServiceObject()
{
    // A destructor must not throw; closing stops the threads whatever it
    // fails to write.
    try {
        if (open_) close_service();
    } catch (...) {
    }
}

void ServiceObject::forget_device()
{
    events_.reset();
    watch_.reset();
    delivery_.reset();
    port_.reset();
    claim_.reset();
    statistics_.reset();
}

int32_t ServiceObject::done(int32_t code, int32_t extended)
{
    result_code_ = code;
    result_code_extended_ = extended;
    return code;
}

int32_t ServiceObject::open_failed(int32_t code, int32_t open_result)
{
    open_result_ = open_result;
    return done(code);
}

int32_t ServiceObject::open_service(std::string_view device_class, std::string_view device_name,
                                    std::unique_ptr<EventSink> events)
{
    if (open_) return done(OPOS_E_ILLEGAL);
    if (!same_nocase(device_class, kDeviceClass)) return open_failed(OPOS_E_NOSERVICE, OPOS_ORS_NOTSUPPORTED);
    // A device is one key below the class key: no empty name, no path.
    if (device_name.empty() || device_name.size() > kMaxDeviceName ||
        device_name.find('\\') != std::string_view::npos) {
        return open_failed(OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE);
    }
    const DeviceLookup device = platform_.find_device(device_name);
    if (device.result == DeviceLookup::Result::NoDevice) return open_failed(OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE);
    if (device.result == DeviceLookup::Result::NoDrawerValue) return open_failed(OPOS_E_NOSERVICE, OPOS_ORS_CONFIG);
    std::string why;
    std::unique_ptr<DrawerPort> port = platform_.drawers().port_for(device.drawer, why);
    if (!port) return open_failed(OPOS_E_NOSERVICE, OPOS_ORS_CONFIG);

    port_ = std::move(port);
    drawer_ = port_->identity();
    pushes_ = port_->pushes_changes();
    claim_ = platform_.claim_arbiter(device_name);
    statistics_ = platform_.statistics_store(device_name);
    events_ = std::move(events);
    watch_ = platform_.make_worker();
    delivery_ = platform_.make_worker();
    {
        Locked locked(*state_);
        closing_ = false;
        queue_.clear();
        freeze_events_ = false;
        co_frozen_ = false;
        power_notify_ = OPOS_PN_DISABLED;
    }
    claimed_ = false;
    binary_conversion_ = OPOS_BC_NONE;
    check_health_text_.clear();
    if (!delivery_->start([this] { return delivery_step(); })) {
        forget_device();
        return open_failed(OPOS_E_NOSERVICE, KAV_ORS_NO_THREAD);
    }
    open_ = true;
    return open_failed(OPOS_SUCCESS, 0);
}

int32_t ServiceObject::close_service()
{
    if (!open_) return done(OPOS_E_CLOSED);
    // The control object neither disables nor releases before closing.
    disable();
    if (claimed_) claim_->release();
    claimed_ = false;
    {
        Locked locked(*state_);
        closing_ = true;
        queue_.clear();
    }
    delivery_->wake();
    delivery_->stop_and_join();
    flush_statistics();
    // The control object's reference goes only once nothing can call it.
    forget_device();
    open_ = false;
    return done(OPOS_SUCCESS);
}

int32_t ServiceObject::claim_device(int32_t timeout_ms)
{
    if (!open_) return done(OPOS_E_CLOSED);
    if (timeout_ms < OPOS_FOREVER) return done(OPOS_E_ILLEGAL);
    if (claimed_) return done(OPOS_SUCCESS);
    switch (claim_->acquire(timeout_ms)) {
    case ClaimWait::Acquired: claimed_ = true; return done(OPOS_SUCCESS);
    case ClaimWait::TimedOut: return done(OPOS_E_TIMEOUT);
    case ClaimWait::Failed: break;
    }
    return done(OPOS_E_FAILURE);
}

int32_t ServiceObject::release_device()
{
    if (!open_) return done(OPOS_E_CLOSED);
    if (!claimed_) return done(OPOS_E_ILLEGAL);
    // Sharable: releasing leaves the device enabled and its events queued.
    claim_->release();
    claimed_ = false;
    return done(OPOS_SUCCESS);
}

bool ServiceObject::claimed_elsewhere()
{
    return !claimed_ && claim_->held_elsewhere();
}

int32_t ServiceObject::direct_io(int32_t, int32_t&, std::string&)
{
    return done(open_ ? OPOS_E_ILLEGAL : OPOS_E_CLOSED);
}

int32_t ServiceObject::compare_firmware_version(std::string_view, int32_t&)
{
    return done(open_ ? OPOS_E_ILLEGAL : OPOS_E_CLOSED);
}

int32_t ServiceObject::update_firmware(std::string_view)
{
    return done(open_ ? OPOS_E_ILLEGAL : OPOS_E_CLOSED);
}

int32_t ServiceObject::co_freeze_events(bool freeze)
{
    if (!open_) return OPOS_E_CLOSED;
    {
        Locked locked(*state_);
        co_frozen_ = freeze;
    }
    if (!freeze) delivery_->wake();
    return OPOS_SUCCESS;
}

int32_t ServiceObject::get_property_number(int32_t index)
{
    switch (index) {
    case PIDX_ResultCode: return result_code_;
    case PIDX_ResultCodeExtended: return result_code_extended_;
    case PIDX_ServiceObjectVersion: done(OPOS_SUCCESS); return kServiceObjectVersion;
    case PIDX_State: done(OPOS_SUCCESS); return open_ ? OPOS_S_IDLE : OPOS_S_CLOSED;
    default: break;
    }
    if (!open_) {
        done(OPOS_E_CLOSED);
        return 0;
    }
    Locked locked(*state_);
    const bool enabled = enabled_;
    int32_t value = 0;
    switch (index) {
    case PIDX_Claimed: value = claimed_; break;
    case PIDX_DeviceEnabled: value = enabled; break;
    case PIDX_FreezeEvents: value = freeze_events_; break;
    case PIDX_BinaryConversion: value = binary_conversion_; break;
    case PIDX_PowerNotify: value = power_notify_; break;
    case PIDX_PowerState:
        value = enabled && power_notify_ == OPOS_PN_ENABLED ? power_state_ : OPOS_PS_UNKNOWN;
        break;
    case PIDX_CapPowerReporting: value = OPOS_PR_STANDARD; break;
    case PIDX_CapStatisticsReporting:
    case PIDX_CapUpdateStatistics:
    case PIDX_CapStatus: value = 1; break;
    case PIDX_CapCompareFirmwareVersion:
    case PIDX_CapUpdateFirmware:
    case PIDX_CapStatusMultiDrawerDetect: value = 0; break; // one drawer per device
    case PIDX_DrawerOpened:
        // Kept current only while enabled.
        if (!enabled) {
            done(OPOS_E_DISABLED);
            return 0;
        }
        value = drawer_open_;
        break;
    default: done(OPOS_E_ILLEGAL); return 0;
    }
    done(OPOS_SUCCESS);
    return value;
}

int32_t ServiceObject::set_property_number(int32_t index, int32_t value)
{
    if (!open_) return done(OPOS_E_CLOSED);
    switch (index) {
    case PIDX_DeviceEnabled:
        if (value == 0) {
            disable();
            return done(OPOS_SUCCESS);
        }
        return done(enable());
    case PIDX_FreezeEvents: {
        {
            Locked locked(*state_);
            freeze_events_ = value != 0;
        }
        if (value == 0) delivery_->wake();
        return done(OPOS_SUCCESS);
    }
    case PIDX_BinaryConversion:
        if (value < OPOS_BC_NONE || value > OPOS_BC_DECIMAL) return done(OPOS_E_ILLEGAL);
        binary_conversion_ = value;
        return done(OPOS_SUCCESS);
    case PIDX_PowerNotify: {
        Locked locked(*state_);
        // Only while disabled, and only to one of its two values.
        if (enabled_ || (value != OPOS_PN_DISABLED && value != OPOS_PN_ENABLED)) return done(OPOS_E_ILLEGAL);
        power_notify_ = value;
        return done(OPOS_SUCCESS);
    }
    default: return done(OPOS_E_ILLEGAL);
    }
}

std::string ServiceObject::device_description() const
{
    return "KAV cash drawer " + drawer_.name + " (" + std::string(kind_text(drawer_.kind)) + ")";
}

std::string ServiceObject::get_property_string(int32_t index)
{
    if (!open_) {
        done(OPOS_E_CLOSED);
        return {};
    }
    switch (index) {
    case PIDX_CheckHealthText: done(OPOS_SUCCESS); return check_health_text_;
    case PIDX_DeviceDescription: done(OPOS_SUCCESS); return device_description();
    case PIDX_DeviceName: done(OPOS_SUCCESS); return drawer_.name;
    case PIDX_ServiceObjectDescription:
        done(OPOS_SUCCESS);
        return "KAV OPOS CashDrawer service object, UnifiedPOS 1.14";
    default: done(OPOS_E_ILLEGAL); return {};
    }
}

int32_t ServiceObject::set_property_string(int32_t, std::string_view)
{
    // A cash drawer has no string property an application may set.
    return done(open_ ? OPOS_E_ILLEGAL : OPOS_E_CLOSED);
}

} // namespace kav::opos
