// The files this program writes (the log, the backup and its temporary file) go where their
// path says and nowhere else, whatever a user planted on the way: the program may run as
// SYSTEM, and a junction, symbolic link, mount point or hard link that a user made would
// otherwise let that user choose which file SYSTEM writes.
#pragma once

#include <string>

#include <windows.h>

namespace zelvane {

// A file opened in the folder that its full path names, with no reparse point on the way.
// The folders are opened from the root down, each inside the one before, and each is refused
// when it is a reparse point; where Windows can say where a handle leads (Vista and later),
// the folder's and then the file's must lead where the path says. The file is opened inside
// the folder's handle, as itself: a link is not followed. The folder stays open, and so
// cannot be renamed, until the file is released.
class PlacedFile {
  public:
    enum class Mode {
        kAppend,     // opened to append to; made where it is not there
        kCreateNew,  // made new, never over anything of that name
        kRead,       // opened to read, shared with readers alone
    };

    PlacedFile() = default;
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;
    ~PlacedFile() { Close(); }

    // Opens the file at full (a full path). One it makes gets a DACL of its own, whatever the
    // folder grants: Administrators, SYSTEM and the account the process runs as, no one
    // else. 0, or why not (kErrorNotFilePath, kErrorReparsePoint, kErrorPathLeadsElsewhere, a
    // system error); then nothing is left open, and a file made new is deleted again.
    long Open(const std::wstring& full, Mode mode);
    // Whether Open made the file.
    bool Created() const { return created_; }
    HANDLE File() const { return file_; }
    // The file's handle, now the caller's to close; the folder is closed.
    HANDLE Release() {
        const HANDLE file = file_;
        file_ = nullptr;
        Close();
        return file;
    }
    // Renames a file made new to name in the same folder, through its handle, never over
    // another file. 0, or the system error (kErrorAlreadyExists when name is there).
    long RenameTo(const std::wstring& name);
    // Deletes a file made new, through its handle.
    void Delete();

  private:
    void Close();

    HANDLE folder_ = nullptr;
    HANDLE file_ = nullptr;
    bool created_ = false;
};

// Whether a file that was there already may be appended to: it has one name, its owner is
// Administrators, SYSTEM or the account the process runs as, and its DACL lets no one else
// in. 0, or why not (kErrorHardLinked, kErrorForeignOwner, kErrorOpenToOthers, a system
// error), all read through the handle.
long CheckPrivateFile(HANDLE file);

// Where Windows has it (Windows 10 22H2, Windows 11), no junction that a non-administrator
// made is followed anywhere in the process from here on (RedirectionGuard): a second wall.
// PlacedFile's checks stay, since older systems lack it and it does not cover hard links.
void TurnOnRedirectionGuard();

}  // namespace zelvane
