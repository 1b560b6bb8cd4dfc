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
            return L"not a full path to a file, refused";
        case kErrorPathLeadsElsewhere:
            return L"leads elsewhere (a junction, link or short name), refused";
        case kErrorHardLinked:
            return L"a file with other names (hard links), refused";
        case kErrorForeignOwner:
            return L"owned by another account, refused";
        case kErrorOpenToOthers:
            return L"open to other accounts, refused";
        default:
            return {};
    }
}

}  // namespace zelvane
