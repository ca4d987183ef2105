// Declarations of the Notes C API functions, types and constants that Stowline uses.
// Binary-compatible with nnotes.dll on 32-bit and on 64-bit Windows:
//  - 32-bit: __stdcall and byte-packed structures;
//  - 64-bit: the platform's one calling convention and naturally aligned structures
//    (notesapi/layout.h says why).
// Both: 16-bit STATUS/WORD/HCOLLECTION, 4-byte BOOL, and 4-byte Domino handles (DHANDLE):
// "Domino handles are 32bit on domino 32 and 64 platforms" (porting guide; global.h types
// DHANDLE as unsigned int under ND64 with HANDLE_IS_32BITS).
// The 64-bit Linux build of the stand-in and the add-in takes the 64-bit layout, so that the
// Linux tests run on the structures a 64-bit client uses.
// Item values (CD records, $FILE objects) are stored in canonical form, byte-packed on every
// platform; they are read and written through notesapi/ods.h, never through these structures.
#ifndef NOTESAPI_NOTESAPI_H
#define NOTESAPI_NOTESAPI_H

#include <stddef.h>
#include <stdint.h>

#include <notesapi/layout.h>

#if defined(_WIN32) && !defined(_WIN64)
#define LNPUBLIC __stdcall
#define LNCALLBACK __stdcall
#else
#define LNPUBLIC
#define LNCALLBACK
#endif

#ifdef __cplusplus
#define NOTESAPI_EXTERN extern "C"
#else
#define NOTESAPI_EXTERN extern
#endif

// The stand-in's nnotes.dll exports these; the add-in imports them.
#if defined(NOTESAPI_BUILDING_DLL)
#define NOTESAPI_FN NOTESAPI_EXTERN __declspec(dllexport)
#else
#define NOTESAPI_FN NOTESAPI_EXTERN
#endif

#if NOTESAPI_BYTE_PACKED
#pragma pack(push, 1)
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint16_t STATUS;
typedef int32_t BOOL;      // the Windows BOOL: 4 bytes
typedef uint32_t DHANDLE;  // 4 bytes on 32-bit Windows; kept 4 bytes everywhere
typedef DHANDLE MEMHANDLE;
typedef DHANDLE DBHANDLE;
typedef DHANDLE NOTEHANDLE;
typedef uint32_t NOTEID;
typedef uint16_t HCOLLECTION;
typedef uint16_t BLOCK;
typedef uint32_t FONTID;
typedef uint16_t NAMRESULT;
typedef double NUMBER;
typedef void* HMODULE_NOTES;  // a Windows HMODULE: pointer-sized (8 bytes on x64); only ever NULL from the add-in

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define NULLHANDLE ((DHANDLE)0)
#define NOERROR 0

typedef struct {
    DHANDLE pool;
    BLOCK block;
} BLOCKID;

typedef struct {
    DWORD Innards[2];
} TIMEDATE;

typedef TIMEDATE DBID;

typedef struct {
    TIMEDATE Lower;
    TIMEDATE Upper;
} TIMEDATE_PAIR;

typedef struct {
    DBID File;
    TIMEDATE Note;
} UNIVERSALNOTEID;
typedef UNIVERSALNOTEID UNID;

typedef struct {
    DBID File;
    TIMEDATE Note;
    DWORD Sequence;
    TIMEDATE SequenceTime;
} ORIGINATORID;
typedef ORIGINATORID OID;

typedef struct {
    int year;
    int month;
    int day;
    int weekday;
    int hour;
    int minute;
    int second;
    int hundredth;
    int dst;
    int zone;
    TIMEDATE GM;
} TIME;

typedef struct {
    BYTE Byte1;
    WORD Word1;
    BYTE Text[16];
} ENCRYPTION_KEY;

typedef struct {
    WORD ObjectType;
    DWORD RRV;
} OBJECT_DESCRIPTOR;

