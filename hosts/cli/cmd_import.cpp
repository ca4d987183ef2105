// `stowline import --db FILE [--folder NAME] MAILBOX...`: files internet mail (.eml files,
// mbox files, Maildir folders, folders of message files) into a database file as Notes mail documents. The file is
// created when it does not exist; an existing one is added to, and mail it already holds is
// counted as a duplicate rather than filed twice. The file is only replaced once the whole
// import is in memory, so a failed run leaves it as it was.
#include <CLI/CLI.hpp>

#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "sim/Lmbcs.h"
#include "sim/Model.h"
#include "sim/Time.h"
#include "sim/dxl/Dxl.h"
#include "sim/mail/Import.h"

namespace stowline::cli {
namespace {

namespace fs = std::filesystem;

struct ImportRequest {
    std::string dbFile;
    std::string folder;  // UTF-8; empty: the inbox
    std::vector<std::string> mailboxes;
};

// A database the file does not hold yet: titled after the file, with a replica ID of its own.
void NewDatabase(const std::string& file, sim::Database& db) {
    db.title = sim::Utf8ToLmbcs(fs::path(file).stem().string());
    db.replicaId = sim::TimeDateFromUnix(static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace

int RunImport(const ImportRequest& request, std::ostream& out, std::ostream& err) {
    sim::Database db;
    std::string error;
    std::error_code ec;
    if (fs::exists(request.dbFile, ec)) {
        // A file that cannot be read is never replaced: its documents would be lost.
        if (!sim::dxl::ReadDatabase(request.dbFile, db, error)) {
            err << "stowline import: " << error << '\n';
            return 1;
        }
    } else if (ec) {
        err << "stowline import: " << request.dbFile << ": " << ec.message() << '\n';
        return 1;
    } else {
        NewDatabase(request.dbFile, db);
    }

    sim::mail::ImportOptions options;
    options.folder = request.folder;
    const std::vector<fs::path> boxes(request.mailboxes.begin(), request.mailboxes.end());
    const sim::mail::ImportSummary summary = sim::mail::Import(db, boxes, options);
    for (const std::string& problem : summary.problems) err << "skipped " << problem << '\n';

    if (!sim::dxl::SaveDatabase(db, request.dbFile, error)) {
        err << "stowline import: " << error << " (nothing imported)\n";
        return 1;
    }
    out << summary.Line() << '\n';
    for (const std::string& box : summary.unreadable)
        err << "stowline import: no message of " << box << " could be read\n";
    return summary.unreadable.empty() ? 0 : 1;
}

// Adds the `import` subcommand; its callback leaves the exit code in `exitCode`.
void AddImportCommand(CLI::App& app, int& exitCode) {
    auto* sub = app.add_subcommand(
        "import",
        "Import internet mail (.eml files, mbox files, Maildir folders, folders of message files) into a database file "
        "as Notes mail documents; the file is created when it does not exist");
    auto request = std::make_shared<ImportRequest>();
    sub->add_option("--db", request->dbFile, "Database file (DXL), created or added to")->required();
    sub->add_option("--folder", request->folder,
                    "Folder to file the messages in (default: the inbox); Maildir subfolders go below it");
    sub->add_option("mailboxes", request->mailboxes,
                    "An .eml file, an mbox file, a Maildir folder or a folder of message files")
        ->required()
        ->check(CLI::ExistingPath);
    sub->callback([request, &exitCode] { exitCode = RunImport(*request, std::cout, std::cerr); });
}

}  // namespace stowline::cli

#include "Command.h"
static const stowline::cli::Registration importRegistration{"import", stowline::cli::AddImportCommand};
