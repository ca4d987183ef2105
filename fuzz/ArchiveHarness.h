// What the archiving fuzz targets share: a scratch drive C: whose archive is emptied before each
// input, a run of the export over documents of the stand-in, and the checks every run must pass.
// A failed check aborts with its reason, so that the fuzzer keeps the input.
#pragma once

#include <notesapi/notesapi.h>

#include <string>
#include <vector>

#include "sim/Model.h"

namespace fuzz {

// Creates the scratch drive once per process; empties the archive and resets the stand-in.
void BeginInput();

// Archives `documents` of the stand-in's database "mail.nsf" by selection into C:\Archive\Base.
// Checks afterwards: no file or folder was created outside the base path (the OS seam is
// watched), every page is well formed without markup from the mail, the stand-in is clean,
// and with `armed` every deleted document has a page.
void ArchiveAndCheck(sim::Database& db, const std::vector<NOTEID>& documents, bool armed);

// Aborts with the message: the fuzzer records the input as a finding.
[[noreturn]] void Fail(const std::string& why);

}  // namespace fuzz
