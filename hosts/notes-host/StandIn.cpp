#include "StandIn.h"

#include <windows.h>

namespace host {
namespace {

// Bound by name at run time from the nnotes.dll beside the host, the same module the add-in
// imports from. Types as the stand-in declares them: STATUS 16 bits, handles and note IDs 32.
using LoadFn = std::uint16_t(__stdcall*)(const char*, const char*);
using HandleFn = std::uint32_t(__stdcall*)(const char*);
using TableFn = std::uint32_t(__stdcall*)(const std::uint32_t*, std::uint32_t);
using ReleaseFn = void(__stdcall*)(std::uint32_t);
using FindFn = std::uint32_t(__stdcall*)(const char*, const char*);
using EntriesFn = std::uint32_t(__stdcall*)(const char*, std::uint32_t, std::uint32_t*, std::uint32_t);
using CleanFn = std::uint32_t(__stdcall*)(char*, std::uint32_t);
using PaceFn = void(__stdcall*)(std::uint32_t);

template <typename F>
F Bind(const char* name) {
    static HMODULE notes = LoadLibraryA("nnotes.dll");
    return notes ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(notes, name))) : nullptr;
}

}  // namespace

bool LoadDatabase(const std::string& snapshot, const std::string& dbPath) {
    static auto fn = Bind<LoadFn>("SimLoadSnapshot");
    return fn && fn(snapshot.c_str(), dbPath.c_str()) == 0;
}

bool SaveDatabase(const std::string& dbPath, const std::string& snapshot) {
    static auto fn = Bind<LoadFn>("SimSaveSnapshot");
    return fn && fn(dbPath.c_str(), snapshot.c_str()) == 0;
}

std::uint32_t ClientDatabase(const std::string& dbPath) {
    static auto fn = Bind<HandleFn>("SimClientDbHandle");
    return fn ? fn(dbPath.c_str()) : 0;
}

std::uint32_t ClientIdTable(const std::vector<std::uint32_t>& noteIds) {
    static auto fn = Bind<TableFn>("SimClientIdTable");
    return fn ? fn(noteIds.data(), static_cast<std::uint32_t>(noteIds.size())) : 0;
}

void ReleaseClientHandle(std::uint32_t handle) {
    static auto fn = Bind<ReleaseFn>("SimReleaseClientHandle");
    if (fn) fn(handle);
}

std::uint32_t FindView(const std::string& dbPath, const std::string& title) {
    static auto fn = Bind<FindFn>("SimFindView");
    return fn ? fn(dbPath.c_str(), title.c_str()) : 0;
}

std::vector<std::uint32_t> ViewEntries(const std::string& dbPath, std::uint32_t view) {
    static auto fn = Bind<EntriesFn>("SimViewEntries");
    if (!fn) return {};
    std::vector<std::uint32_t> ids(fn(dbPath.c_str(), view, nullptr, 0));
    fn(dbPath.c_str(), view, ids.data(), static_cast<std::uint32_t>(ids.size()));
    return ids;
}

void SetNoteOpenPace(unsigned milliseconds) {
    static auto fn = Bind<PaceFn>("SimSetNoteOpenPace");
    if (fn) fn(milliseconds);
}

std::string StandInProblems() {
    static auto fn = Bind<CleanFn>("SimCheckClean");
    if (!fn) return "the stand-in's SimCheckClean is missing";
    char buffer[8192] = {};
    return fn(buffer, sizeof buffer) ? buffer : "";
}

}  // namespace host