typedef struct {
    OBJECT_DESCRIPTOR Header;
    WORD FileNameLength;
    WORD HostType;
    WORD CompressionType;
    WORD FileAttributes;
    WORD Flags;
    DWORD FileSize;
    TIMEDATE FileCreated;
    TIMEDATE FileModified;
    // the file name (LMBCS, not terminated) follows
} FILEOBJECT;

#define MAXTUMBLERLEVELS 32
typedef struct {
    WORD Level;
    BYTE MinLevel;
    BYTE MaxLevel;
    DWORD Tumbler[MAXTUMBLERLEVELS];
} COLLECTIONPOSITION;

typedef struct {
    WORD ListEntries;
} LIST;

typedef struct {
    WORD ListEntries;
    WORD RangeEntries;
} RANGE;

typedef struct {
    BYTE Signature;
    BYTE Length;
} BSIG;

typedef struct {
    WORD Signature;
    WORD Length;
} WSIG;

typedef struct {
    WORD Signature;
    DWORD Length;
} LSIG;

typedef struct {
    BSIG Header;
} CDPARAGRAPH;

typedef struct {
    WSIG Header;
    FONTID FontID;
    // the LMBCS text run follows
} CDTEXT;

typedef struct {
    BYTE Date;
    BYTE Time;
    BYTE Zone;
    BYTE Structure;
} TFMT;

#if NOTESAPI_BYTE_PACKED
#pragma pack(pop)
#endif

#ifdef __cplusplus
// The sizes and offsets of the toolkit's own layout for each build: the 32-bit figures are those
// of the byte-packed headers, the 64-bit ones those of the same headers compiled for x64 with
// natural alignment (record layouts of the 11.0.1 toolkit headers under the defines of the
// samples' 64-bit make environment: -DNT -DW32 -DW64 -DND64 -D_AMD64_).
// A structure passed by value (BLOCKID, TIMEDATE) must keep exactly this size.
#if NOTESAPI_BYTE_PACKED
static_assert(sizeof(BLOCKID) == 6 && offsetof(BLOCKID, block) == 4, "BLOCKID");
static_assert(sizeof(ENCRYPTION_KEY) == 19 && offsetof(ENCRYPTION_KEY, Text) == 3, "ENCRYPTION_KEY");
static_assert(sizeof(OBJECT_DESCRIPTOR) == 6, "OBJECT_DESCRIPTOR");
static_assert(sizeof(FILEOBJECT) == 36, "FILEOBJECT");
static_assert(offsetof(FILEOBJECT, FileNameLength) == 6 && offsetof(FILEOBJECT, HostType) == 8 &&
                  offsetof(FILEOBJECT, FileSize) == 16 && offsetof(FILEOBJECT, FileCreated) == 20,
              "FILEOBJECT");
static_assert(sizeof(LSIG) == 6, "LSIG");
#else
static_assert(sizeof(BLOCKID) == 8 && offsetof(BLOCKID, block) == 4, "BLOCKID");
static_assert(sizeof(ENCRYPTION_KEY) == 20 && offsetof(ENCRYPTION_KEY, Word1) == 2 &&
                  offsetof(ENCRYPTION_KEY, Text) == 4,
              "ENCRYPTION_KEY");
static_assert(sizeof(OBJECT_DESCRIPTOR) == 8, "OBJECT_DESCRIPTOR");
static_assert(sizeof(FILEOBJECT) == 40, "FILEOBJECT");
static_assert(offsetof(FILEOBJECT, FileNameLength) == 8 && offsetof(FILEOBJECT, HostType) == 10 &&
                  offsetof(FILEOBJECT, FileSize) == 20 && offsetof(FILEOBJECT, FileCreated) == 24,
              "FILEOBJECT");
