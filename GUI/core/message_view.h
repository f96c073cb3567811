// What every window's view can do for its logic: show a message box.
#pragma once
#include <string>

namespace kav::gui {

inline constexpr const char* kTitleError = "Error";   // failures
inline constexpr const char* kTitleStatus = "Status"; // drawer states

class MessageView {
public:
    // A modal message box with this text and title, an OK button only and no
    // icon; returns when it is dismissed.
    virtual void message(const std::string& text, const std::string& title) = 0;

protected:
    MessageView() = default;
    MessageView(const MessageView&) = default;
    MessageView& operator=(const MessageView&) = default;
    // Views are never owned through this interface.
    ~MessageView() = default;
};

} // namespace kav::gui
