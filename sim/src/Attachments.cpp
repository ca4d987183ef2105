// NSFNoteExtractFile: writes an attachment's bytes through the real file system, refusing
// what Windows refuses.
#include <cstdio>
#include <cstring>
#include <string>

#include <notesapi/ods.h>

#include "Calls.h"
#include "State.h"
#include "Unicode.h"
#include "sim/Lmbcs.h"
#include "sim/Status.h"

#ifndef _WIN32
#include "platform/posix/HostPath.h"
#endif

using namespace sim;
using namespace sim::detail;

namespace {

// The host path for a native Windows path, or "" when Windows would refuse it.
std::string HostPathFor(const std::string& native) {
#ifdef _WIN32
    return native;  // Windows applies its own rules
#else
    const auto mapped = platform::posix::ResolveHostPath(native);
    if (mapped.error != platform::winpath::PathError::None || mapped.components.empty()) return {};
    return mapped.path;
#endif
}

}  // namespace

NOTESAPI_FN STATUS LNPUBLIC NSFNoteExtractFile(NOTEHANDLE hNote, BLOCKID bhItem, const char* FileName,
                                               ENCRYPTION_KEY* DecryptionKey) {
    SIM_ENTER_STATUS(NSFNoteExtractFile, NoteIdOf(hNote));
    OpenNote* note = LookupNote(hNote, "NSFNoteExtractFile");
    if (!note) return ERR_SIM_INVALID_HANDLE;
    if (!FileName) return ERR_SIM_BAD_ARGUMENT;
    const int index = ItemIndexOf(hNote, bhItem, "NSFNoteExtractFile");
    if (index < 0) return ERR_SIM_BAD_ARGUMENT;
    const Item& item = note->copy.items[index];
    // The value is a type word and a FILEOBJECT in canonical form, with no pad bytes on any
    // platform (HCL C API user guide, "Domino Canonical Format").
    constexpr size_t kHeader = 2 + ods::kFileObjectLength;
    if (item.Type() != TYPE_OBJECT || item.value.size() < kHeader) return ERR_DATATYPE;
    const FILEOBJECT fo = ods::ReadFileObject(item.value.data() + 2);
    if ((fo.Header.ObjectType & 0x0FFF) != OBJECT_FILE) return ERR_DATATYPE;
    const DWORD rrv = fo.Header.RRV;
    auto obj = note->copy.objects.find(rrv);
    if (obj == note->copy.objects.end()) return ERR_SIM_OBJECT_MISSING;
    if (obj->second.encrypted) {
        if (!DecryptionKey) return ERR_SIM_ATTACH_ENCRYPTED;
        const ENCRYPTION_KEY expected = KeyFor(note->copy.sealKey);
        // Field by field: ENCRYPTION_KEY is naturally aligned on 64-bit Windows (the toolkit's
        // global.h packs structures on x86 only), so a pad byte follows Byte1 that nobody sets.
        if (DecryptionKey->Byte1 != expected.Byte1 || DecryptionKey->Word1 != expected.Word1 ||
            std::memcmp(DecryptionKey->Text, expected.Text, sizeof expected.Text) != 0)
            return ERR_SIM_NO_KEY;
    }
    const std::string host = HostPathFor(LmbcsToNative(FileName));
    if (host.empty()) return ERR_SIM_FILE_CREATE;
    std::FILE* f = std::fopen(host.c_str(), "wb");
    if (!f) return ERR_SIM_FILE_CREATE;
    std::setvbuf(f, nullptr, _IONBF, 0);  // written in one call: a buffer would only be a copy
    const Bytes& data = obj->second.bytes();
    const bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::remove(host.c_str());  // no partial file is left looking like a good one
        return ERR_SIM_FILE_WRITE;
    }
#ifndef _WIN32
    platform::posix::NoteCreated(host);  // the next name looked up in its folder sees it
#endif
    return NOERROR;
}
