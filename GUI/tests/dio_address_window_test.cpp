#include "dio_address_window.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

// ComboTCDio as a drop-down list: the user can only pick one of its entries.
class FakeTCDioView final : public TCDioView {
public:
    std::vector<std::string> entries;
    std::optional<size_t> shown;
    int closes = 0;

    void add_entry(std::string_view text) override { entries.emplace_back(text); }
    void show_entry(size_t position) override
    {
        ASSERT_LT(position, entries.size());
        shown = position;
    }
    std::string shown_entry() const override { return shown ? entries[*shown] : std::string(); }
    void close_window() override { ++closes; }

    void pick(const std::string& text)
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i] == text) shown = i;
        ASSERT_EQ(shown_entry(), text);
    }
};

TEST(FormTCDio, ListsTheFiveAddressesAndShowsTheCurrentOne)
{
    const std::vector<std::string> order{"0x280", "0x200", "0x220", "0x240", "0x260"};
    const std::pair<int32_t, const char*> cases[] = {
        {0x280, "0x280"}, {0x200, "0x200"}, {0x220, "0x220"}, {0x240, "0x240"}, {0x260, "0x260"}};
    for (const auto& [address, text] : cases) {
        ProgramState module;
        module.DioBaseAddress = address;
        FakeTCDioView view;
        FormTCDio(module, view).load();
        EXPECT_EQ(view.entries, order);
        EXPECT_EQ(view.shown_entry(), text);
        EXPECT_EQ(view.closes, 0);
    }
}

TEST(FormTCDio, OkStoresThePickedAddress)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"0x280", 640}, {"0x200", 512}, {"0x220", 544}, {"0x240", 576}, {"0x260", 608}};
    for (const auto& [text, address] : cases) {
        ProgramState module;
        module.DioBaseAddress = text == std::string("0x280") ? 0x200 : 0x280;
        FakeTCDioView view;
        FormTCDio form(module, view);
        form.load();
        view.pick(text);
        form.cmdOK_Click();
        EXPECT_EQ(module.DioBaseAddress, address) << text;
        EXPECT_EQ(view.closes, 1);
    }
}

TEST(FormTCDio, CancelAndAnUnknownShownTextKeepTheAddress)
{
    ProgramState module;
    module.DioBaseAddress = 0x220;
    FakeTCDioView view;
    FormTCDio form(module, view);
    form.load();
    view.pick("0x260");
    form.cmdCancel_Click();
    EXPECT_EQ(module.DioBaseAddress, 0x220);
    EXPECT_EQ(view.closes, 1);

    // No entry shown (or a text that is none of the five) matches nothing.
    view.shown.reset();
    form.cmdOK_Click();
    EXPECT_EQ(module.DioBaseAddress, 0x220);
    EXPECT_EQ(view.closes, 2);
}

// The main window opens FormTCDio on the same ProgramState: the choice reaches
// the next opening and the next thin-client and VOLX-8623 commands.
TEST(FormTCDio, ChoiceReachesTheNextOpeningAndTheNextCommands)
{
    testing::CashFixture f;
    ASSERT_EQ(f.form.startup().outcome, StartupOutcome::Interactive);

    FakeTCDioView first;
    FormTCDio dio(f.module, first);
    dio.load();
    EXPECT_EQ(first.shown_entry(), "0x280");
    first.pick("0x240");
    dio.cmdOK_Click();

    FakeTCDioView second;
    FormTCDio(f.module, second).load();
    EXPECT_EQ(second.shown_entry(), "0x240");

    f.log.clear();
    f.form.on_command(Command::ThinClientOpen1);
    f.form.on_command(Command::IEIStatus2);
    f.form.on_toolbar_click(6);
    EXPECT_EQ(f.log, (testing::CallLog{"DeviceControl(\\\\.\\KAV_cash,592)",
                                       "IEIGetCashDrawerStatus(\\\\.\\KAV_cash,599)",
                                       "message(Cash Drawer 2 is Closed|Status)",
                                       "DeviceControl(\\\\.\\KAV_cash,594)"}));
}

} // namespace
} // namespace kav::gui
