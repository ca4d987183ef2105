/* Which layout the toolkit's structures take in this build. Its global.h packs them to one byte
 * on 32-bit x86 only (#pragma pack(1) under _X86_); on x64 it sets no packing, so they take the
 * compiler's natural alignment (the HCL porting guide: "Don't use /Zp option on Win64";
 * domino-jnx and domino-jna: ALIGN_NONE on Win32, ALIGN_DEFAULT on Win64). */
#ifndef NOTESAPI_LAYOUT_H
#define NOTESAPI_LAYOUT_H

#if defined(__i386__) || defined(_M_IX86)
#define NOTESAPI_BYTE_PACKED 1
#else
#define NOTESAPI_BYTE_PACKED 0
#endif

#endif
