// The fault sweep: both archive commands, deletion armed, over about fifty real messages. Every
// call of every Notes function the add-in imports and every operation of the OS seam that a clean
// run makes is failed once, and separately failed with every later call of its kind, each run on
// a fresh copy of the start state, with the add-in started (its settings loaded) as the client
// starts it before any command. After each run:
//   - a deleted document has every file the clean run wrote for it, byte for byte, and could be
//     read in full (a sealed document the user's ID cannot open is never deleted);
//   - a document left in the database was reported: the run showed a message;
//   - nothing outside the archive base path changed;
//   - the stand-in's accounting is clean (unless the failed call was itself a release).
// Every finding fails the test.
// FaultSweep.Sample (the default run) takes every STOWLINE_SWEEP_STRIDE-th fault point (41 when
// unset); the full sweep runs with STOWLINE_SWEEP_STRIDE=1 (ctest --preset sweep).
// STOWLINE_SWEEP_ONLY=<function or operation> sweeps the points of that one.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "addin/AddinStartup.h"
#include "addin/DTMenuProc.h"
#include "platform/posix/FileOps.h"
#include "platform/posix/PosixDialog.h"
#include "platform/posix/PosixUi.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Environment.h"
#include "sim/Faults.h"
#include "sim/Time.h"
#include "sim/mail/Import.h"
#include "support/SettingsFiles.h"

namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;
using Tree = std::map<std::string, std::string>;  // relative path -> bytes ("/" for a folder)

// ---- faults of the OS seam: each operation fails by name, with the error a real failure gives ----

int SeamError(const std::string& operation) {
    if (operation == "create" || operation == "write") return ENOSPC;  // a full disk
    if (operation == "mkdir") return EACCES;
    if (operation == "futimens") return EPERM;
    return EIO;
}

// ---- one fault point ----

struct FaultPoint {
    bool notes = true;  // a Notes function; otherwise an OS-seam operation
    std::string name;
    unsigned nth = 0;
    bool fromThenOn = false;

    std::string Text() const { return name + " #" + std::to_string(nth) + (fromThenOn ? " and after" : " once"); }
};

// Failing these may leave a handle, lock or buffer behind: that is the failed call's doing.
bool IsRelease(const FaultPoint& f) {
    static const std::set<std::string> releases = {"NSFNoteClose", "NSFDbClose",         "OSUnlockObject",
                                                   "OSMemFree",    "NIFCloseCollection", "IDDestroyTable"};
    return f.notes && releases.count(f.name);
}

// ---- the start state ----

std::string DataDir() {
    if (const char* dir = std::getenv("STOWLINE_DATA_DIR")) return dir;
    return STOWLINE_DATA_DIR;
}

sim::Bytes Content(const std::string& text) { return sim::Bytes(text.begin(), text.end()); }

struct Command {
    const char* name;
    std::uint16_t item;  // 0 Archive Selected, 1 Archive View/Folder
    NOTEID view = 0;     // the view or folder the client shows
    std::vector<NOTEID> selection;
    std::set<NOTEID> scope;  // the documents the command is meant to archive
};

struct StartState {
    sim::Database db;
    std::vector<Command> commands;
    std::set<std::string> userKeys;
    std::set<NOTEID> unreadable;  // sealed with a key the user does not hold
};

std::vector<NOTEID> Documents(const sim::Database& db) {
    std::vector<NOTEID> ids;
    for (const auto& [id, note] : db.notes)
        if (!note.deleted && note.noteClass == NOTE_CLASS_DOCUMENT) ids.push_back(id);
    return ids;
}

