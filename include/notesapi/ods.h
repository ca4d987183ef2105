/* Item values in canonical form: what NSFItemInfo's value block holds after its type word.
 * The HCL user guide ("Domino Canonical Format") defines it as "Intel 8086 byte ordering with
 * no pad bytes" on every platform, while the toolkit's structures are naturally aligned on
 * 64-bit Windows (global.h sets ODS_NEEDED there): FILEOBJECT is 40 bytes in memory there and
 * 36 in the item. Canonical values are therefore read and written by byte offset here, and the
 * byte-packed 32-bit build checks these offsets against the toolkit's structures. */
#pragma once

#include <notesapi/bytes.h>
#include <notesapi/notesapi.h>

namespace ods {

/* FILEOBJECT (the value of a $FILE item, after the type word); the file name follows it. */
inline constexpr std::size_t kFileObjectType = 0;         /* WORD Header.ObjectType */
inline constexpr std::size_t kFileObjectRrv = 2;          /* DWORD Header.RRV */
inline constexpr std::size_t kFileObjectNameLength = 6;   /* WORD FileNameLength */
inline constexpr std::size_t kFileObjectHostType = 8;     /* WORD HostType */
inline constexpr std::size_t kFileObjectCompression = 10; /* WORD CompressionType */
inline constexpr std::size_t kFileObjectAttributes = 12;  /* WORD FileAttributes */
inline constexpr std::size_t kFileObjectFlags = 14;       /* WORD Flags */
inline constexpr std::size_t kFileObjectSize = 16;        /* DWORD FileSize */
inline constexpr std::size_t kFileObjectCreated = 20;     /* TIMEDATE FileCreated */
inline constexpr std::size_t kFileObjectModified = 28;    /* TIMEDATE FileModified */
inline constexpr std::size_t kFileObjectLength = 36;      /* ODSLength(_FILEOBJECT) */

/* CD records: a CDTEXT is its WSIG and FONTID, and its text run follows. */
inline constexpr std::size_t kCdTextLength = 8;

#if NOTESAPI_BYTE_PACKED
static_assert(offsetof(FILEOBJECT, Header.RRV) == kFileObjectRrv &&
                  offsetof(FILEOBJECT, FileNameLength) == kFileObjectNameLength &&
                  offsetof(FILEOBJECT, HostType) == kFileObjectHostType &&
                  offsetof(FILEOBJECT, CompressionType) == kFileObjectCompression &&
                  offsetof(FILEOBJECT, FileAttributes) == kFileObjectAttributes &&
                  offsetof(FILEOBJECT, Flags) == kFileObjectFlags &&
                  offsetof(FILEOBJECT, FileSize) == kFileObjectSize &&
                  offsetof(FILEOBJECT, FileCreated) == kFileObjectCreated &&
                  offsetof(FILEOBJECT, FileModified) == kFileObjectModified && sizeof(FILEOBJECT) == kFileObjectLength,
              "the canonical FILEOBJECT is the byte-packed toolkit structure");
#endif
static_assert(sizeof(CDTEXT) == kCdTextLength, "CDTEXT has no padding on any platform");

inline TIMEDATE GetTimeDate(const void* data, std::size_t at) {
    return TIMEDATE{{notesbytes::GetU32(data, at), notesbytes::GetU32(data, at + 4)}};
}
inline void PutTimeDate(void* data, std::size_t at, const TIMEDATE& value) {
    notesbytes::PutU32(data, at, value.Innards[0]);
    notesbytes::PutU32(data, at + 4, value.Innards[1]);
}

/* A canonical FILEOBJECT (kFileObjectLength bytes at `data`) into the host's structure. */
inline FILEOBJECT ReadFileObject(const void* data) {
    using namespace notesbytes;
    FILEOBJECT object{};
    object.Header.ObjectType = GetU16(data, kFileObjectType);
    object.Header.RRV = GetU32(data, kFileObjectRrv);
    object.FileNameLength = GetU16(data, kFileObjectNameLength);
    object.HostType = GetU16(data, kFileObjectHostType);
    object.CompressionType = GetU16(data, kFileObjectCompression);
    object.FileAttributes = GetU16(data, kFileObjectAttributes);
    object.Flags = GetU16(data, kFileObjectFlags);
    object.FileSize = GetU32(data, kFileObjectSize);
    object.FileCreated = GetTimeDate(data, kFileObjectCreated);
    object.FileModified = GetTimeDate(data, kFileObjectModified);
    return object;
}

/* The host's structure as a canonical FILEOBJECT (kFileObjectLength bytes at `data`). */
inline void WriteFileObject(void* data, const FILEOBJECT& object) {
    using namespace notesbytes;
    PutU16(data, kFileObjectType, object.Header.ObjectType);
    PutU32(data, kFileObjectRrv, object.Header.RRV);
    PutU16(data, kFileObjectNameLength, object.FileNameLength);
    PutU16(data, kFileObjectHostType, object.HostType);
    PutU16(data, kFileObjectCompression, object.CompressionType);
    PutU16(data, kFileObjectAttributes, object.FileAttributes);
    PutU16(data, kFileObjectFlags, object.Flags);
    PutU32(data, kFileObjectSize, object.FileSize);
    PutTimeDate(data, kFileObjectCreated, object.FileCreated);
    PutTimeDate(data, kFileObjectModified, object.FileModified);
}

} /* namespace ods */
