#pragma once
// The one safe replace for every file the program writes: temporary file, write, sync, rename and
// sync of the folder, so that neither a crash, a full disk nor a power cut leaves a file half
// written or lost. Failures come back in the program's codes with the step that failed.

#include <string>
#include <string_view>

#include "files/FileCalls.h"
#include "model/FileStore.h"

namespace vlx {

// Replaces the contents of `path` with `bytes`, creating its folder when missing. A replaced file
// keeps its permissions; a new one gets `newFileMode` as far as the user's umask allows. On failure
// the old file is untouched and no temporary file is left behind. Anything at `path` but a regular
// file (a folder, a device node, a pipe, a symbolic link even to a regular file) is refused with
// 5 at step "CreateFile" and left as it is. Only a folder sync that fails after the rename
// reports a failure with the new file already in place: it may not survive a power cut.
FileOutcome ReplaceFile(const std::string& path, std::string_view bytes,
                        unsigned newFileMode = 0666, FileCalls& calls = FileCalls::System());

// The last steps of a replace, for a writer that filled and synced its temporary file itself (an
// FTP fetch): renames `temporary` over `path` and syncs the folder. Anything at `path` but a
// regular file is refused with 5 at step "MoveFileEx", and both are left as they are.
FileOutcome MoveIntoPlace(const std::string& temporary, const std::string& path,
                          FileCalls& calls = FileCalls::System());

// Creates the folder that is to hold `path`, and any folder above it, as a replace does first.
ErrorCode CreateFolderOf(const std::string& path);

// Puts what was written through `descriptor` on the disk and closes it, whatever happens.
FileOutcome SyncAndClose(int descriptor, FileCalls& calls = FileCalls::System());

}  // namespace vlx
