#include "ArchiveHarness.h"

#include <fcntl.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "export/ExportJob.h"
#include "export/RunExport.h"
#include "platform/posix/FileOps.h"
#include "platform/posix/PosixUi.h"
#include "sim/Engine.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;
namespace posix = platform::posix;

// The drive is nested so that a name climbing out of it a few levels still lands in the scratch
// tree, where the final scan sees it.
fs::path scratch, drive, base;

bool Inside(const char* path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::absolute(path), ec);
    if (ec) return false;
    const auto rel = p.lexically_relative(base);
    return !rel.empty() && *rel.begin() != "..";
}

void Watch(const char* what, const char* path) {
    if (!Inside(path)) Fail(std::string(what) + " outside the base path: " + path);
}

const posix::FileOps kWatched{
    [](const char* path, int flags, mode_t mode) {
        if (flags & O_CREAT) Watch("file created", path);
        return posix::RealFileOps().open(path, flags, mode);
    },
    posix::RealFileOps().write,
    posix::RealFileOps().read,
    posix::RealFileOps().close,
    [](const char* path, mode_t mode) {
        Watch("folder created", path);
        return posix::RealFileOps().mkdir(path, mode);
    },
    posix::RealFileOps().stat,
    posix::RealFileOps().futimens,  // an open file's: its creation was watched
    posix::RealFileOps().opendir,
    posix::RealFileOps().closedir,
    [](const char* from, const char* to) {
        Watch("file moved", to);
        return posix::RealFileOps().rename(from, to);
    },
    [](const char* path) {
        Watch("file removed", path);
        return posix::RealFileOps().unlink(path);
    },
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The page builder's own markup: these tags, attributes only where the builder writes them.
void CheckPage(const fs::path& path) {
    static const std::set<std::string> tags = {"html", "head", "title", "body", "table", "tr", "td", "font", "a", "br"};
    const std::string page = ReadFile(path);
    for (std::size_t at = page.find('<'); at != std::string::npos; at = page.find('<', at + 1)) {
        const bool closing = at + 1 < page.size() && page[at + 1] == '/';
        std::size_t end = at + (closing ? 2 : 1);
        const std::size_t name = end;
        while (end < page.size() && std::isalpha(static_cast<unsigned char>(page[end]))) ++end;
        const std::string tag = page.substr(name, end - name);
        if (!tags.count(tag)) Fail("markup <" + tag + "> in page " + path.string());
        const std::size_t close = page.find('>', at);
        if (close == std::string::npos) Fail("unclosed tag in page " + path.string());
        const std::string inside = page.substr(at, close - at);
        if (inside.find('<', 1) != std::string::npos) Fail("'<' inside a tag in page " + path.string());
        if (closing) {
            if (close != end) Fail("closing tag with more in page " + path.string() + ": " + inside);
        } else if (tag == "a") {
            // <a href="...">: the link's quotes hold the whole value.
            static const std::regex link(R"(<a href="[^"<>]*")");
            if (!std::regex_match(inside, link)) Fail("link with markup in page " + path.string() + ": " + inside);
        } else if (static const std::regex event(R"(\son[a-z]*\s*=)", std::regex::icase);
                   std::regex_search(inside, event)) {
            Fail("event attribute in page " + path.string() + ": " + inside);
        }
    }
}

}  // namespace

void Fail(const std::string& why) {
    std::fprintf(stderr, "fuzz check failed: %s\n", why.c_str());
    std::fflush(stderr);
    std::abort();
}

void BeginInput() {
    if (scratch.empty()) {
        std::string tmpl = (fs::temp_directory_path() / "stowline-fuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) Fail("no scratch folder");
        scratch = tmpl;
        drive = scratch / "1/2/3/4/5/6/7/8/drive";
        base = drive / "Archive/Base";
        fs::create_directories(drive);
        setenv("STOWLINE_DRIVE_C", drive.c_str(), 1);
        setenv("STOWLINE_REGISTRY", (scratch / "registry.reg").c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(scratch, ec);
        });
    }
    std::error_code ec;
    fs::remove_all(drive / "Archive", ec);
    fs::create_directories(base);
    sim::Reset();
    posix::ResetUi();
}

void ArchiveAndCheck(sim::Database& db, const std::vector<NOTEID>& documents, bool armed) {
    const DBHANDLE handle = sim::ClientDbHandle(db);
    const DHANDLE table = sim::ClientIdTable(documents);
    {
        stowline::ExportJob job;
        job.DatabaseHandle = handle;
        job.SourceMode = stowline::kSourceSelection;
        job.SelectedNotes = table;
        job.BasePath = "C:\\Archive\\Base";
        job.ViewName = "($Inbox)";
        job.TextFileNameEvalString = "Text(\"Subject\")";
        job.DetachMethodEvalString = "Text(\"Subject\")";
        job.ExcludedFolders.Add("($Inbox)", "Inbox");
        if (armed) {
            job.DelMsgAfterArc = true;
            job.DeleteGuard = stowline::kDeleteGuardArmed;
        }
        posix::ScopedFileOps restore;
        posix::Ops() = kWatched;
        stowline::RunExport(job);
    }
    sim::ReleaseClientHandle(table);
    sim::ReleaseClientHandle(handle);
    const auto problems = sim::CheckClean();
    if (!problems.empty()) Fail("stand-in not clean: " + sim::DescribeProblems(problems));

    std::size_t pages = 0;
    for (const auto& e : fs::recursive_directory_iterator(scratch)) {
        if (!e.is_regular_file()) continue;
        if (!Inside(e.path().c_str())) Fail("file outside the base path: " + e.path().string());
        // Pages lie in the view's folder; below it are the sender's files, whatever their names.
        if (e.path().parent_path() == base / "Inbox" && e.path().extension() == ".htm") {
            ++pages;
            CheckPage(e.path());
        }
    }
    std::size_t deleted = 0;
    for (NOTEID id : documents) deleted += db.FindNote(id) == nullptr || db.FindNote(id)->deleted;
    if (deleted > pages) Fail(std::to_string(deleted) + " document(s) deleted, " + std::to_string(pages) + " page(s)");
}

}  // namespace fuzz
