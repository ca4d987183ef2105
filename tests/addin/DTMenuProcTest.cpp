#include "addin/DTMenuProc.h"

#include "sim/Environment.h"

#include <array>
#include <cstring>
#include <vector>

#include "addin/AddinStartup.h"
#include "addin/ArchiveCommand.h"
#include "support/ScratchDrive.h"
#include "support/SettingsFiles.h"
#include "settings/ArchiveSettings.h"

namespace {

using platform::posix::RecordedBoxes;
using platform::posix::UiCall;
using platform::posix::UiRecord;

// Blocks as the client lays them out (notesapi/menublocks.h).
using Block = std::vector<unsigned char>;
std::uint16_t GetU16(const Block& b, std::size_t at) { return menublock::GetU16(b.data(), at); }
Block InitBlock(std::uint16_t startingId, std::uint16_t index) {
    Block b(menublock::kInitSize, 0xCC);
    menublock::PutU16(b.data(), menublock::kInitStartingId, startingId);
    menublock::PutU16(b.data(), menublock::kInitItemNumber, index);
    return b;
}
// A Windows handle that needs every byte the block gives it: 8 on 64-bit, 4 on 32-bit.
constexpr std::uintptr_t kWideHandle =
    sizeof(void*) == 8 ? static_cast<std::uintptr_t>(0x00007FF6ABCD1234ull) : 0xABCD1234u;
Block MenuBlock(std::uintptr_t menu, std::uint32_t context) {
    Block b(menublock::kInitMenuSize, 0);
    menublock::PutHandle(b.data(), menublock::kMenuHandle, menu);
    menublock::PutU32(b.data(), menublock::kMenuContext, context);
    return b;
}
Block CommandBlock(std::uint16_t item) {
    using namespace menublock;
    Block b(kCommandSize, 0);
    PutHandle(b.data(), kCommandWindow, 0x5150);
    PutU16(b.data(), kCommandItemId, item);
    PutU32(b.data(), kCommandContext, kContextView | kCanExport);
    PutU32(b.data(), kCommandDatabase, 0x1111);
    PutU32(b.data(), kCommandViewNoteId, 0x2222);
    PutU32(b.data(), kCommandSelectedNotes, 0x3333);
    return b;
}

struct Dispatched {
    std::vector<std::string> calls;
    const void* block = nullptr;
};
Dispatched* dispatched = nullptr;

class MenuEntry : public ScratchDrive {
protected:
    void SetUp() override {
        ScratchDrive::SetUp();
        setenv("NOTES_INI", Host("notes.ini").c_str(), 1);
        sim::ClearEnvironmentVariables();
        stowline::ShutdownAddin();
        dispatched = &record;
        stowline::Targets() = {
            [](const void* b) { dispatched->calls.push_back("ArchiveSelected"), dispatched->block = b; },
            [](const void* b) { dispatched->calls.push_back("ArchiveViewFolder"), dispatched->block = b; },
            [](stowline::ArchiveSettings&, std::uintptr_t) { dispatched->calls.push_back("Options"); },
        };
    }
    void TearDown() override {
        stowline::Targets() = stowline::DefaultTargets();
        stowline::ShutdownAddin();
        unsetenv("NOTES_INI");
        ScratchDrive::TearDown();
    }
    // Records C:\Config as the settings folder, with the given base path.
    void Configure(const std::string& basePath) {
        MakeDir("Config");
        MakeFile("registry.reg", testsupport::RegistryFile("C:\\Config"));
        testsupport::SettingsKeys keys;
        keys.basePath = basePath;
        MakeFile("Config/Stowline.ini", testsupport::SettingsFile(keys));
    }
    NAMRESULT Send(DWORD message, std::vector<unsigned char>& block) { return DTMenuProc(message, block.data()); }
    void SetUpMenu(std::uint16_t startingId) {
        for (std::uint16_t i = 0; i < 3; ++i) {
            auto b = InitBlock(startingId, i);
            Send(0, b);
        }
    }
    Dispatched record;
};

TEST_F(MenuEntry, ItemSetUpWritesTheTableAndKeepsTheFirstStartingId) {
    Configure("C:\\Archive");
    struct Case {
        std::uint16_t startingId, index;
        NAMRESULT result;
        std::uint16_t idOffset;
        const char* text;
    };
    const Case cases[] = {
        {4000, 0, 1, 0, "&Stowline: Archive Selected"},
        {5000, 1, 1, 1, "Stowline: Archive View/Folder"},  // a later starting id is not kept
        {6000, 2, 2, 2, "Stowline: Options/Other"},
    };
    for (const auto& c : cases) {
        auto b = InitBlock(c.startingId, c.index);
        EXPECT_EQ(Send(0, b), c.result) << c.index;
        EXPECT_EQ(GetU16(b, menublock::kInitItemId), c.idOffset) << c.index;
        const std::size_t len = std::strlen(c.text);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[6]), len + 1), std::string(c.text, len + 1));
        EXPECT_EQ(b[6 + len + 1], 0xCC) << "written past the text's NUL";
        EXPECT_EQ(GetU16(b, menublock::kInitStartingId), c.startingId) << "the starting id is input only";
    }
    EXPECT_EQ(stowline::StartingMenuId(), 4000);

    // Beyond the table: still the answer to stop, nothing read past the table.
    auto b = InitBlock(7000, 9);
    EXPECT_EQ(Send(0, b), 2);
    // The high 16 bits of the message do not count.
    b = InitBlock(7000, 1);
    EXPECT_EQ(DTMenuProc(0x00010000, b.data()), 1);
    EXPECT_EQ(stowline::StartingMenuId(), 4000);
}