static_assert(sizeof(LSIG) == 8, "LSIG");
#endif
static_assert(sizeof(TIMEDATE) == 8, "TIMEDATE");
static_assert(sizeof(UNID) == 16, "UNID");
static_assert(sizeof(ORIGINATORID) == 28, "ORIGINATORID");
static_assert(sizeof(TIME) == 48, "TIME");
static_assert(offsetof(TIME, GM) == 40, "TIME.GM");
static_assert(sizeof(COLLECTIONPOSITION) == 132 && offsetof(COLLECTIONPOSITION, Tumbler) == 4, "COLLECTIONPOSITION");
static_assert(sizeof(CDTEXT) == 8, "CDTEXT");
static_assert(sizeof(CDPARAGRAPH) == 2, "CDPARAGRAPH");
static_assert(sizeof(WSIG) == 4 && sizeof(BSIG) == 2, "SIG");
static_assert(sizeof(STATUS) == 2 && sizeof(WORD) == 2 && sizeof(HCOLLECTION) == 2, "16-bit");
static_assert(sizeof(BOOL) == 4 && sizeof(DHANDLE) == 4, "32-bit");
#endif

// ---- status ----
#define ERR_MASK 0x3FFF
#define ERR(x) ((STATUS)((x)&ERR_MASK))
#define STS_DISPLAYED 0x8000
#define STS_REMOTE 0x4000
#define PKG_OS 0x0100
#define PKG_NSF 0x0200
#define PKG_NIF 0x0300
#define PKG_MISC 0x0400
#define PKG_ODS 0x0600
#define ERR_ITEM_NOT_FOUND 0x0222
#define ERR_NOTE_DELETED 0x0225
#define ERR_INVALID_NOTE 0x0227
#define ERR_NO_MODIFIED_NOTES 0x023C
#define ERR_NOACCESS 0x0246
#define ERR_NOTE_NOT_SIGNED 0x0259
#define ERR_NOTE_NOT_SEALED 0x0262
#define ERR_NOT_FOUND 0x0404
#define ERR_DATATYPE 0x0602
#define ERR_ODS_ENUM_COMPLETE 0x0604

// ---- item types ----
#define TYPE_INVALID_OR_UNKNOWN 0x0000
#define TYPE_COMPOSITE 0x0001
#define TYPE_COLLATION 0x0002
#define TYPE_OBJECT 0x0003
#define TYPE_NOTEREF_LIST 0x0004
#define TYPE_VIEW_FORMAT 0x0005
#define TYPE_ICON 0x0006
#define TYPE_NOTELINK_LIST 0x0007
#define TYPE_SIGNATURE 0x0008
#define TYPE_SEAL 0x0009
#define TYPE_SEALDATA 0x000A
#define TYPE_SEAL_LIST 0x000B
#define TYPE_HIGHLIGHTS 0x000C
#define TYPE_USERDATA 0x000E
#define TYPE_QUERY 0x000F
#define TYPE_ACTION 0x0010
#define TYPE_ASSISTANT_INFO 0x0011
#define TYPE_LSOBJECT 0x0014
#define TYPE_HTML 0x0015
#define TYPE_CALENDAR_FORMAT 0x0018
#define TYPE_MIME_PART 0x0019
#define TYPE_ERROR 0x0100
#define TYPE_UNAVAILABLE 0x0200
#define TYPE_NUMBER 0x0300
#define TYPE_NUMBER_RANGE 0x0301
#define TYPE_TIME 0x0400
#define TYPE_TIME_RANGE 0x0401
#define TYPE_TEXT 0x0500
#define TYPE_TEXT_LIST 0x0501
#define TYPE_RFC822_TEXT 0x0502
#define TYPE_FORMULA 0x0600
#define TYPE_USERID 0x0700
#define CLASS_MASK 0xFF00

