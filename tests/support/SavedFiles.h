// Reading back what a run left behind: a file's bytes (support/Files.h), and the universal ID a
// saved note's page and attachment folder are named by.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/Model.h"
#include "support/Files.h"

namespace testsupport {

// The 32 upper-case hex digits of the note's universal ID, as the UNID formula gives them.
inline std::string Unid(const sim::Note& n) {
    const DWORD parts[] = {n.oid.File.Innards[1], n.oid.File.Innards[0], n.oid.Note.Innards[1], n.oid.Note.Innards[0]};
    std::string unid;
    for (DWORD part : parts) {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", part);
        unid += hex;
    }
    return unid;
}

}  // namespace testsupport