TEST_F(MenuEntry, ContextWordEnablesOrGreysBothArchiveItems) {
    Configure("C:\\Archive");
    SetUpMenu(4000);
    // Enabled is the platform's state 0, greyed 1.
    const std::pair<std::uint32_t, unsigned> cases[] = {
        {9, 0u}, {8, 1u}, {1, 1u}, {10, 1u}, {0, 1u}, {0x0F, 1u}, {0x19, 0u},
    };
    for (const auto& [context, state] : cases) {
        platform::posix::ResetUi();
        auto b = MenuBlock(kWideHandle, context);
        EXPECT_EQ(Send(1, b), 0);
        const auto& r = UiRecord();
        ASSERT_EQ(r.size(), 2u) << context;  // the Options item is never touched
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(r[i].call, UiCall::EnableMenu);
            EXPECT_EQ(r[i].menu, kWideHandle);
            EXPECT_EQ(r[i].id, 4000 + i);
            EXPECT_EQ(r[i].flags, state) << "context " << context;
        }
    }
}

TEST_F(MenuEntry, InvalidSettingsStopTheArchiveAndOpenTheOptions) {
    MakeDir("Archive");
    struct Case {
        const char* basePath;
        std::uint16_t item;
        const char* reason;  // nullptr: valid
        const char* ran;
    };
    const Case cases[] = {
        {"", 0, "Archive Base Path has not been specified.", "Options"},
        {"", 1, "Archive Base Path has not been specified.", "Options"},
        {"C:\\Missing", 0, "Archive Base Path can not be found.", "Options"},
        {"C:\\Archive\\", 1, "Archive Base Path can not be found.", "Options"},
        {"C:\\Archive", 0, nullptr, "ArchiveSelected"},
        {"C:\\Archive", 1, nullptr, "ArchiveViewFolder"},
        {"", 2, nullptr, "Options"},  // Options opens without validation
    };
    for (const auto& c : cases) {
        stowline::ShutdownAddin();
        platform::posix::ResetUi();
        record = {};
        Configure(c.basePath);
        SetUpMenu(100);
        auto b = CommandBlock(c.item);
        EXPECT_EQ(Send(2, b), 0);
        EXPECT_EQ(record.calls, std::vector<std::string>{c.ran}) << c.basePath << " item " << c.item;
        const auto boxes = RecordedBoxes();
        if (c.reason) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, std::string("Please supply valid settings before continuing\n\n") + c.reason);
            EXPECT_EQ(boxes[0].title, "Provide Settings");
            EXPECT_EQ(boxes[0].flags, 0x30u);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        if (c.item < 2 && !c.reason) {
            EXPECT_EQ(record.block, b.data()) << "the block is handed on whole";
        }
    }
}

