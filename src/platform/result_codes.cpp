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
        default:
            return {};
    }
}

}  // namespace zelvane
