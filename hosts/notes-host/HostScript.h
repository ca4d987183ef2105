// The script a test hands notes-host: what the "client" does, line by line, and how the
// dialogs that appear meanwhile are answered.
//
//   load SNAPSHOT DBPATH         open a stand-in database from a snapshot file
//   setup STARTID                message 0 for each item until the add-in answers 2
//   state CONTEXT...             message 1 with each context word; records the item states
//   command N [view TITLE] [select POS...|select-all]
//                                message 2 for item N with the client's database, the view
//                                or folder TITLE and the selected entries of that view
//                                (1-based positions)
//   window off                   closes the NOTES window (the client "not found")
//   message N                    any message number with an empty block
//   save SNAPSHOT DBPATH         save the database back
//   pace MS                      every note the stand-in opens takes MS milliseconds longer
//   clean                        record the stand-in's leftover handles and violations
//   unload                       FreeLibrary of every add-in
//   dialog TITLE                 the next dialog to appear must carry TITLE; the indented
//     ACTION...                  lines below it are done to it, in order:
//                                  dump            record its controls
//                                  read ID         record one control's text
//                                  set ID TEXT     put TEXT into a control
//                                  click ID        click a button or check box
//                                  snap NAME       let the test take a screenshot
//                                  press ID|OK|Cancel  press a button (ends the step)
// Tokens holding blanks are written in double quotes; '#' starts a comment line.
#pragma once

#include <string>
#include <vector>

namespace host {

using Tokens = std::vector<std::string>;

struct DialogStep {
    std::string title;
    std::vector<Tokens> actions;
};

struct HostScript {
    std::vector<Tokens> commands;
    std::vector<DialogStep> dialogs;
};

bool ReadHostScript(const std::string& path, HostScript& script, std::string& error);

}  // namespace host
