// FormAbout: the product's name and version, and the maker's web address as
// a link that opens the browser on it.
#pragma once
#include "program_state.h"
#include "dialog_layout.h"
#include "message_view.h"

#include <string>

namespace kav::gui {

// The link at rest is black and plain; under the mouse, blue and underlined.
struct LinkLook {
    bool underlined;
    bool blue;

    friend constexpr bool operator==(const LinkLook&, const LinkLook&) = default;
};

class AboutView : public MessageView {
public:
    virtual void show_link(const LinkLook& look) = 0;
    // Starts the command line as a new process, its window maximised and
    // given the focus, without waiting for it; false if it did not start.
    virtual bool start_maximised(const std::string& command_line) = 0;
    virtual void close_window() = 0;

protected:
    AboutView() = default;
    AboutView(const AboutView&) = default;
    AboutView& operator=(const AboutView&) = default;
    ~AboutView() = default;
};

class FormAbout {
public:
    FormAbout(const ProgramState& state, AboutView& view) : state_(state), view_(view) {}

    // Each activation: the link loses its underline (its colour stays).
    void Form_Activate();
    // The mouse over the window's bare background.
    void Form_MouseMove();
    // The mouse over the link.
    void labhyperlink_MouseMove();
    void labhyperlink_Click();
    // Command1, and the close box.
    void Command1_Click() { view_.close_window(); }

    const LinkLook& link() const { return look_; }

private:
    void show(const LinkLook& look);

    const ProgramState& state_;
    AboutView& view_;
    LinkLook look_{false, false};
};

inline constexpr int kAboutImage1Id = 1300;
inline constexpr int kAboutLabel1Id = 1301;
inline constexpr int kAboutLabel3Id = 1302;
inline constexpr int kAboutLabel5Id = 1303;
inline constexpr int kLabhyperlinkId = 1304;

// Labels notify, so that the mouse over one is not over the bare background.
inline constexpr FontSpec kLinkFont{"MS Sans Serif", 8};
extern const ControlSpec kFormAboutControls[6];
inline constexpr int kFormAboutClientWidth = 314;
inline constexpr int kFormAboutClientHeight = 171;

// The layout; the view adds the program's icon, a resource of its own.
DialogLayout form_about_layout();

} // namespace kav::gui
