#include "about_window.h"

#include "tillio.h"

namespace kav::gui {
namespace {

constexpr size_t kCommandLineBuffer = 100;

} // namespace

namespace {

// Labels take the mouse (the mouse over one is not over the bare background)
// and keep to one line.
constexpr uint32_t kAboutLabel = kStyleNotify | kStyleNoWrap;

// The address as the link shows it: without its scheme, so that it fits.
constexpr std::string_view shown_address()
{
    constexpr std::string_view address = TILLIO_MAKER_ADDRESS;
    constexpr std::string_view scheme = "http://";
    return address.starts_with(scheme) ? address.substr(scheme.size()) : address;
}

} // namespace

const ControlSpec kFormAboutControls[6] = {
    {ControlKind::Picture, "", kAboutImage1Id, {8, 8, 48, 61}},
    // The blanks inside the texts line the values up.
    {ControlKind::Label, "Product:   Cash Drawer", kAboutLabel1Id, {72, 8, 137, 17}, kAboutLabel},
    {ControlKind::Label, "Version:    1.11-20051223", kAboutLabel3Id, {72, 72, 137, 25}, kAboutLabel},
    {ControlKind::Label, "Website:", kAboutLabel5Id, {72, 136, 57, 25}, kAboutLabel},
    {ControlKind::Label, shown_address(), kLabhyperlinkId, {128, 136, 89, 17}, kAboutLabel, 0, &kLinkFont},
    {ControlKind::Button, "&OK", kIdOk, {240, 8, 65, 25}},
};

DialogLayout form_about_layout()
{
    return DialogLayout{"About", kFormAboutClientWidth, kFormAboutClientHeight, kFormAboutControls, kIdOk};
}

void FormAbout::show(const LinkLook& look)
{
    look_ = look;
    view_.show_link(look_);
}

void FormAbout::Form_Activate() { show({false, look_.blue}); }

void FormAbout::Form_MouseMove() { show({false, false}); }

void FormAbout::labhyperlink_MouseMove() { show({true, true}); }

void FormAbout::labhyperlink_Click()
{
    char command_line[kCommandLineBuffer] = {};
    if (state_.library.GetIePath(command_line) == TILLIO_BROWSER_NOT_FOUND) {
        view_.message("Open IE Browser Failed", kTitleError);
        return;
    }
    command_line[kCommandLineBuffer - 1] = '\0'; // the text ends within the buffer, whatever was written
    // A browser that was found but does not start is reported the same way.
    if (!view_.start_maximised(command_line)) view_.message("Open IE Browser Failed", kTitleError);
}

} // namespace kav::gui
