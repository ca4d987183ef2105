// One message, imported as the command line imports mail and archived with deletion armed into
// a scratch tree: every name stays below the base path, every page carries only the page
// builder's markup, and nothing is deleted that has no page.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "ArchiveHarness.h"
#include "sim/Engine.h"
#include "sim/mail/Import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    static const std::filesystem::path message =
        std::filesystem::temp_directory_path() / ("stowline-fuzz-message-" + std::to_string(getpid()) + ".eml");
    {
        std::ofstream out(message, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    sim::Database& db = sim::CreateDatabase("mail.nsf");
    sim::mail::ImportOptions options;
    sim::mail::Import(db, {message}, options);
    std::vector<NOTEID> documents;
    for (const auto& [id, note] : db.notes)
        if (note.noteClass == NOTE_CLASS_DOCUMENT && !note.deleted) documents.push_back(id);
    if (!documents.empty()) fuzz::ArchiveAndCheck(db, documents, true);
    sim::Reset();
    return 0;
}
