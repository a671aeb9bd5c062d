#pragma once
// The one translation of C library error numbers into the program's codes, shared by the core's
// own file reading and by every platform binding that calls the system (serial device, settings
// store, file helpers), so a missing file or a full disk reads the same wherever it is met.

#include <string_view>

#include "report/ErrorCode.h"

namespace vlx {

// What the failed call was doing: an I/O error reads differently for a read and for a write.
enum class FileOperation { kOther, kRead, kWrite };

// ENOENT 2 (3 when `path` is given and the folder that should hold it is missing: the user is
// helped by knowing which), ENOTDIR 3, EACCES, EPERM and EISDIR 5, ENOMEM 14, EEXIST 183, ENOSPC
// and EDQUOT 112, ENAMETOOLONG 206, EIO 30 on a read and 29 on a write. Any other number keeps the
// library's own text under err::FromErrno.
//
// Callers may tell more apart on top of this table; the serial device does.
ErrorCode ErrorCodeFromErrno(int error, FileOperation operation = FileOperation::kOther,
                             std::string_view path = {});

}  // namespace vlx
