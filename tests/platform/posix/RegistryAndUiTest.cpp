#include "support/ScratchDrive.h"
#include "platform/Platform.h"

namespace {

using platform::RegistryRoot;
using RegistryAndUi = ScratchDrive;

TEST_F(RegistryAndUi, RegistryFileAnswersStringValues) {
    const std::string value254(254, 'v');
    MakeFile("registry.reg",
             "REGEDIT4\r\n\r\n"
             "[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Stowline]\r\n"
             "\"ConfigPath\"=\"D:\\\\Arch \\\"x\\\"\"\r\n"
             "\"Number\"=dword:00000001\r\n"
             "@=\"unnamed\"\r\n"
             "\"Fits\"=\"" +
                 value254 +
                 "\"\r\n"
                 "\"TooLong\"=\"" +
                 value254 +
                 "w\"\r\n"
                 "\r\n"
                 "[hkey_local_machine\\software\\corvane\\stowline]\r\n"
                 "\"configpath\"=\"E:\\\\Machine\"\r\n");
    struct Case {
        RegistryRoot root;
        const char* key;
        const char* value;
        std::string expected;
    };
    const std::string k = "SOFTWARE\\Corvane\\Stowline";
    const Case cases[] = {
        {RegistryRoot::CurrentUser, k.c_str(), "ConfigPath", "D:\\Arch \"x\""},
        {RegistryRoot::LocalMachine, k.c_str(), "ConfigPath", "E:\\Machine"},
        {RegistryRoot::CurrentUser, k.c_str(), "Number", ""},
        {RegistryRoot::CurrentUser, k.c_str(), "", "unnamed"},
        {RegistryRoot::CurrentUser, k.c_str(), "Fits", value254},
        {RegistryRoot::CurrentUser, k.c_str(), "TooLong", ""},
        {RegistryRoot::CurrentUser, "SOFTWARE\\Corvane", "ConfigPath", ""},
        {RegistryRoot::LocalMachine, k.c_str(), "Missing", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::ReadRegistryString(c.root, c.key, c.value), c.expected) << c.value;

    std::filesystem::remove(Host("registry.reg"));
    EXPECT_EQ(platform::ReadRegistryString(RegistryRoot::CurrentUser, k, "ConfigPath"), "");
}

TEST_F(RegistryAndUi, BoxesAnswerFromTheScriptAndAreRecorded) {
    using platform::posix::UiCall;
    platform::posix::ScriptBoxAnswers({platform::IDOK_, platform::IDCANCEL_});
    EXPECT_EQ(platform::ShowMessageBox("Delete?", "Question", 0x21), platform::IDOK_);
    EXPECT_EQ(platform::ShowMessageBox("Info", "T", 0x30), platform::IDOK_);  // one button: OK
    // Unscripted: a box with Cancel answers Cancel, so nothing irreversible goes ahead.
    EXPECT_EQ(platform::ShowMessageBox("Again?", "Q", 0x31), platform::IDCANCEL_);
    platform::posix::AddTopWindow("NOTES", 0x1234);
    EXPECT_EQ(platform::FindTopWindow("NOTES"), 0x1234u);
    EXPECT_EQ(platform::FindTopWindow("OTHER"), 0u);
    EXPECT_TRUE(platform::BringToForeground(0x1234));
    platform::SendKeyEvent(0x74, platform::KEYEVENTF_KEYUP_);
    platform::EnableMenuEntry(7, 101, platform::MF_GRAYED_);

    const auto& r = platform::posix::UiRecord();
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[0].text, "Delete?");
    EXPECT_EQ(r[0].title, "Question");
    EXPECT_EQ(r[0].flags, 0x21u);
    EXPECT_EQ(r[1].answer, platform::IDOK_);
    EXPECT_EQ(r[2].answer, platform::IDCANCEL_);
    EXPECT_EQ(r[4].call, UiCall::FindWindow);
    EXPECT_EQ(r[4].window, 0u);
    EXPECT_EQ(r[5].call, UiCall::Foreground);
    EXPECT_EQ(r[6].key, 0x74);
    EXPECT_EQ(r[6].flags, 2u);
    EXPECT_EQ(r[7].menu, 7u);
    EXPECT_EQ(r[7].id, 101);
    EXPECT_EQ(r[7].flags, 1u);
    EXPECT_EQ(platform::posix::RecordedBoxes().size(), 3u);

    std::string folder = "unchanged";
    platform::posix::ScriptFolder("C:\\Chosen");
    EXPECT_TRUE(platform::BrowseForFolder(0, folder));
    EXPECT_EQ(folder, "C:\\Chosen");
    EXPECT_FALSE(platform::BrowseForFolder(0, folder));
    EXPECT_EQ(folder, "C:\\Chosen");
}

}  // namespace
