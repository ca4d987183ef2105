// The add-in as the client runs it: a scratch drive C: with the settings folder C:\Config,
// a mail database in the stand-in held by the client, and the command block of a menu pick.
// The user interface is the posix seam's script; Trace() reads back what the user saw.
#pragma once

#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Environment.h"
#include "sim/Faults.h"

#include <array>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "addin/AddinStartup.h"
#include "addin/DTMenuProc.h"
#include "platform/posix/PosixDialog.h"
#include "support/ScratchDrive.h"
#include "support/StandInFixture.h"
#include "support/SettingsFiles.h"

struct Flags {
    bool delMsg = false, promptMsg = false, delFolders = false, promptFolders = false;
};

class CommandTest : public ScratchDrive {
protected:
    void SetUp() override {
        ScratchDrive::SetUp();
        setenv("NOTES_INI", Host("notes.ini").c_str(), 1);
        mail_.emplace();
        db = mail_->db;
        handle = mail_->handle;
        sim::ClearEnvironmentVariables();
        platform::posix::ClearDialogScripts();
        stowline::ShutdownAddin();
        MakeDir("Config");
        MakeDir("Archive");
        MakeFile("registry.reg", testsupport::RegistryFile("C:\\Config"));
        Settings({});
    }
    void TearDown() override {
        stowline::ShutdownAddin();
        if (idTable) sim::ReleaseClientHandle(idTable);
        idTable = 0;
        mail_.reset();
        handle = 0;
        platform::posix::ClearDialogScripts();
        unsetenv("NOTES_INI");
        ScratchDrive::TearDown();
    }

    // The settings file as start-up will read it: files named by subject.
    void Settings(const Flags& f, const std::string& fileFormula = "Text(\"Subject\")") {
        MakeFile("Config/Stowline.ini",
                 testsupport::SettingsFile({"C:\\Archive", "Text(\"Subject\")", fileFormula, f.delMsg, f.promptMsg,
                                            f.delFolders, f.promptFolders}));
    }

    NOTEID Mail(const std::string& subject) {
        return sim::AddDocument(*db).Text("Subject", subject).Text("Form", "Memo").Id();
    }
    bool Deleted(NOTEID id) { return db->FindNote(id) == nullptr || db->FindNote(id)->deleted; }
    bool ViewExists(NOTEID id) { return !Deleted(id); }

    void ClientWindow() { platform::posix::AddTopWindow("NOTES", 0x5150); }

    // Every lookup of the item `name` throws, as a damaged note might make it.
    static void ItemReadThrows(const std::string& name) {
        sim::Observe([name](const sim::Call& call) {
            if (call.function == "NSFItemInfo" && call.item == name) throw std::bad_alloc();
        });
    }

    // Every lookup of the item `name` fails, as an item the user may not read would.
    static void ItemReadFails(const std::string& name) {
        sim::InjectFault("NSFItemInfo", 1, ERR_NOACCESS, /*fromThenOn=*/true,
                         [name](const sim::Call& call) { return call.item == name; });
    }

    // Picks an item with the client showing `viewNote` and holding `selection`.
    void Pick(std::uint16_t item, NOTEID viewNote, const std::vector<NOTEID>& selection = {}) {
        if (!selection.empty() && !idTable) idTable = sim::ClientIdTable(selection);
        using namespace menublock;
        std::array<unsigned char, kCommandSize> block{};
        PutU16(block.data(), kCommandItemId, item);
        PutU32(block.data(), kCommandContext, kContextView | kCanExport);
        PutU32(block.data(), kCommandDatabase, handle);
        PutU32(block.data(), kCommandViewNoteId, viewNote);
        PutU32(block.data(), kCommandSelectedNotes, idTable);
        EXPECT_EQ(DTMenuProc(kCommand, block.data()), 0);
    }

    // What the user saw and the client received, one line per box, lookup, and key event.
    static std::vector<std::string> Trace() {
        using platform::posix::UiCall;
        std::vector<std::string> lines;
        for (const auto& e : platform::posix::UiRecord()) {
            switch (e.call) {
                case UiCall::MessageBox:
                    lines.push_back("box " + e.title + " | " + e.text + " | " + Hex(e.flags));
                    break;
                case UiCall::FindWindow: lines.push_back(std::string("find ") + (e.window ? "found" : "none")); break;
                case UiCall::Foreground: lines.push_back("front"); break;
                case UiCall::KeyEvent:
                    lines.push_back(Hex(e.key) + (e.flags == 2 ? " up" : e.flags == 0 ? " down" : " ?"));
                    break;
                case UiCall::BrowseFolder: lines.push_back("browse"); break;
                case UiCall::Help: lines.push_back("help"); break;
                case UiCall::EnableMenu: break;
            }
        }
        return lines;
    }
    // Every .htm file below C:\Archive, as relative paths.
    std::set<std::string> Pages() const {
        std::set<std::string> pages;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Host("Archive")))
            if (e.path().extension() == ".htm")
                pages.insert(std::filesystem::relative(e.path(), Host("Archive")).string());
        return pages;
    }
    static std::string Hex(unsigned v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%02X", v);
        return buf;
    }

    sim::Database* db = nullptr;
    DBHANDLE handle = 0;
    DHANDLE idTable = 0;
    std::optional<sim::ClientMailDatabase> mail_;
};

// The lines of the refresh keys.
inline const std::vector<std::string> kAltED = {"0x12 down", "0x45 down", "0x45 up", "0x44 down", "0x44 up", "0x12 up"};
inline const std::vector<std::string> kF9 = {"0x78 down", "0x78 up"};
inline const std::vector<std::string> kEscape = {"0x1B down", "0x1B up"};

inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
