#include "posix/NotesCalls.h"

#include <new>

extern "C" {
STATUS __real_NSFNoteOpen(DBHANDLE, NOTEID, WORD, NOTEHANDLE*);
STATUS __real_NSFNoteDelete(DBHANDLE, NOTEID, WORD);
WORD __real_NSFItemConvertValueToText(WORD, BLOCKID, DWORD, char*, WORD, char);

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
