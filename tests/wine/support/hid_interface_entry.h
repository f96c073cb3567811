// A HID interface that setupapi lists as present though no device backs it,
// so it never opens: the instance key and the interface key, with its link
// marked as up, that Wine's setupapi reads. Removed again on destruction.
// The instance id "HID\VID_0000&PID_0001\<tag>" sorts ahead of Wine's own
// HID devices (VID_845E), and tags sort as text.
#pragma once
#include <string>

namespace kavwine {

class UnopenableHidInterface {
public:
    explicit UnopenableHidInterface(const std::string& tag);
    ~UnopenableHidInterface();
    UnopenableHidInterface(const UnopenableHidInterface&) = delete;
    UnopenableHidInterface& operator=(const UnopenableHidInterface&) = delete;

    // All its registry entries were written.
    bool ok() const { return ok_; }

private:
    std::string instance_key_;
    std::string interface_key_;
    bool ok_ = false;
};

} // namespace kavwine
