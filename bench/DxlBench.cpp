// Loads a database file into the stand-in and saves it again, and prints the rate of each (MB of
// the file per second, wall and processor time), the size of the data the database holds, and
// the peak memory after each step. Run it under /usr/bin/time -v for the whole process.
#include <CLI/CLI.hpp>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/Model.h"
#include "sim/dxl/Dxl.h"

namespace {

// Peak resident memory so far in kB (Linux).
long PeakKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

double Seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The bytes the model holds: item names and values, file objects, view entries.
uint64_t DataBytes(const sim::Database& db) {
    uint64_t bytes = 0;
    for (const auto& [id, note] : db.notes) {
        for (const sim::Item& item : note.items) bytes += item.name.size() + item.value.size();
        for (const auto& [rrv, object] : note.objects) bytes += object.bytes().size();
    }
    for (const auto& [id, entries] : db.collections) bytes += entries.size() * sizeof(NOTEID);
    return bytes;
}

struct Lap {
    double wall = Seconds(CLOCK_MONOTONIC), cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    void Print(const char* what, uint64_t bytes) const {
        const double w = Seconds(CLOCK_MONOTONIC) - wall, c = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
        std::printf("%s: %.2f s wall (%.1f MB/s), %.2f s processor (%.1f MB/s); peak %.1f MB\n", what, w,
                    double(bytes) / 1e6 / w, c, double(bytes) / 1e6 / c, double(PeakKb()) / 1024);
    }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Database file load and save benchmark"};
    std::string file, out;
    app.add_option("file", file, "database file (DXL) to load")->required()->check(CLI::ExistingFile);
    app.add_option("-o,--out", out, "where to save it (default: FILE.saved beside it); removed unless --keep");
    bool keep = false;
    app.add_flag("--keep", keep, "keep the saved file");
    CLI11_PARSE(app, argc, argv);
    if (out.empty()) out = file + ".saved";

    std::string error;
    sim::Database db;
    const uint64_t inBytes = std::filesystem::file_size(file);
    const Lap load;
    if (!sim::dxl::ReadDatabase(file, db, error)) {
        std::fprintf(stderr, "dxl_bench: %s\n", error.c_str());
        return 1;
    }
    load.Print("load", inBytes);
    std::printf("file %.1f MB, %zu notes, data held %.1f MB\n", double(inBytes) / 1e6, db.notes.size(),
                double(DataBytes(db)) / 1e6);

    const Lap save;
    if (!sim::dxl::SaveDatabase(db, out, error)) {
        std::fprintf(stderr, "dxl_bench: %s\n", error.c_str());
        return 1;
    }
    save.Print("save", std::filesystem::file_size(out));
    if (!keep) std::filesystem::remove(out);
    return 0;
}
