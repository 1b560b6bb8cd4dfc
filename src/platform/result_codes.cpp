#include "platform/result_codes.h"

namespace zelvane {

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
            return L"changed since the backup read it; left as it is";
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
        default:
            return {};
    }
}

}  // namespace zelvane
