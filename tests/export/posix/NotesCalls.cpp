#include "posix/NotesCalls.h"

#include <cstring>
#include <new>

extern "C" {
STATUS __real_NSFNoteOpen(DBHANDLE, NOTEID, WORD, NOTEHANDLE*);
STATUS __real_NSFNoteDelete(DBHANDLE, NOTEID, WORD);
WORD __real_NSFItemConvertValueToText(WORD, BLOCKID, DWORD, char*, WORD, char);
STATUS __real_NSFItemInfo(NOTEHANDLE, const char*, WORD, BLOCKID*, WORD*, BLOCKID*, DWORD*);
STATUS __real_NSFItemInfoNext(NOTEHANDLE, BLOCKID, const char*, WORD, BLOCKID*, WORD*, BLOCKID*,
                              DWORD*);

namespace {
bool FileLookupFails(const char* name, WORD length) {
    return exporttest::Calls().fileLookupFault != 0 && name != nullptr && length == 5 &&
           std::memcmp(name, "$FILE", 5) == 0;
}
}  // namespace

STATUS __wrap_NSFItemInfo(NOTEHANDLE note, const char* name, WORD length, BLOCKID* item,
                          WORD* type, BLOCKID* value, DWORD* valueLength) {
    if (FileLookupFails(name, length)) return exporttest::Calls().fileLookupFault;
    return __real_NSFItemInfo(note, name, length, item, type, value, valueLength);
}

STATUS __wrap_NSFItemInfoNext(NOTEHANDLE note, BLOCKID next, const char* name, WORD length,
                              BLOCKID* item, WORD* type, BLOCKID* value, DWORD* valueLength) {
    if (FileLookupFails(name, length)) return exporttest::Calls().fileLookupFault;
    return __real_NSFItemInfoNext(note, next, name, length, item, type, value, valueLength);
}

STATUS __wrap_NSFNoteOpen(DBHANDLE db, NOTEID id, WORD flags, NOTEHANDLE* note) {
    auto& calls = exporttest::Calls();
    if (calls.beforeOpen) calls.beforeOpen(id);
    calls.log.push_back("open " + std::to_string(id));
    return __real_NSFNoteOpen(db, id, flags, note);
}

STATUS __wrap_NSFNoteDelete(DBHANDLE db, NOTEID id, WORD flags) {
    exporttest::Calls().log.push_back("delete " + std::to_string(id));
    return __real_NSFNoteDelete(db, id, flags);
}

WORD __wrap_NSFItemConvertValueToText(WORD type, BLOCKID value, DWORD length, char* buffer,
                                      WORD bufferLength, char separator) {
    if (exporttest::Calls().convertThrows) throw std::bad_alloc();
    return __real_NSFItemConvertValueToText(type, value, length, buffer, bufferLength, separator);
}
}

namespace exporttest {

NotesCalls& Calls() {
    static NotesCalls calls;
    return calls;
}

void ResetCalls() { Calls() = NotesCalls{}; }

}  // namespace exporttest