// ---- note classes ----
#define NOTE_CLASS_DOCUMENT 0x0001
#define NOTE_CLASS_DATA NOTE_CLASS_DOCUMENT
#define NOTE_CLASS_INFO 0x0002
#define NOTE_CLASS_FORM 0x0004
#define NOTE_CLASS_VIEW 0x0008
#define NOTE_CLASS_ICON 0x0010
#define NOTE_CLASS_DESIGN 0x0020
#define NOTE_CLASS_ACL 0x0040
#define NOTE_CLASS_HELP_INDEX 0x0080
#define NOTE_CLASS_HELP 0x0100
#define NOTE_CLASS_FILTER 0x0200
#define NOTE_CLASS_FIELD 0x0400
#define NOTE_CLASS_REPLFORMULA 0x0800
#define NOTE_CLASS_PRIVATE 0x1000
#define NOTE_CLASS_DEFAULT 0x8000
#define NOTE_CLASS_ALL 0x7FFF
#define NOTE_CLASS_ALLNONDATA 0x7FFE

// ---- NSFNoteGetInfo selectors ----
#define _NOTE_DB 0
#define _NOTE_ID 1
#define _NOTE_OID 2
#define _NOTE_CLASS 3
#define _NOTE_MODIFIED 4
#define _NOTE_FLAGS 7
#define _NOTE_ACCESSED 8
#define _NOTE_PARENT_NOTEID 10
#define _NOTE_ADDED_TO_FILE 13

// ---- note open / update flags ----
#define OPEN_SUMMARY 0x0001
#define OPEN_NOVERIFYDEFAULT 0x0002
#define OPEN_EXPAND 0x0004
#define OPEN_NOOBJECTS 0x0008
#define UPDATE_FORCE 0x0001
#define UPDATE_NOSTUB 0x0200

// ---- objects and host types ----
#define OBJECT_FILE 0
#define HOST_MSDOS 0x0000
#define HOST_OLE 0x0100
#define HOST_MAC 0x0200
#define HOST_UNKNOWN 0x0300
#define HOST_HPFS 0x0400
#define HOST_OLELIB 0x0500
#define HOST_BYTEARRAY_EXT 0x0600
#define HOST_BYTEARRAY_PAGE 0x0700
#define HOST_CDSTORAGE 0x0800
#define HOST_STREAM 0x0900
#define HOST_LINK 0x0A00
#define HOST_MASK 0x0F00
#define COMPRESS_NONE 0

// ---- composite data ----
#define BYTERECORDLENGTH 0x0000
#define WORDRECORDLENGTH 0xFF00
#define LONGRECORDLENGTH 0x0000
#define SIG_CD_PARAGRAPH (129 | BYTERECORDLENGTH)
#define SIG_CD_TEXT (133 | WORDRECORDLENGTH)
#define SIG_CD_PABDEFINITION (130 | WORDRECORDLENGTH)
#define SIG_CD_PABREFERENCE (131 | BYTERECORDLENGTH)

// ---- NIF ----
#define NAVIGATE_CURRENT 0
#define NAVIGATE_NEXT 1
#define READ_MASK_NOTEID 0x00000001
#define SIGNAL_MORE_TO_DO 0x0020
#define NOTEID_CATEGORY 0x80000000UL
#define RRV_DELETED 0x80000000UL

// ---- OSTranslate modes ----
#define OS_TRANSLATE_NATIVE_TO_LMBCS 0
#define OS_TRANSLATE_LMBCS_TO_NATIVE 1

// ---- time ----
#define TIMEDATE_MINIMUM 0
#define TIMEDATE_MAXIMUM 1
#define TIMEDATE_WILDCARD 2
#define ALLDAY 0xFFFFFFFFUL
#define ANYDAY 0xFFFFFFFFUL
#define TICKS_IN_DAY 8640000L
#define TICKS_IN_HOUR 360000L
#define TICKS_IN_MINUTE 6000L
#define TICKS_IN_SECOND 100L
#define MAXALPHATIMEDATE 80

#define MAXUSERNAME 256
#define MAXENVVALUE 256
#define MAXPATH 256

typedef STATUS(LNCALLBACK* ActionRoutinePtr)(char* RecordPtr, WORD RecordType, DWORD RecordLength, void* Context);

