#include "about_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

using Log = std::vector<std::string>;

class FakeAboutView final : public AboutView {
public:
    Log log;
    LinkLook shown{false, false};
    bool starts = true;

    void show_link(const LinkLook& look) override { shown = look; }
    bool start_maximised(const std::string& command_line) override
    {
        log.push_back("start(" + command_line + ")");
        return starts;
    }
    void message(const std::string& text, const std::string& title) override
    {
        log.push_back("message(" + text + "|" + title + ")");
    }
    void close_window() override { log.push_back("close_window"); }
};

struct AboutFixture {
    ProgramState module;
    FakeAboutView view;
    FormAbout form{module, view};
    int32_t browser_result = 0;
    std::string written = "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE http://www.kav.example";

    AboutFixture()
    {
        module.library.GetIePath = [this](char* buffer) {
            EXPECT_TRUE(std::all_of(buffer, buffer + 100, [](char c) { return c == '\0'; }));
            if (browser_result == 0) std::strcpy(buffer, written.c_str());
            return browser_result;
        };
    }
};

TEST(FormAbout, TheLinkLightsUpOverItAndGoesPlainOnlyOverTheBackground)
{
    AboutFixture f;
    f.form.Form_Activate();
    EXPECT_EQ(f.view.shown, (LinkLook{false, false})) << "plain and black when it opens";
    f.form.labhyperlink_MouseMove();
    EXPECT_EQ(f.view.shown, (LinkLook{true, true}));
    // Over another label or the button nothing is reported: it stays lit.
    f.form.Form_Activate();
    EXPECT_EQ(f.view.shown, (LinkLook{false, true})) << "activation takes only the underline";
    f.form.labhyperlink_MouseMove();
    f.form.Form_MouseMove();
    EXPECT_EQ(f.view.shown, (LinkLook{false, false}));
}

TEST(FormAbout, AClickStartsTheBrowserEachTime)
{
    AboutFixture f;
    f.form.labhyperlink_Click();
    f.form.labhyperlink_Click();
    const std::string start = "start(" + f.written + ")";
    EXPECT_EQ(f.view.log, (Log{start, start}));
}

TEST(FormAbout, NoBrowserOrOneThatDoesNotStartIsReported)
{
    AboutFixture none;
    none.browser_result = -1;
    none.form.labhyperlink_Click();
    EXPECT_EQ(none.view.log, Log{"message(Open IE Browser Failed|Error)"});

    AboutFixture broken;
    broken.view.starts = false;
    broken.form.labhyperlink_Click();
    ASSERT_EQ(broken.view.log.size(), 2u);
    EXPECT_EQ(broken.view.log[1], "message(Open IE Browser Failed|Error)");
    broken.form.Command1_Click();
    EXPECT_EQ(broken.view.log.back(), "close_window");
}

} // namespace
} // namespace kav::gui
