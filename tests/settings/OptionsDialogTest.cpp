// The Options dialog: its logic against a scripted view of the controls, and the whole
// dialog through the menu's Options item.
#include <map>

#include "support/CommandFixture.h"
#include "platform/Platform.h"
#include "settings/OptionsDialog.h"

namespace {

namespace ids = stowline::options_ids;
using platform::posix::DialogSession;

// The dialog's controls as a plain record, with an automatic check box's click.
class ScriptedControls : public platform::DialogControls {
public:
    std::string GetText(int id) override { return texts[id]; }
    void SetText(int id, const std::string& t) override { texts[id] = t; }
    bool IsChecked(int id) override { return checks[id]; }
    void SetChecked(int id, bool c) override { checks[id] = c; }
    bool IsVisible(int id) override { return !hidden[id]; }
    void SetVisible(int id, bool v) override { hidden[id] = !v; }
    void End(int r) override { result = r; }
    std::uintptr_t Window() override { return 0xD1A; }

    void ClickCheck(stowline::OptionsDialog& dialog, int id) {
        checks[id] = !checks[id];
        dialog.OnCommand(*this, id);
    }

    std::map<int, std::string> texts;
    std::map<int, bool> checks, hidden;
    int result = 0;  // 0 while open
};

class OptionsDialogTest : public CommandTest {
protected:
    stowline::ArchiveSettings Loaded() { return stowline::ArchiveSettings("C:\\Config\\Stowline.ini", true); }
};

TEST_F(OptionsDialogTest, InitialisationShowsTheSettingsAndHidesUnusedPrompts) {
    struct Case {
        Flags flags;
        bool promptMessagesVisible, promptFoldersVisible;
    };
    const Case cases[] = {
        {{false, true, false, true}, false, false},  // prompts checked but hidden
        {{true, false, false, false}, true, false},
        {{false, false, true, true}, false, true},
        {{true, true, true, true}, true, true},
    };
    for (const auto& c : cases) {
        Settings(c.flags);
        auto settings = Loaded();
        stowline::OptionsDialog dialog;
        dialog.settings = &settings;
        ScriptedControls controls;
        EXPECT_TRUE(dialog.OnInitDialog(controls));
        EXPECT_EQ(controls.texts[ids::kBasePath], "C:\\Archive");
        EXPECT_EQ(controls.checks[ids::kDeleteMessages], c.flags.delMsg);
        EXPECT_EQ(controls.checks[ids::kPromptMessages], c.flags.promptMsg);
        EXPECT_EQ(controls.checks[ids::kDeleteFolders], c.flags.delFolders);
        EXPECT_EQ(controls.checks[ids::kPromptFolders], c.flags.promptFolders);
        EXPECT_EQ(controls.IsVisible(ids::kPromptMessages), c.promptMessagesVisible);
        EXPECT_EQ(controls.IsVisible(ids::kPromptFolders), c.promptFoldersVisible);
    }
}

// A hidden prompt keeps its check state, and OK stores it.
TEST_F(OptionsDialogTest, ClicksToggleVisibilityAndHiddenStatesAreStored) {
    Settings({false, true, false, false});
    auto settings = Loaded();
    stowline::OptionsDialog dialog;
    dialog.settings = &settings;
    ScriptedControls controls;
    dialog.OnInitDialog(controls);

    controls.ClickCheck(dialog, ids::kDeleteMessages);
    EXPECT_TRUE(controls.IsVisible(ids::kPromptMessages));
    controls.ClickCheck(dialog, ids::kDeleteMessages);
    EXPECT_FALSE(controls.IsVisible(ids::kPromptMessages));
    EXPECT_TRUE(controls.checks[ids::kPromptMessages]);
    controls.ClickCheck(dialog, ids::kDeleteFolders);
    EXPECT_TRUE(controls.IsVisible(ids::kPromptFolders));
    EXPECT_FALSE(controls.IsVisible(ids::kPromptMessages)) << "each box rules only its own prompt";

    dialog.OnCommand(controls, ids::kOk);
    EXPECT_EQ(controls.result, platform::IDOK_);
    const auto saved = Loaded();
    EXPECT_FALSE(saved.DelMsgAfterArc);
    EXPECT_TRUE(saved.PromptDelMsg);
    EXPECT_TRUE(saved.DelViewFoldersAfterArc);
    EXPECT_FALSE(saved.PromptDelViewFolders);
}

// OK refuses anything but an existing directory, named exactly: the dialog stays open and
// neither the settings nor the file change.
TEST_F(OptionsDialogTest, OkRefusesPathsThatAreNotDirectories) {
    MakeFile("Archive/file.txt");
    const char* refused[] = {"", "C:\\Missing", "C:\\Archive\\file.txt", "C:\\", "C:\\Archive\\"};
    const std::string before = Read("Config/Stowline.ini");
    for (const char* path : refused) {
        SCOPED_TRACE(path);
        platform::posix::ResetUi();
        auto settings = Loaded();
        stowline::OptionsDialog dialog;
        dialog.settings = &settings;
        ScriptedControls controls;
        dialog.OnInitDialog(controls);
        controls.texts[ids::kBasePath] = path;
        controls.ClickCheck(dialog, ids::kDeleteMessages);

        dialog.OnCommand(controls, ids::kOk);

        EXPECT_EQ(controls.result, 0) << "the dialog stays open";
        EXPECT_EQ(Trace(), (std::vector<std::string>{
                               "box Base Path Error | Base Path does not exist. Please select a valid path. | 0x30"}));
        EXPECT_EQ(platform::posix::UiRecord().front().window, controls.Window()) << "owned by the dialog";
        EXPECT_EQ(settings.BasePath, "C:\\Archive");
        EXPECT_FALSE(settings.DelMsgAfterArc);
        EXPECT_EQ(Read("Config/Stowline.ini"), before);
    }
}

// OK writes all eight keys, with the standard formula for an empty one; Cancel changes nothing.
TEST_F(OptionsDialogTest, OkSavesEverythingCancelNothing) {
    MakeDir("Elsewhere");
    Settings({}, "");
    for (const int button : {ids::kCancel, ids::kOk}) {
        auto settings = Loaded();
        const std::string before = Read("Config/Stowline.ini");
        stowline::OptionsDialog dialog;
        dialog.settings = &settings;
        ScriptedControls controls;
        dialog.OnInitDialog(controls);
        controls.texts[ids::kBasePath] = "C:\\Elsewhere";
        controls.ClickCheck(dialog, ids::kDeleteMessages);
        controls.ClickCheck(dialog, ids::kPromptMessages);

        dialog.OnCommand(controls, button);

        EXPECT_EQ(controls.result, button == ids::kOk ? platform::IDOK_ : platform::IDCANCEL_);
        if (button == ids::kCancel) {
            EXPECT_EQ(settings.BasePath, "C:\\Archive");
            EXPECT_FALSE(settings.DelMsgAfterArc);
            EXPECT_EQ(Read("Config/Stowline.ini"), before);
            continue;
        }
        const auto saved = Loaded();
        EXPECT_EQ(saved.BasePath, "C:\\Elsewhere");
        EXPECT_TRUE(saved.DelMsgAfterArc);
        EXPECT_TRUE(saved.PromptDelMsg);
        EXPECT_EQ(saved.TextFileNameEvalString, stowline::kStandardFormula);
        EXPECT_EQ(settings.TextFileNameEvalString, stowline::kStandardFormula);
    }
}

// Browse replaces the path only when a folder was chosen; a root chosen there is refused on OK.
TEST_F(OptionsDialogTest, BrowseAndHelp) {
    auto settings = Loaded();
    stowline::OptionsDialog dialog;
    dialog.settings = &settings;
    ScriptedControls controls;
    dialog.OnInitDialog(controls);

    platform::posix::ScriptFolder(std::nullopt);
    dialog.OnCommand(controls, ids::kBrowse);
    EXPECT_EQ(controls.texts[ids::kBasePath], "C:\\Archive");
    platform::posix::ScriptFolder(std::string("C:\\"));
    dialog.OnCommand(controls, ids::kBrowse);
    EXPECT_EQ(controls.texts[ids::kBasePath], "C:\\");
    dialog.OnCommand(controls, ids::kHelpTopics);
    dialog.OnCommand(controls, ids::kOk);

    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "browse", "browse", "help",
                           "box Base Path Error | Base Path does not exist. Please select a valid path. | 0x30"}));
    EXPECT_EQ(controls.result, 0);
}

