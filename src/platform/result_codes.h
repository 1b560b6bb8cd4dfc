#pragma once

#include <string_view>

namespace zelvane {

// Every result code the program tells apart: the system's (the Win32 error codes of the same
// value) and the program's own, which set bit 29 so that no system call returns them.
enum ResultCode : long {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    // A file that would be written over.
    kErrorAlreadyExists = 183,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
    // "The configuration registry key is invalid": a subtree nested deeper than the walks go.
    kErrorBadKey = 1010,
    // Deleted by someone else while the erase held it: gone, as the erase wanted.
    kErrorKeyDeleted = 1018,
    // The user said no to the elevation prompt, or the run was asked to stop.
    kErrorCancelled = 1223,
    kErrorPrivilegeNotHeld = 1314,
    // Another run for all users held this PC for longer than a run waits.
    kErrorTimeout = 1460,

    // A registry link was met on the way to the account where links are not followed, so the
    // place was refused.
    kErrorRegistryLink = 0x20000001,
    // A reparse point (junction, symbolic link, mount point) lies on the way to a file.
    kErrorReparsePoint = 0x20000002,
    // A hive file's path is not a full path on a local drive.
    kErrorNotLocalPath = 0x20000003,
    // A place the erase passes over because the backup did not read it.
    kErrorNotBackedUp = 0x20000004,
    // An object that no administrator made has the all-users lock's name (on a Windows
    // without private namespaces, where any user can make one first): the run goes on
    // without the lock.
    kErrorLockNameTaken = 0x20000005,
    // A place the erase leaves since what is there is not what the backup read.
    kErrorChangedSinceBackup = 0x20000006,
    // Keys below the account were made or deleted while it was read, so what was read may not
    // be what was there.
    kErrorChangedWhileRead = 0x20000007,
    // A key whose full name is longer than a counted string of the registry's calls holds.
    kErrorNameTooLong = 0x20000008,
    // Why a file the program writes (the log, the backup) is refused.
    // Not a full path to a file on a drive or a share.
    kErrorNotFilePath = 0x20000009,
    // The file's folder or the file is reached by another path than the one given.
    kErrorPathLeadsElsewhere = 0x2000000A,
    // A file with more than one name: what is written there shows under the other one too.
    kErrorHardLinked = 0x2000000B,
    // A file whose owner is not Administrators, SYSTEM or the account the program runs as.
    kErrorForeignOwner = 0x2000000C,
    // A file whose DACL lets in an account other than those three.
    kErrorOpenToOthers = 0x2000000D,
    // A restore finds the account there again: it writes nothing over it.
    kErrorThereAgain = 0x2000000E,
    // A place a backup names in a user's hive that the restore's walk did not reach.
    kErrorHiveNotReached = 0x2000000F,
};

// Whether the result says the key asked for is not there: never there, or deleted by someone
// else while it was held.
bool IsNotThere(long result);

// The text of one of the program's own codes; empty for any other code, which the system
// words.
std::wstring_view OwnResultText(long result);

}  // namespace zelvane