StartState BuildStartState() {
    sim::Reset();
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportOptions options;
    options.folder = "Projects";
    std::vector<fs::path> messages;
    for (const auto& e : fs::directory_iterator(fs::path(DataDir()) / "mail/enmime/testdata/mail"))
        messages.push_back(e.path());
    std::sort(messages.begin(), messages.end());
    const auto summary = sim::mail::Import(db, messages, options);
    EXPECT_GE(summary.messages, 40u) << summary.Line();

    // What real mail adds: a sealed document, two documents with one name, hostile names.
    const TIMEDATE when = sim::TimeDateFromUnix(1100000000);
    std::vector<NOTEID> old;
    old.push_back(sim::AddDocument(db)
                      .Text("Form", "Memo")
                      .Text("Subject", "Salaries")
                      .Time("PostedDate", when)
                      .Rich("Body", sim::RichText().Paragraph("Sealed body"))
                      .Seal("Board", {"Body"})
                      .Id());
    for (const char* body : {"First minutes", "Second minutes"})
        old.push_back(sim::AddDocument(db)
                          .Text("Form", "Memo")
                          .Text("Subject", "Minutes")
                          .Time("PostedDate", when)
                          .Rich("Body", sim::RichText().Paragraph(body))
                          .Attachment("minutes.txt", Content(body))
                          .Id());
    old.push_back(sim::AddDocument(db)
                      .Text("Form", "Memo")
                      .Text("Subject", "..\\..\\x <script>alert(1)</script>")
                      .Time("PostedDate", when)
                      .Rich("Body", sim::RichText().Paragraph("<img src=x onerror=alert(1)>"))
                      .Attachment("..\\..\\evil.exe", Content("MZ"))
                      .Attachment("CON", Content("con"))
                      .Attachment("NUL.txt", Content("nul"))
                      .Id());
    sim::AddFolder(db, "Projects\\Old").Entries(old);
    sim::AddFolder(db, "Projectsx")
        .Entries({sim::AddDocument(db).Text("Form", "Memo").Text("Subject", "Unrelated").Id()});

    StartState start;
    // A categorised view over everything: Archive Selected picks every document in it.
    sim::ViewBuilder byCategory = sim::AddView(db, "By Category");
    const auto docs = Documents(db);
    for (size_t i = 0; i < docs.size(); ++i) {
        if (i % 10 == 0) byCategory.Category();
        byCategory.Entry(docs[i]);
    }
    NOTEID projects = 0;
    for (const auto& [id, note] : db.notes)
        if (note.noteClass & NOTE_CLASS_VIEW) {
            const sim::Item* title = note.Find("$TITLE");
            if (title && std::string(title->value.begin() + 2, title->value.end()) == "Projects") projects = id;
        }
    EXPECT_NE(projects, 0u);

    Command selected{"Archive Selected", 0, byCategory.Id(), docs, {}};
    selected.scope.insert(docs.begin(), docs.end());
    Command folder{"Archive View/Folder", 1, projects, {}, {}};
    for (const auto& [id, entries] : db.collections) {
        const sim::Item* title = db.notes.at(id).Find("$TITLE");
        const std::string t = title ? std::string(title->value.begin() + 2, title->value.end()) : "";
        if (t == "Projects" || t.rfind("Projects\\", 0) == 0)
            for (NOTEID e : entries)
                if (!(e & NOTEID_CATEGORY)) folder.scope.insert(e);
    }
    start.commands = {selected, folder};
    for (NOTEID id : docs)
        if (!db.notes.at(id).sealKey.empty()) start.unreadable.insert(id);
    start.db = db;
    sim::Reset();
    return start;
}

// ---- one run ----

struct Outcome {
    Tree archive, outside;
    std::set<NOTEID> deleted;
    std::vector<std::string> reasons;  // texts of the boxes that were not questions
    std::vector<std::string> problems;
    std::map<NOTEID, std::set<std::string>> filesOf;  // what was written while each note was open
    bool escaped = false;                             // an exception left DTMenuProc
    std::map<std::string, unsigned> notesCalls, seamCalls;
};

Tree ReadTree(const fs::path& root, const std::function<bool(const fs::path&)>& skip) {
    Tree tree;
    if (!fs::exists(root)) return tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path rel = fs::relative(it->path(), root);
        if (skip(rel)) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_directory()) {
            tree[rel.string() + "/"] = "";
        } else {
            std::ifstream in(it->path(), std::ios::binary);
            tree[rel.string()] = std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return tree;
}

