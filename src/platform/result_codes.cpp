#include "platform/result_codes.h"

namespace zelvane {

bool IsNotThere(long result) {
    return result == kErrorFileNotFound || result == kErrorPathNotFound ||
           result == kErrorKeyDeleted;
}

std::wstring_view OwnResultText(long result) {
    switch (result) {
        case kErrorRegistryLink:
            return L"a registry link, not followed";
        case kErrorReparsePoint:
            return L"a reparse point (a junction or link), not followed";
        case kErrorNotLocalPath:
            return L"not a full path on a local drive, refused";
        case kErrorNotBackedUp:
            return L"not erased, since the backup does not hold it";
        case kErrorChangedSinceBackup:
            return L"changed since the backup read it; what changed is left as it is";
        case kErrorChangedWhileRead:
            return L"changed while it was read";
        case kErrorNameTooLong:
            return L"a key's full name is longer than the registry's calls take";
        case kErrorNotFilePath:
            return L"not a full path to a file";
        case kErrorPathLeadsElsewhere:
            return L"leads elsewhere (a link, or a short name)";
        case kErrorHardLinked:
            return L"a file with another name (a hard link)";
        case kErrorForeignOwner:
            return L"owned by another account";
        case kErrorOpenToOthers:
            return L"open to other accounts";
        case kErrorThereAgain:
            return L"there again; not restored";
        case kErrorHiveNotReached:
            return L"not restored, since no hive of its user was reached";
        default:
            return {};
    }
}

}  // namespace zelvane