// The whole dialog from the menu: a refused OK, then a corrected path and OK.
TEST_F(OptionsDialogTest, ThroughTheOptionsItem) {
    MakeDir("Elsewhere");
    bool visibleAfterClick = false;
    platform::posix::ScriptDialog([&](DialogSession& d) {
        EXPECT_FALSE(d.IsVisible(ids::kPromptMessages));
        EXPECT_FALSE(d.Click(ids::kPromptMessages)) << "a hidden box cannot be clicked";
        d.Click(ids::kDeleteMessages);
        visibleAfterClick = d.IsVisible(ids::kPromptMessages);
        d.Click(ids::kPromptMessages);
        d.Type(ids::kBasePath, "C:\\Elsewhere\\");
        d.Click(ids::kOk);
        EXPECT_TRUE(d.IsOpen());
        d.Type(ids::kBasePath, "C:\\Elsewhere");
        d.Click(ids::kOk);
        EXPECT_FALSE(d.IsOpen());
    });

    Pick(2, 0);

    EXPECT_TRUE(visibleAfterClick);
    EXPECT_EQ(Trace(), (std::vector<std::string>{
                           "box Base Path Error | Base Path does not exist. Please select a valid path. | 0x30"}));
    const auto saved = Loaded();
    EXPECT_EQ(saved.BasePath, "C:\\Elsewhere");
    EXPECT_TRUE(saved.DelMsgAfterArc);
    EXPECT_TRUE(saved.PromptDelMsg);
}

// Invalid settings send an archive pick to the dialog; a dialog left open is cancelled.
TEST_F(OptionsDialogTest, InvalidSettingsOpenTheDialogInstead) {
    MakeFile("Config/Stowline.ini", "[Stowline Settings]\r\nBasePath=C:\\Missing\r\n");
    bool shown = false;
    platform::posix::ScriptDialog([&](DialogSession& d) {
        shown = true;
        EXPECT_EQ(d.Text(ids::kBasePath), "C:\\Missing");
        d.Type(ids::kBasePath, "C:\\Archive");
    });

    Pick(0, 0);

    EXPECT_TRUE(shown);
    EXPECT_EQ(Loaded().BasePath, "C:\\Missing");
}

}  // namespace