// ---- functions (the @N in comments is the stack size of the official 32-bit import; the
// 64-bit import library names the same functions undecorated, at the same ordinals) ----
NOTESAPI_FN WORD LNPUBLIC OSLoadString(HMODULE_NOTES hModule, STATUS StringCode, char* retBuffer,
                                       WORD BufferLength);  // @16
NOTESAPI_FN WORD LNPUBLIC OSTranslate(WORD TranslateMode, const char* In, WORD InLength, char* Out,
                                      WORD OutLength);                          // @20
NOTESAPI_FN void* LNPUBLIC OSLockObject(DHANDLE Handle);                        // @4
NOTESAPI_FN BOOL LNPUBLIC OSUnlockObject(DHANDLE Handle);                       // @4
NOTESAPI_FN STATUS LNPUBLIC OSMemFree(DHANDLE Handle);                          // @4
NOTESAPI_FN STATUS LNPUBLIC NSFDbOpen(const char* PathName, DBHANDLE* rethDB);  // @8
NOTESAPI_FN STATUS LNPUBLIC NSFDbClose(DBHANDLE hDB);                           // @4
NOTESAPI_FN STATUS LNPUBLIC NSFDbGetModifiedNoteTable(DBHANDLE hDB, WORD NoteClassMask, TIMEDATE Since,
                                                      TIMEDATE* retUntil, DHANDLE* rethTable);  // @24
NOTESAPI_FN DWORD LNPUBLIC IDEntries(DHANDLE hTable);                                           // @4
NOTESAPI_FN BOOL LNPUBLIC IDScan(DHANDLE hTable, BOOL fFirst, DWORD* retID);                    // @12
NOTESAPI_FN STATUS LNPUBLIC IDDestroyTable(DHANDLE hTable);                                     // @4
NOTESAPI_FN STATUS LNPUBLIC NSFNoteOpen(DBHANDLE hDB, NOTEID NoteID, WORD OpenFlags,
                                        NOTEHANDLE* rethNote);                             // @16
NOTESAPI_FN STATUS LNPUBLIC NSFNoteClose(NOTEHANDLE hNote);                                // @4
NOTESAPI_FN STATUS LNPUBLIC NSFNoteDelete(DBHANDLE hDB, NOTEID NoteID, WORD UpdateFlags);  // @12
NOTESAPI_FN void LNPUBLIC NSFNoteGetInfo(NOTEHANDLE hNote, WORD Type, void* retValue);     // @12
NOTESAPI_FN BOOL LNPUBLIC NSFNoteIsSignedOrSealed(NOTEHANDLE hNote, BOOL* retfSigned,
                                                  BOOL* retfSealed);  // @12
NOTESAPI_FN STATUS LNPUBLIC NSFNoteDecrypt(NOTEHANDLE hNote, WORD DecryptFlags,
                                           ENCRYPTION_KEY* retKeyForAttachments);  // @12
NOTESAPI_FN STATUS LNPUBLIC NSFNoteVerifySignature(NOTEHANDLE hNote, char* SignatureItemName, TIMEDATE* retWhenSigned,
                                                   char* retSigner,
                                                   char* retCertifier);  // @20
NOTESAPI_FN STATUS LNPUBLIC NSFItemInfo(NOTEHANDLE hNote, const char* Name, WORD NameLength, BLOCKID* retbhItem,
                                        WORD* retDataType, BLOCKID* retbhValue,
                                        DWORD* retValueLength);  // @28
NOTESAPI_FN STATUS LNPUBLIC NSFItemInfoNext(NOTEHANDLE hNote, BLOCKID NextItem, const char* Name, WORD NameLength,
                                            BLOCKID* retbhItem, WORD* retDataType, BLOCKID* retbhValue,
                                            DWORD* retValueLength);  // @36
NOTESAPI_FN WORD LNPUBLIC NSFItemGetText(NOTEHANDLE hNote, const char* ItemName, char* retBuffer,
                                         WORD BufferLength);                                  // @16