TEST_F(MenuEntry, OtherMessagesAndItemsChangeNothing) {
    Configure("C:\\Archive");
    SetUpMenu(300);
    for (DWORD message : {2u, 3u, 4u, 0xFFFFu}) {
        auto b = CommandBlock(3);
        EXPECT_EQ(Send(message, b), 0) << message;
    }
    EXPECT_TRUE(record.calls.empty());
    EXPECT_TRUE(UiRecord().empty());
    EXPECT_EQ(stowline::StartingMenuId(), 300);
    EXPECT_NE(stowline::TheSettings(), nullptr);
}

TEST_F(MenuEntry, WithoutASettingsFolderEveryPickRepeatsTheMessage) {
    // No registry file and no notes.ini variable.
    SetUpMenu(500);
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);  // start-up tells once, and the host goes on
    EXPECT_EQ(boxes[0].text, "Unable to obtain configuration path. A reinstall of Stowline may be required");
    EXPECT_EQ(boxes[0].title, "Stowline");
    EXPECT_EQ(boxes[0].flags, 0u);
    auto last = InitBlock(500, 2);
    EXPECT_EQ(Send(0, last), 2);
    EXPECT_EQ(GetU16(last, menublock::kInitItemId), 2);

    for (std::uint16_t item : {0, 1, 2}) {
        platform::posix::ResetUi();
        auto b = CommandBlock(item);
        EXPECT_EQ(Send(2, b), 0);
        boxes = RecordedBoxes();
        ASSERT_EQ(boxes.size(), 1u) << item;
        EXPECT_EQ(boxes[0].text, "Unable to obtain configuration path. A reinstall of Stowline may be required");
        EXPECT_EQ(boxes[0].title, "Stowline");
    }
    EXPECT_TRUE(record.calls.empty());
}

TEST_F(MenuEntry, SettingsFolderFromNotesIni) {
    MakeDir("Ini");
    MakeFile("Ini/Stowline.ini", "[Stowline Settings]\r\nBasePath=C:\\Ini\r\nPromptDelMsg=1\r\n");
    sim::SetEnvironmentVariable("StowlineSettingsPath", "C:\\Ini");
    ASSERT_TRUE(stowline::StartAddin());
    ASSERT_NE(stowline::TheSettings(), nullptr);
    EXPECT_EQ(stowline::TheSettings()->settingsFile.Path(), "C:\\Ini\\Stowline.ini");
    EXPECT_EQ(stowline::TheSettings()->BasePath, "C:\\Ini");
    EXPECT_TRUE(stowline::TheSettings()->PromptDelMsg);
}

TEST_F(MenuEntry, AnExceptionInACommandStaysInside) {
    Configure("C:\\Archive");
    MakeDir("Archive");
    SetUpMenu(100);
    stowline::Targets().archiveSelected = [](const void*) { throw std::runtime_error("boom"); };
    auto b = CommandBlock(0);
    EXPECT_EQ(Send(2, b), 0);
    const auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Stowline");
    EXPECT_NE(boxes[0].text.find("boom"), std::string::npos);
}

// The command block of this build's client (64-bit on the Linux build): every field the
// commands read, at its place, the window handle at its full width, in a block whose other
// bytes are all set.
TEST(CommandBlock, FieldsAreReadWhereTheClientPutsThem) {
    using namespace menublock;
    Block b(kCommandSize, 0xCC);
    PutHandle(b.data(), kCommandWindow, kWideHandle);
    PutU32(b.data(), kCommandDatabase, 0x01020304);
    PutU32(b.data(), kCommandViewNoteId, 0x05060708);
    PutU32(b.data(), kCommandSelectedNotes, 0x090A0B0C);
    const stowline::CommandBlockFields fields = stowline::ReadCommandBlock(b.data());
    EXPECT_EQ(fields.window, kWideHandle);
    EXPECT_EQ(fields.database, 0x01020304u);
    EXPECT_EQ(fields.viewNoteId, 0x05060708u);
    EXPECT_EQ(fields.selectedNotes, 0x090A0B0Cu);
}

}  // namespace