class Sweep {
public:
    explicit Sweep(const StartState& start) : start_(start) {
        std::string tmpl = (fs::temp_directory_path() / "stowline-sweep-XXXXXX").string();
        root_ = mkdtemp(tmpl.data());
        setenv("STOWLINE_DRIVE_C", root_.c_str(), 1);
        setenv("STOWLINE_REGISTRY", (root_ / "registry.reg").c_str(), 1);
        setenv("NOTES_INI", (root_ / "notes.ini").c_str(), 1);
        fs::create_directories(root_ / "Config");
        fs::create_directories(root_ / "Outside");
        Write("registry.reg", testsupport::RegistryFile("C:\\Config"));
        Write("Config/Stowline.ini", testsupport::SettingsFile({"C:\\Archive\\Mail", "Text(\"Subject\")",
                                                                "Text(\"Subject\")", true, false, true, false}));
        Write("Outside/keep.txt", "a file beside the archive");
        Write("Archive/keep.txt", "a file above the base path");
    }
    ~Sweep() {
        fs::remove_all(root_);
        unsetenv("STOWLINE_DRIVE_C");
        unsetenv("STOWLINE_REGISTRY");
        unsetenv("NOTES_INI");
    }

    Outcome Run(const Command& command, const FaultPoint* fault) {
        fs::remove_all(root_ / "Archive" / "Mail");
        fs::create_directories(root_ / "Archive" / "Mail");
        sim::Reset();
        sim::ClearEnvironmentVariables();
        posix::ClearDialogScripts();
        posix::ResetUi();
        stowline::ShutdownAddin();
        sim::Database& db = sim::CreateDatabase("mail.nsf");
        db = start_.db;
        const DBHANDLE handle = sim::ClientDbHandle(db);
        const DHANDLE idTable = command.selection.empty() ? 0 : sim::ClientIdTable(command.selection);
        posix::AddTopWindow("NOTES", 0x5150);
        posix::ScriptBoxAnswers(std::vector<int>(8, 1));  // OK to every question
        const Tree outsideBefore = Outside();
        // The client loads the add-in, and with it the settings, before any menu command: the
        // sweep covers the command.
        stowline::StartAddin();
        sim::ResetCalls();

        Outcome out;
        NOTEID current = 0;
        std::set<std::string> seen;
        sim::Observe([&](const sim::Call& call) {
            if (call.function != "NSFNoteOpen" || !db.FindNote(call.note) ||
                db.FindNote(call.note)->noteClass != NOTE_CLASS_DOCUMENT)
                return;
            Attribute(out, current, seen);
            current = call.note;
        });
        posix::ResetFileFaults();
        if (fault && !fault->notes)
            posix::InjectFileFault(fault->name, fault->nth, SeamError(fault->name), fault->fromThenOn);
        if (fault && fault->notes) sim::InjectFault(fault->name, fault->nth, ERR_NOACCESS, fault->fromThenOn);
        {
            // The command block as this build's client lays it out.
            std::array<unsigned char, menublock::kCommandSize> block{};
            menublock::PutU16(block.data(), menublock::kCommandItemId, static_cast<std::uint16_t>(command.item));
            menublock::PutU32(block.data(), menublock::kCommandContext,
                              menublock::kContextView | menublock::kCanExport);
            menublock::PutU32(block.data(), menublock::kCommandDatabase, handle);
            menublock::PutU32(block.data(), menublock::kCommandViewNoteId, command.view);
            menublock::PutU32(block.data(), menublock::kCommandSelectedNotes, idTable);
            try {
                DTMenuProc(2, block.data());
            } catch (...) {
                out.escaped = true;
            }
        }
        Attribute(out, current, seen);
        for (const auto& name : sim::ImportedFunctions())
            if (unsigned n = sim::CallCount(name)) out.notesCalls[name] = n;
        out.seamCalls = posix::FileCallCounts();
        posix::ResetFileFaults();
        sim::ClearFaults();

        stowline::ShutdownAddin();
        for (NOTEID id : Documents(start_.db))
            if (!db.FindNote(id) || db.FindNote(id)->deleted) out.deleted.insert(id);
        for (const auto& box : posix::RecordedBoxes())
            if ((box.flags & 0x0F) == 0) out.reasons.push_back(box.text);
        if (idTable) sim::ReleaseClientHandle(idTable);
        sim::ReleaseClientHandle(handle);
        out.problems = sim::CheckClean();
        sim::Reset();
        out.archive = Archive();
        out.outside = Outside();
        for (const auto& [path, bytes] : out.outside)
            if (!outsideBefore.count(path) || outsideBefore.at(path) != bytes)
                out.problems.push_back("files outside the base path changed: " + path);
        for (const auto& [path, bytes] : outsideBefore)
            if (!out.outside.count(path))
                out.problems.push_back("files outside the base path changed: " + path + " gone");
        return out;
    }

private:
    void Write(const std::string& rel, const std::string& text) {
        fs::create_directories((root_ / rel).parent_path());
        std::ofstream(root_ / rel, std::ios::binary) << text;
    }
    Tree Archive() const {
        return ReadTree(root_ / "Archive" / "Mail", [](const fs::path&) { return false; });
    }
    // Everything on the drive but the base path.
    Tree Outside() const {
        return ReadTree(root_, [](const fs::path& rel) { return rel == fs::path("Archive/Mail"); });
    }
    // The files that appeared since the last look belong to the note that was open.
    void Attribute(Outcome& out, NOTEID note, std::set<std::string>& seen) {
        std::set<std::string> now;
        const fs::path base = root_ / "Archive" / "Mail";
        for (const auto& e : fs::recursive_directory_iterator(base))
            if (!e.is_directory()) now.insert(fs::relative(e.path(), base).string());
        if (note)
            for (const auto& path : now)
                if (!seen.count(path)) out.filesOf[note].insert(path);
        seen = std::move(now);
    }

