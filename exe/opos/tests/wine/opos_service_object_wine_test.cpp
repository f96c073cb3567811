// KAV_CashDrawer_SO.dll under Wine, driven through a control-object stand-in
// as strict as the standard one: registration with regsvr32, logical devices
// that are missing or misconfigured, a configured drawer that cannot be
// reached (no driver is loaded), every call in the wrong state, the claim
// against a second process, events across threads, references, and
// statistics kept across processes.
#include "control_object_stand_in.h"
#include "device_names.h"
#include "opos_constants.h"
#include "opos_wine_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <fstream>

namespace kav::opos::wine {
namespace {

constexpr const wchar_t* kDevice = L"KAVTest";

class Registered : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(regsvr32(false), 0u);
        add_device({kDevice, kProgId, L"VOLX-8613:1", {}});
        add_device({L"KAVUsb", kProgId, L"usb:1", {}});
        add_device({L"NoDrawerValue", kProgId, {}, {}});
        add_device({L"BadDrawer", kProgId, L"nonsense", {}});
        add_device({L"DwordDrawer", kProgId, {}, 1});
        add_device({L"NoProgId", {}, L"com3", {}});
        add_alias(L"FrontTill", kDevice);
        add_alias(L"Dangling", L"Missing");
    }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new Registered);

class ServiceObjectOnWine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override
    {
        co.reset();
        CoUninitialize();
    }
    // The stand-in's rules were kept by the service object all along.
    void expect_clean(StandInControlObject& object)
    {
        EXPECT_EQ(object.loose_results(), 0) << "results that were not VT_I4";
        EXPECT_EQ(object.events().violations(), 0) << object.events().last_violation();
    }
    std::unique_ptr<StandInControlObject> co = std::make_unique<StandInControlObject>();
};

std::wstring client(const std::wstring& arguments)
{
    return L"\"" + beside_this_program(L"opos_client.exe") + L"\" " + arguments;
}

