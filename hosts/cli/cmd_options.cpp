// stowline options: the user picks "Options/Other". Without options the dialog is a form on
// the terminal; with them the dialog is worked as a user would: the path typed, boxes clicked
// until they show the asked state, then OK. The index switch has no box in the dialog: it is
// set in the loaded settings, which the dialog's OK (or, without other options, Save) stores.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ArchiveClient.h"
#include "Command.h"
#include "addin/AddinStartup.h"
#include "addin/DTMenuProc.h"
#include "platform/posix/PosixDialog.h"
#include "settings/OptionsDialog.h"
#include "platform/Text.h"

namespace {

namespace ids = stowline::options_ids;
using platform::posix::DialogSession;

struct OptionsRequest {
    std::optional<std::string> basePath;
    std::optional<std::string> deleteMessages, promptMessages, deleteFolders, promptFolders;
    std::optional<std::string> writeIndex;
    std::vector<std::string> answers;
    bool Scripted() const { return basePath || deleteMessages || promptMessages || deleteFolders || promptFolders; }
};

// Brings a check box to `on`. A "Prompt First" box is hidden while its deletion box is off, so
// its deletion box is ticked for the click and put back afterwards.
void SetBox(DialogSession& d, int id, const std::optional<std::string>& wanted, int ruler = 0) {
    if (!wanted || d.IsChecked(id) == (*wanted == "on")) return;
    const bool reveal = ruler != 0 && !d.IsVisible(id);
    if (reveal) d.Click(ruler);
    d.Click(id);
    if (reveal) d.Click(ruler);
}

const stowline::cli::Registration reg{
    "options", "Open the Options dialog: a form on the terminal, or set from the options below", [](CLI::App& sub) {
        auto r = std::make_shared<OptionsRequest>();
        const auto onOff = CLI::IsMember({"on", "off"});
        sub.add_option("--base-path", r->basePath, "Archive base path (a Windows path, e.g. C:\\Archive)");
        sub.add_option("--delete-messages", r->deleteMessages, "Delete Messages After Archiving: on|off")->check(onOff);
        sub.add_option("--prompt-messages", r->promptMessages, "Prompt first before deleting messages: on|off")
            ->check(onOff);
        sub.add_option("--delete-folders", r->deleteFolders, "Delete View/Folders After Archiving View/Folder: on|off")
            ->check(onOff);
        sub.add_option("--prompt-folders", r->promptFolders, "Prompt first before removing a folder: on|off")
            ->check(onOff);
        sub.add_option("--write-index", r->writeIndex, "Keep a browsable, searchable index of the archive: on|off")
            ->check(onOff);
        sub.add_option("--answer", r->answers, "Answer the next question: ok or cancel (repeatable, in order)")
            ->check(CLI::IsMember({"ok", "cancel"}));
        return [r]() {
            stowline::cli::ScriptAnswers(r->answers);
            auto saved = std::make_shared<bool>(false);
            if (r->Scripted()) {
                platform::posix::ScriptDialog([r, saved](DialogSession& d) {
                    if (r->basePath) d.Type(ids::kBasePath, platform::text::Utf8ToCp1252(*r->basePath));
                    SetBox(d, ids::kPromptMessages, r->promptMessages, ids::kDeleteMessages);
                    SetBox(d, ids::kPromptFolders, r->promptFolders, ids::kDeleteFolders);
                    SetBox(d, ids::kDeleteMessages, r->deleteMessages);
                    SetBox(d, ids::kDeleteFolders, r->deleteFolders);
                    d.Click(ids::kOk);
                    *saved = !d.IsOpen();
                });
            } else {
                platform::posix::SetDialogOnTerminal(true);
            }
            stowline::cli::SetUpMenu();
            if (r->writeIndex) {
                stowline::ArchiveSettings* settings = stowline::TheSettings();
                if (!settings) return 1;
                settings->WriteIndex = *r->writeIndex == "on";
                if (!r->Scripted()) {
                    const bool saved = settings->Save();
                    std::cout << (saved ? "Options saved\n" : "Options not saved\n");
                    return saved ? 0 : 1;
                }
            }
            unsigned char block[menublock::kCommandSize] = {};  // nothing open
            menublock::PutU16(block, menublock::kCommandItemId, 2);
            DTMenuProc(menublock::kCommand, block);
            if (r->Scripted()) {
                std::cout << (*saved ? "Options saved\n" : "Options not saved\n");
                return *saved ? 0 : 1;
            }
            return 0;
        };
    }};

}  // namespace