    const StartState& start_;
    fs::path root_;
};

// ---- the checks ----

struct Findings {
    unsigned runs = 0;
    unsigned mailLost = 0;  // documents deleted without all their files as a clean run writes them
    std::map<std::string, unsigned> byKind;
    std::map<std::string, std::set<std::string>> faultsByKind;  // the failed functions or operations
    std::map<std::string, std::string> example;
    std::vector<std::string> listed;  // the first findings, each a failure of the test

    void Add(const std::string& kind, const FaultPoint* fault, const std::string& what) {
        ++byKind[kind];
        faultsByKind[kind].insert(fault ? fault->name : "no fault");
        example.emplace(kind, what);
        if (listed.size() < 50) listed.push_back(kind + ": " + what);
    }
};

// A name or page with the numbers " (2)", " (3)" ... of documents of one name taken out: a
// fault that keeps one of them shifts the numbers of the others.
std::string Numberless(const std::string& text) {
    static const std::regex number(R"( \([0-9]+\))");
    return std::regex_replace(text, number, "");
}

std::string Hex(NOTEID id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", id);
    return buf;
}

void Check(const StartState& start, const Command& command, const Outcome& clean, const Outcome& run,
           const FaultPoint* fault, Findings& findings) {
    const std::string where = std::string(command.name) + ", " + (fault ? fault->Text() : "no fault");
    ++findings.runs;
    if (run.escaped) findings.Add("exception left DTMenuProc", fault, where);
    for (NOTEID id : run.deleted)
        if (!command.scope.count(id))
            findings.Add("document outside the command deleted", fault, where + ": note " + Hex(id));
    for (NOTEID id : run.deleted) {
        std::string missing, kind;
        const auto cleanFiles = clean.filesOf.find(id);
        const auto runFiles = run.filesOf.find(id);
        if (start.unreadable.count(id)) {
            missing = "could not be decrypted", kind = "mail lost: deleted, not decryptable";
        } else if (cleanFiles == clean.filesOf.end() || runFiles == run.filesOf.end()) {
            missing = "no file written for it", kind = "mail lost: deleted, a file missing";
        } else {
            // Each file a clean run writes for it, here too: same name and bytes, but for the
            // numbers that tell documents of one name apart, which another fault may shift.
            for (const auto& path : cleanFiles->second) {
                const std::string* found = nullptr;
                for (const auto& other : runFiles->second)
                    if (Numberless(other) == Numberless(path)) found = &run.archive.at(other);
                if (!found) {
                    missing = path + " missing", kind = "mail lost: deleted, a file missing";
                    missing += run.archive.count(path) ? " (a file of that name is there, written for another note)"
                                                       : " (no file of that name)";
                } else if (Numberless(*found) != Numberless(clean.archive.at(path))) {
                    missing = path + " differs", kind = "mail lost: deleted, a file differs from a clean run's";
                }
                if (!missing.empty()) break;
            }
        }
        // The clean run's files themselves: every attachment's bytes among them.
        if (missing.empty())
            for (const auto& [objectId, object] : start.db.notes.at(id).objects) {
                const std::string bytes(object.bytes().begin(), object.bytes().end());
                bool found = false;
                for (const auto& path : cleanFiles->second) found = found || clean.archive.at(path) == bytes;
                if (!found) {
                    missing = "an attachment of " + std::to_string(bytes.size()) + " bytes missing";
                    kind = "mail lost: deleted, a file missing";
                    break;
                }
            }
        if (!missing.empty()) {
            ++findings.mailLost;
            findings.Add(kind, fault, where + ": note " + Hex(id) + " deleted, " + missing);
        }
    }
    bool leftOver = false;
    for (NOTEID id : command.scope) leftOver = leftOver || !run.deleted.count(id);
    if (leftOver && run.reasons.empty()) findings.Add("documents kept without a reason", fault, where);
    for (const auto& p : run.problems) {
        if (p.rfind("files outside the base path changed", 0) == 0)
            findings.Add("files outside the base path changed", fault, where + ": " + p);
        else if (!fault || !IsRelease(*fault))
            findings.Add("stand-in not clean", fault, where + ": " + p);
    }
}