TEST_F(ServiceObjectOnWine, Regsvr32RegistersAndRemovesTheClassAndProgId)
{
    const std::wstring clsid_key = std::wstring(L"CLSID\\") + kClsid;
    EXPECT_EQ(class_value(clsid_key + L"\\InprocServer32"), beside_this_program(kDllName));
    EXPECT_EQ(class_value(clsid_key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(class_value(clsid_key + L"\\ProgID"), kProgId);
    EXPECT_EQ(class_value(std::wstring(kProgId) + L"\\CLSID"), kClsid);

    ASSERT_EQ(regsvr32(true), 0u);
    EXPECT_FALSE(class_value(clsid_key));
    EXPECT_FALSE(class_value(kProgId));
    EXPECT_EQ(co->Open(kDevice), OPOS_E_NOSERVICE);
    EXPECT_EQ(co->OpenResult(), OPOS_OR_REGPROGID);
    EXPECT_EQ(regsvr32(true), 0u) << "unregistering twice is no fault";

    ASSERT_EQ(regsvr32(false), 0u);
    EXPECT_EQ(co->Open(kDevice), OPOS_SUCCESS);
}

TEST_F(ServiceObjectOnWine, UnknownAndMisconfiguredDevicesFailTheOpenWithTheirReason)
{
    struct Case {
        const wchar_t* device;
        LONG result;
        LONG open_result;
    } const cases[] = {
        {L"NoSuchDevice", OPOS_E_NOEXIST, OPOS_OR_REGBADNAME},
        {L"Dangling", OPOS_E_NOEXIST, OPOS_OR_REGBADNAME},
        {L"NoProgId", OPOS_E_NOSERVICE, OPOS_OR_REGPROGID},
        {L"NoDrawerValue", OPOS_E_NOSERVICE, OPOS_ORS_CONFIG},
        {L"BadDrawer", OPOS_E_NOSERVICE, OPOS_ORS_CONFIG},
        {L"DwordDrawer", OPOS_E_NOSERVICE, OPOS_ORS_CONFIG},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(co->Open(c.device), c.result) << c.device;
        EXPECT_EQ(co->OpenResult(), c.open_result) << c.device;
    }
    EXPECT_EQ(co->last_release(), 0u) << "each refused service object was freed";
    // The control object finds the key before it loads us; the service
    // object's own answer for a device without one shows when asked directly.
    RawServiceObject raw;
    ASSERT_TRUE(raw.created());
    VARIANT none;
    VariantInit(&none);
    EXPECT_EQ(raw.call(L"OpenService", {string_argument(L"CashDrawer"), string_argument(L"NoSuchDevice"), none}),
              OPOS_E_NOEXIST);
    EXPECT_EQ(raw.call(L"GetOpenResult", {}), KAV_ORS_NO_DEVICE);
    EXPECT_EQ(raw.call(L"OpenService", {string_argument(L"Scanner"), string_argument(kDevice), none}),
              OPOS_E_NOSERVICE);
    EXPECT_EQ(raw.call(L"GetOpenResult", {}), OPOS_ORS_NOTSUPPORTED);
    EXPECT_EQ(raw.call(L"OpenService", {string_argument(L"CashDrawer"), string_argument(std::wstring(100000, L'x')),
                                        none}),
              OPOS_E_NOEXIST);
    EXPECT_EQ(raw.release(), 0u);
}

TEST_F(ServiceObjectOnWine, AnUnreachableDrawerOpensClaimsReleasesAndCloses)
{
    ASSERT_EQ(co->Open(L"FrontTill"), OPOS_SUCCESS) << "through the alias";
    EXPECT_GE(co->ServiceObjectVersion(), 1014000);
    EXPECT_EQ(co->State(), OPOS_S_IDLE);
    EXPECT_EQ(co->get_string(PIDX_DeviceDescription), L"KAV cash drawer VOLX-8613:1 (board drawer)");
    EXPECT_EQ(co->get_string(PIDX_DeviceName), L"VOLX-8613:1");
    EXPECT_EQ(co->get_number(PIDX_CapStatus), 1);
    EXPECT_EQ(co->ClaimDevice(0), OPOS_SUCCESS);
    EXPECT_EQ(co->get_number(PIDX_Claimed), 1);

    // No driver: without power notification the enable is refused, with it
    // the device enables and reports itself off-line.
    co->set_number(PIDX_DeviceEnabled, 1);
    EXPECT_EQ(co->ResultCode(), OPOS_E_NOHARDWARE);
    EXPECT_EQ(co->get_number(PIDX_DeviceEnabled), 0);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    EXPECT_EQ(co->ResultCode(), OPOS_SUCCESS);
    co->set_number(PIDX_DeviceEnabled, 1);
    EXPECT_EQ(co->ResultCode(), OPOS_SUCCESS);
    EXPECT_EQ(co->get_number(PIDX_PowerState), OPOS_PS_OFF_OFFLINE);
    EXPECT_TRUE(co->pump_until([&] { return !co->events().delivered().empty(); }, 5000));
    ASSERT_EQ(co->events().delivered().size(), 1u);
    EXPECT_EQ(co->events().delivered()[0].entry, 5) << "through SOStatusUpdate";
    EXPECT_EQ(co->events().delivered()[0].number, OPOS_SUE_POWER_OFF_OFFLINE);
    EXPECT_TRUE(co->events().delivered()[0].cross_thread);

    EXPECT_EQ(co->OpenDrawer(), OPOS_E_NOHARDWARE);
    EXPECT_EQ(co->CheckHealth(OPOS_CH_INTERNAL), OPOS_E_NOHARDWARE);
    EXPECT_EQ(co->get_string(PIDX_CheckHealthText), L"Internal HCheck: Not reachable, VOLX-8613:1 (board drawer)");
    EXPECT_EQ(co->WaitForDrawerClose(1000, 800, 100, 100), OPOS_E_NOHARDWARE);
    EXPECT_EQ(co->get_number(PIDX_DrawerOpened), 0);
    EXPECT_EQ(co->ReleaseDevice(), OPOS_SUCCESS);
    EXPECT_EQ(co->get_number(PIDX_DeviceEnabled), 1) << "releasing a sharable device leaves it enabled";
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
    expect_clean(*co);
}

TEST_F(ServiceObjectOnWine, EveryCallInTheWrongStateGivesItsCode)
{
    // Not yet opened: the service object itself answers closed.
    RawServiceObject raw;
    ASSERT_TRUE(raw.created());
    LONG number = 0;
    BSTR text = SysAllocString(L"");
    const VARIANT number_ref = long_ref_argument(&number);
    const VARIANT text_ref = string_ref_argument(&text);
    EXPECT_EQ(raw.call(L"ClaimDevice", {long_argument(0)}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"Release", {}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"Close", {}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"OpenDrawer", {}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"DirectIO", {long_argument(1), number_ref, text_ref}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"RetrieveStatistics", {text_ref}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"SetPropertyNumber", {long_argument(PIDX_DeviceEnabled), long_argument(1)}), OPOS_E_CLOSED);
    EXPECT_EQ(raw.call(L"GetPropertyNumber", {long_argument(PIDX_State)}), OPOS_S_CLOSED);
    // Types the control object never passes are refused, not guessed at.
    EXPECT_FALSE(raw.call(L"DirectIO", {long_argument(1), long_argument(2), text_ref}));
    EXPECT_EQ(raw.last_hr(), DISP_E_TYPEMISMATCH);
    EXPECT_FALSE(raw.call(L"OpenDrawer", {long_argument(1)}));
    EXPECT_EQ(raw.last_hr(), DISP_E_BADPARAMCOUNT);
    EXPECT_FALSE(raw.call(L"SOData", {}));
    EXPECT_EQ(raw.last_hr(), DISP_E_UNKNOWNNAME);
    SysFreeString(text);

    // Opened, not enabled, not claimed.
    ASSERT_EQ(co->Open(kDevice), OPOS_SUCCESS);
    std::wstring buffer;
    LONG data = 0;
    LONG comparison = 0;
    struct Case {
        const char* call;
        LONG result;
        LONG expected;
    } const cases[] = {
        {"OpenDrawer", co->OpenDrawer(), OPOS_E_DISABLED},
        {"WaitForDrawerClose", co->WaitForDrawerClose(100, 800, 100, 100), OPOS_E_DISABLED},
        {"CheckHealth", co->CheckHealth(OPOS_CH_INTERNAL), OPOS_E_DISABLED},
        {"RetrieveStatistics", co->RetrieveStatistics(buffer), OPOS_E_DISABLED},
        {"ResetStatistics", co->ResetStatistics(L""), OPOS_E_DISABLED},
        {"UpdateStatistics", co->UpdateStatistics(L"DrawerGoodOpenCount=1"), OPOS_E_DISABLED},
        {"ReleaseDevice unclaimed", co->ReleaseDevice(), OPOS_E_ILLEGAL},
        {"ClaimDevice(-2)", co->ClaimDevice(-2), OPOS_E_ILLEGAL},
        {"DirectIO", co->DirectIO(1, data, buffer), OPOS_E_ILLEGAL},
        {"CompareFirmwareVersion", co->CompareFirmwareVersion(L"fw.bin", comparison), OPOS_E_ILLEGAL},
        {"UpdateFirmware", co->UpdateFirmware(L"fw.bin"), OPOS_E_ILLEGAL},
    };
    for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.call;
    co->get_number(PIDX_DrawerOpened);
    EXPECT_EQ(co->ResultCode(), OPOS_E_DISABLED) << "DrawerOpened while disabled";
    co->get_number(12345);
    EXPECT_EQ(co->ResultCode(), OPOS_E_ILLEGAL) << "an unknown property";
    co->set_number(PIDX_PowerNotify, 7);
    EXPECT_EQ(co->ResultCode(), OPOS_E_ILLEGAL);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(co->ResultCode(), OPOS_SUCCESS);
    co->set_number(PIDX_PowerNotify, OPOS_PN_DISABLED);
    EXPECT_EQ(co->ResultCode(), OPOS_E_ILLEGAL) << "PowerNotify while enabled";
    EXPECT_EQ(co->CheckHealth(OPOS_CH_INTERACTIVE), OPOS_E_ILLEGAL);
    EXPECT_EQ(co->UpdateStatistics(L"Bogus=1"), OPOS_E_EXTENDED);
    EXPECT_EQ(co->ResultCodeExtended(), OPOS_ESTATS_ERROR);
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
    // Closed again: the control object answers for itself.
    EXPECT_EQ(co->OpenDrawer(), OPOS_E_CLOSED);
    EXPECT_EQ(co->Close(), OPOS_E_CLOSED);
    expect_clean(*co);
}

TEST_F(ServiceObjectOnWine, ASecondProcessCannotClaimWhatTheFirstHolds)
{
    ASSERT_EQ(co->Open(kDevice), OPOS_SUCCESS);
    ASSERT_EQ(co->ClaimDevice(0), OPOS_SUCCESS);
    ProcessRun other = run_process(client(L"KAVTest claim:0 claim:300"));
    EXPECT_EQ(other.exit_code, 0u) << other.out;
    EXPECT_NE(other.out.find("claim:0 112\n"), std::string::npos) << other.out;
    EXPECT_NE(other.out.find("claim:300 112\n"), std::string::npos) << other.out;

    ASSERT_EQ(co->ReleaseDevice(), OPOS_SUCCESS);
    other = run_process(client(L"KAVTest claim:0 release"));
    EXPECT_NE(other.out.find("claim:0 0\n"), std::string::npos) << other.out;
    EXPECT_NE(other.out.find("release 0\n"), std::string::npos) << other.out;
    // A process that closes while holding the claim gives it up, and so does
    // one that dies holding it.
    other = run_process(client(L"KAVTest claim:0"));
    EXPECT_NE(other.out.find("claim:0 0\n"), std::string::npos) << other.out;
    EXPECT_EQ(co->ClaimDevice(0), OPOS_SUCCESS);
    ASSERT_EQ(co->ReleaseDevice(), OPOS_SUCCESS);
    other = run_process(client(L"KAVTest claim:0 die"));
    EXPECT_EQ(other.exit_code, 7u) << other.out;
    EXPECT_NE(other.out.find("claim:0 0\n"), std::string::npos) << other.out;
    EXPECT_EQ(co->ClaimDevice(0), OPOS_SUCCESS);
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
}

TEST_F(ServiceObjectOnWine, EveryReferenceTakenIsReleased)
{
    EXPECT_EQ(co->events().references(), 1);
    ASSERT_EQ(co->Open(kDevice), OPOS_SUCCESS);
    EXPECT_EQ(co->events().references(), 2) << "the service object keeps the control object while open";
    HMODULE module = GetModuleHandleW(kDllName);
    ASSERT_TRUE(module);
    auto can_unload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_TRUE(can_unload);
    EXPECT_EQ(can_unload(), S_FALSE);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_TRUE(co->pump_until([&] { return !co->events().delivered().empty(); }, 5000));
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
    EXPECT_EQ(co->events().references(), 1) << "released in CloseService";
    EXPECT_EQ(co->last_release(), 0u) << "the service object is gone with the control object's reference";
    EXPECT_EQ(can_unload(), S_OK);
}

TEST_F(ServiceObjectOnWine, EventsAreHeldWhileFrozenAndAbandonedAtClose)
{
    ASSERT_EQ(co->Open(kDevice), OPOS_SUCCESS);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_FreezeEvents, 1);
    co->set_number(PIDX_DeviceEnabled, 1);
    EXPECT_FALSE(co->pump_until([&] { return co->events().posted() > 0; }, 600)) << "held by the service object";
    co->set_number(PIDX_FreezeEvents, 0);
    EXPECT_TRUE(co->pump_until([&] { return !co->events().delivered().empty(); }, 5000));

    // The container's freeze holds them too.
    co->set_number(PIDX_DeviceEnabled, 0);
    co->container_freeze(true);
    co->set_number(PIDX_DeviceEnabled, 1);
    EXPECT_FALSE(co->pump_until([&] { return co->events().delivered().size() > 1; }, 600));
    co->container_freeze(false);
    EXPECT_TRUE(co->pump_until([&] { return co->events().delivered().size() == 2; }, 5000));

    // An event whose thread waits inside the control object while this
    // thread pumps nothing: Close makes events illegal first, so the service
    // object's thread is let go and CloseService returns.
    co->set_number(PIDX_DeviceEnabled, 0);
    const LONG posted = co->events().posted();
    co->set_number(PIDX_DeviceEnabled, 1);
    const DWORD start = GetTickCount();
    while (co->events().posted() == posted && GetTickCount() - start < 5000) Sleep(20);
    ASSERT_GT(co->events().posted(), posted) << "the event was never sent";
    Sleep(200);
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
    EXPECT_LT(GetTickCount() - start, 10000u);
    co->pump_until([] { return false; }, 300);
    EXPECT_EQ(co->events().delivered().size(), 2u) << "the abandoned event is never delivered";
    expect_clean(*co);
}

// The record's path; ASCII, as the statistics folder and file names are.
std::string statistics_file(const std::string& device)
{
    char data[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data);
    return std::string(data) + "\\KAV\\OPOS CashDrawer\\" + statistics_file_name(device);
}

TEST_F(ServiceObjectOnWine, StatisticsAreKeptAcrossProcesses)
{
    add_device({L"KAVStats", kProgId, L"VOLX-8613:2", {}});
    ASSERT_EQ(co->Open(L"KAVStats"), OPOS_SUCCESS);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(co->ResetStatistics(L""), OPOS_SUCCESS);
    EXPECT_EQ(co->OpenDrawer(), OPOS_E_NOHARDWARE);
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);

    ProcessRun other = run_process(client(L"KAVStats notify enable stat:DrawerFailedOpenCount update:DrawerGoodOpenCount=5"));
    EXPECT_NE(other.out.find("stat:DrawerFailedOpenCount 1\n"), std::string::npos) << other.out;
    EXPECT_NE(other.out.find("update:DrawerGoodOpenCount=5 0\n"), std::string::npos) << other.out;

    ASSERT_EQ(co->Open(L"KAVStats"), OPOS_SUCCESS);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_DeviceEnabled, 1);
    std::wstring xml;
    ASSERT_EQ(co->RetrieveStatistics(xml), OPOS_SUCCESS);
    EXPECT_NE(xml.find(L"<Name>DrawerGoodOpenCount</Name>\n      <Value>5</Value>"), std::wstring::npos) << xml;
    EXPECT_NE(xml.find(L"<Name>DrawerFailedOpenCount</Name>\n      <Value>1</Value>"), std::wstring::npos) << xml;
    EXPECT_NE(xml.find(L"<DeviceCategory UPOS=\"CashDrawer\"/>"), std::wstring::npos) << xml;
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);

    // One file for the device, whole; a record spoilt from outside is set
    // aside and counting starts again.
    const std::string file = statistics_file("KAVStats");
    ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << "no record at " << file;
    std::ofstream(file, std::ios::trunc) << "DrawerGoodOpenCount=99\n";
    ASSERT_EQ(co->Open(L"KAVStats"), OPOS_SUCCESS);
    co->set_number(PIDX_PowerNotify, OPOS_PN_ENABLED);
    co->set_number(PIDX_DeviceEnabled, 1);
    xml = L"DrawerGoodOpenCount";
    ASSERT_EQ(co->RetrieveStatistics(xml), OPOS_SUCCESS);
    EXPECT_NE(xml.find(L"<Value>0</Value>"), std::wstring::npos) << xml;
    EXPECT_NE(GetFileAttributesA((file + ".unreadable").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
}

} // namespace
} // namespace kav::opos::wine