NOTESAPI_FN WORD LNPUBLIC NSFItemGetTextListEntries(NOTEHANDLE hNote, const char* ItemName);  // @8
NOTESAPI_FN WORD LNPUBLIC NSFItemGetTextListEntry(NOTEHANDLE hNote, const char* ItemName, WORD EntryPos,
                                                  char* retBuffer,
                                                  WORD BufferLength);  // @20
NOTESAPI_FN BOOL LNPUBLIC NSFItemGetTime(NOTEHANDLE hNote, const char* ItemName,
                                         TIMEDATE* retTime);  // @12
NOTESAPI_FN WORD LNPUBLIC NSFItemConvertValueToText(WORD ValueDataType, BLOCKID bhValue, DWORD ValueLength,
                                                    char* retBuffer, WORD BufferLength, char SeparatorChar);  // @28
NOTESAPI_FN STATUS LNPUBLIC EnumCompositeBuffer(BLOCKID ItemValue, DWORD ItemValueLength,
                                                ActionRoutinePtr ActionRoutine,
                                                void* vContext);  // @20
NOTESAPI_FN STATUS LNPUBLIC NSFNoteExtractFile(NOTEHANDLE hNote, BLOCKID bhItem, const char* FileName,
                                               ENCRYPTION_KEY* DecryptionKey);  // @20
NOTESAPI_FN STATUS LNPUBLIC ConvertTIMEDATEToText(const void* IntlFormat, const TFMT* TextFormat,
                                                  const TIMEDATE* InputTime, char* retTextBuffer, WORD TextBufferLength,
                                                  WORD* retTextLength);       // @24
NOTESAPI_FN void LNPUBLIC OSCurrentTimeZone(int* retZone, int* retDST);       // @8
NOTESAPI_FN BOOL LNPUBLIC TimeGMToLocal(TIME* Time);                          // @4
NOTESAPI_FN BOOL LNPUBLIC TimeLocalToGM(TIME* Time);                          // @4
NOTESAPI_FN void LNPUBLIC TimeConstant(WORD TimeConstantType, TIMEDATE* td);  // @8
NOTESAPI_FN void LNPUBLIC OSCurrentTIMEDATE(TIMEDATE* retTimeDate);           // @4
NOTESAPI_FN STATUS LNPUBLIC NIFFindDesignNote(DBHANDLE hFile, const char* Name, WORD Class,
                                              NOTEID* retNoteID);  // @16
NOTESAPI_FN STATUS LNPUBLIC NIFOpenCollection(DBHANDLE hViewDB, DBHANDLE hDataDB, NOTEID ViewNoteID, WORD OpenFlags,
                                              DHANDLE hUnreadList, HCOLLECTION* rethCollection,
                                              NOTEHANDLE* rethViewNote, UNID* retViewUNID, DHANDLE* rethCollapsedList,
                                              DHANDLE* rethSelectedList);  // @40
NOTESAPI_FN STATUS LNPUBLIC NIFReadEntries(HCOLLECTION hCollection, COLLECTIONPOSITION* IndexPos, WORD SkipNavigator,
                                           DWORD SkipCount, WORD ReturnNavigator, DWORD ReturnCount, DWORD ReturnMask,
                                           DHANDLE* rethBuffer, WORD* retBufferLength, DWORD* retNumEntriesSkipped,
                                           DWORD* retNumEntriesReturned,
                                           WORD* retSignalFlags);         // @48
NOTESAPI_FN STATUS LNPUBLIC NIFCloseCollection(HCOLLECTION hCollection);  // @4
NOTESAPI_FN STATUS LNPUBLIC FolderDelete(DBHANDLE hDataDB, DBHANDLE hFolderDB, NOTEID FolderNoteID,
                                         DWORD dwFlags);  // @16
NOTESAPI_FN BOOL LNPUBLIC OSGetEnvironmentString(const char* VariableName, char* retValueBuffer,
                                                 WORD BufferLength);  // @12

#endif