unsigned Stride() {
    if (const char* s = std::getenv("STOWLINE_SWEEP_STRIDE")) return std::max(1, std::atoi(s));
    return 41;
}

TEST(FaultSweep, NoMailLostWhateverFails) {
    const StartState start = BuildStartState();
    ASSERT_FALSE(::testing::Test::HasFailure());
    Sweep sweep(start);
    const unsigned stride = Stride();
    Findings findings;
    unsigned points = 0, swept = 0;
    for (const Command& command : start.commands) {
        const Outcome clean = sweep.Run(command, nullptr);
        for (const auto& r : clean.reasons) std::printf("%s: the clean run says: %s\n", command.name, r.c_str());
        // A clean run that archives nothing would make every fault point pass unseen.
        ASSERT_FALSE(clean.deleted.empty()) << command.name << ": the clean run deleted no mail";
        Check(start, command, clean, clean, nullptr, findings);
        std::vector<FaultPoint> faults;
        for (const auto& [name, count] : clean.notesCalls)
            for (unsigned n = 1; n <= count; ++n) faults.push_back({true, name, n});
        for (const auto& [name, count] : clean.seamCalls)
            for (unsigned n = 1; n <= count; ++n) faults.push_back({false, name, n});
        points += faults.size();
        unsigned notesCalls = 0, seamCalls = 0;
        for (const auto& f : faults) ++(f.notes ? notesCalls : seamCalls);
        std::printf(
            "%s: a clean run deletes %zu of %zu documents; %zu fault points: %u calls of %zu Notes "
            "functions, %u operations of the OS seam\n",
            command.name, clean.deleted.size(), command.scope.size(), faults.size(), notesCalls,
            clean.notesCalls.size(), seamCalls);
        std::fflush(stdout);
        const char* only = std::getenv("STOWLINE_SWEEP_ONLY");  // one function or operation, to look closer
        for (size_t i = 0; i < faults.size(); i += stride) {
            if (only && faults[i].name != only) continue;
            ++swept;
            for (bool fromThenOn : {false, true}) {
                FaultPoint f = faults[i];
                f.fromThenOn = fromThenOn;
                Check(start, command, clean, sweep.Run(command, &f), &f, findings);
            }
        }
    }
    std::printf("fault sweep: %u fault points, %u swept (every %u), %u runs, mail lost: %u\n", points, swept, stride,
                findings.runs, findings.mailLost);
    for (const auto& [kind, n] : findings.byKind) {
        std::string faults;
        for (const auto& f : findings.faultsByKind[kind]) faults += (faults.empty() ? "" : ", ") + f;
        std::printf("  %s: %u time(s), failing %s\n    e.g. %s\n", kind.c_str(), n, faults.c_str(),
                    findings.example[kind].c_str());
    }
    for (const auto& finding : findings.listed) ADD_FAILURE() << finding;
}

}  // namespace
