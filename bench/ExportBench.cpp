// Archives N generated mail documents (subject, names, date, a body of a few paragraphs and,
// for every fourth, an attachment) from a view into a fresh folder and prints how long the
// run took. The stand-in holds the whole mailbox; the run itself holds one document at a time.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "export/ExportJob.h"
#include "export/RunExport.h"
#include "sim/Builder.h"
#include "sim/Engine.h"
#include "sim/Time.h"

// Peak resident memory so far in kB (Linux), to tell the run's own growth from the mailbox's.
long PeakKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

int main(int argc, char** argv) {
    CLI::App app{"Export run benchmark"};
    unsigned documents = 200;
    bool armed = false;
    bool index = false;
    bool keep = false;
    unsigned bodyWords = 0;
    std::string parent = std::filesystem::temp_directory_path().string();
    app.add_option("-n,--documents", documents, "documents to generate and archive");
    app.add_flag("--delete", armed, "arm deletion");
    app.add_flag("--index", index, "keep the archive's index (WriteIndex)");
    app.add_flag("--keep", keep, "keep the archive and print where it is");
    app.add_option("--body-words", bodyWords,
                   "a body of this many made-up words (a few letters each, mostly different) instead of "
                   "the same sentence in every paragraph");
    app.add_option("--folder", parent, "where the run's own scratch folder is made (and removed again)");
    CLI11_PARSE(app, argc, argv);

    // A folder of the run's own, so that nothing the user keeps there is ever removed.
    const std::string folder =
        (std::filesystem::path(parent) / ("stowline-export-bench-" + std::to_string(::getpid()))).string();
    if (!std::filesystem::create_directories(folder)) {
        std::fprintf(stderr, "export_bench: %s exists already\n", folder.c_str());
        return 2;
    }

    sim::Reset();
    sim::Database& db = sim::CreateDatabase("bench.nsf");
    std::vector<NOTEID> ids;
    ids.reserve(documents);
    const std::string attachment(20000, 'a');
    std::minstd_rand rng(1);  // the same made-up words on every run
    for (unsigned i = 0; i < documents; ++i) {
        sim::RichText body;
        if (bodyWords == 0) {
            for (int p = 0; p < 8; ++p)
                body.Paragraph("Paragraph " + std::to_string(p) + " of message " + std::to_string(i) +
                               ": the quarterly figures are attached, please review them before Friday.");
        } else {
            std::string text;
            for (unsigned w = 0; w < bodyWords; ++w) {
                if (!text.empty()) text += ' ';
                for (unsigned letters = 3 + rng() % 8; letters > 0; --letters)
                    text += static_cast<char>('a' + rng() % 26);
            }
            body.Paragraph(text);
        }
        auto doc = sim::AddDocument(db)
                       .Text("Form", "Memo")
                       .Text("Subject", "Status report " + std::to_string(i))
                       .Text("From", "CN=Ann Lee/O=Corp")
                       .TextList("SendTo", {"CN=Bob Roe/O=Corp", "carl@example.com"})
                       .Time("PostedDate", sim::TimeDateFromUnix(1078495623 + 60 * i))
                       .Rich("Body", body);
        if (i % 4 == 0) doc.Attachment("figures.xls", sim::Bytes(attachment.begin(), attachment.end()));
        ids.push_back(doc.Id());
    }
    sim::AddFolder(db, "Inbox|($Inbox)").Entries(ids);

    std::string base = folder;
    for (char& c : base)
        if (c == '/') c = '\\';
    const DBHANDLE handle = sim::ClientDbHandle(db);
    stowline::ExportJob job;
    job.DatabaseHandle = handle;
    job.BasePath = base;
    job.ViewName = "($Inbox)";
    job.ExcludedFolders.Add("($Inbox)", "Inbox");
    job.TextFileNameEvalString = "Left(Text(\"Subject\"),30) + \" \" + UNID";
    job.DetachMethodEvalString = job.TextFileNameEvalString;
    job.WriteIndex = index;
    if (armed) {
        job.DelMsgAfterArc = true;
        job.DeleteGuard = stowline::kDeleteGuardArmed;
    }

    const long peakBefore = PeakKb();
    const auto start = std::chrono::steady_clock::now();
    const bool ok = stowline::RunExport(job);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    sim::ReleaseClientHandle(handle);

    std::printf("documents %u, result %s, %.3f s, %.0f documents/s\n", documents, ok ? "true" : "false",
                elapsed.count(), documents / elapsed.count());
    std::printf("peak memory before the run %ld kB, after it %ld kB\n", peakBefore, PeakKb());
    if (!ok) std::printf("reason: %s\n", job.ErrorText.c_str());
    if (!job.IndexErrorText.empty()) std::printf("index: %s\n", job.IndexErrorText.c_str());
    const auto problems = sim::CheckClean();
    if (!problems.empty()) std::printf("stand-in not clean:\n%s\n", sim::DescribeProblems(problems).c_str());
    if (keep)
        std::printf("archive kept in %s\n", folder.c_str());
    else
        std::filesystem::remove_all(folder);
    return ok && job.IndexErrorText.empty() && problems.empty() ? 0 : 1;
}
