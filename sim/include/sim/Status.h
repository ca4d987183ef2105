// Statuses the stand-in returns beyond those of notesapi.h. The numbers are the stand-in's
// own choice in each package's range; OSLoadString has a text for each.
#pragma once

#include <notesapi/notesapi.h>

namespace sim {

enum : STATUS {
    ERR_SIM_INVALID_HANDLE = PKG_OS + 0x06,     // "Invalid handle"
    ERR_SIM_FILE_CREATE = PKG_OS + 0x26,        // "Cannot create file"
    ERR_SIM_FILE_WRITE = PKG_OS + 0x27,         // "Cannot write file"
    ERR_SIM_FILE_READ = PKG_OS + 0x25,          // "Cannot read file"
    ERR_SIM_BAD_ARGUMENT = PKG_OS + 0x40,       // "Invalid argument"
    ERR_SIM_DB_NOT_FOUND = PKG_NSF + 0x03,      // "File does not exist"
    ERR_SIM_NO_KEY = PKG_NSF + 0x5C,            // "You don't have any of the keys needed to decrypt"
    ERR_SIM_ATTACH_ENCRYPTED = PKG_NSF + 0x5E,  // "The attachment is encrypted and no key was given"
    ERR_SIM_BAD_SIGNATURE = PKG_NSF + 0x5A,     // "The signature is invalid"
    ERR_SIM_OBJECT_MISSING = PKG_NSF + 0x18,    // "The attachment's object is missing"
    ERR_SIM_TIME_CONVERT = PKG_MISC + 0x21,     // "Invalid time or date"
    ERR_SIM_BUFFER_SMALL = PKG_MISC + 0x22,     // "Buffer too small"
    ERR_SIM_COLLECTION = PKG_NIF + 0x1A,        // "Invalid collection handle"
    ERR_SIM_NOT_A_VIEW = PKG_NIF + 0x1B,        // "The note is not a view or folder"
};

}  // namespace sim
