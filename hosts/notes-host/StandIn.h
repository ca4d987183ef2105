// The stand-in nnotes.dll's extra exports (see sim/Snapshot.h) as the host uses them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace host {

bool LoadDatabase(const std::string& snapshot, const std::string& dbPath);
bool SaveDatabase(const std::string& dbPath, const std::string& snapshot);
std::uint32_t ClientDatabase(const std::string& dbPath);  // 0: unknown database
std::uint32_t ClientIdTable(const std::vector<std::uint32_t>& noteIds);
void ReleaseClientHandle(std::uint32_t handle);
std::uint32_t FindView(const std::string& dbPath, const std::string& title);  // 0: none
std::vector<std::uint32_t> ViewEntries(const std::string& dbPath, std::uint32_t view);
std::string StandInProblems();                // one per line; empty when clean
void SetNoteOpenPace(unsigned milliseconds);  // each note opened takes that much longer

}  // namespace host
