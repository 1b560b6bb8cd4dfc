#include "hive_loading/user_hive_access.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "hive_loading/profile_path.h"
#include "platform/ascii_case.h"
#include "platform/registry.h"

namespace zelvane {

namespace {

bool IsPlainSid(const std::wstring& text) {
    return text.size() > 2 && text.compare(0, 2, L"S-") == 0 &&
           std::all_of(text.begin() + 2, text.end(),
                       [](wchar_t ch) { return ch == L'-' || (ch >= L'0' && ch <= L'9'); });
}

bool IsServiceAccount(const std::wstring& sid) {
    return sid == L"S-1-5-18" || sid == L"S-1-5-19" || sid == L"S-1-5-20";
}

constexpr wchar_t kPrivatePrefix[] = L"Zelvane-";

// A failed unload is tried again this often, this long apart: about two seconds in all.
constexpr int kUnloadTries = 10;
constexpr std::uint32_t kUnloadPauseMs = 200;

}  // namespace

std::vector<UserProfile> ProfilesToReach(std::vector<UserProfile> profiles) {
    std::erase_if(profiles, [](const UserProfile& profile) {
        const std::wstring sid = ProfileSid(profile.sid);
        return !IsPlainSid(sid) || IsServiceAccount(sid);
    });
    return profiles;
}

std::wstring ProfileSid(const std::wstring& entry) {
    constexpr std::wstring_view kBackup = L".bak";
    return EndsWithIgnoringAsciiCase(entry, kBackup)
               ? entry.substr(0, entry.size() - kBackup.size())
               : entry;
}

bool ClassesInUserHive(Registry& registry, const std::wstring& userKey) {
    RegKey key = 0;
    const long result = registry.OpenKey(kHkeyUsers, userKey + L"\\Software\\Classes", key,
                                         RegistryView::kNative, LinkRule::kFollowNone);
    if (key != 0) registry.CloseKey(key);
    return result != kErrorRegistryLink && !IsNotThere(result);
}

bool IsTemporaryOrBackup(const UserProfile& profile) {
    return (profile.state & (kProfileTemporary | kProfileBackup)) != 0;
}

std::wstring PrivateHiveName(const std::wstring& owner) {
    return kPrivatePrefix + owner;
}

bool IsPrivateHiveName(const std::wstring& name) {
    const std::wstring_view prefix = kPrivatePrefix;
    return name.size() > prefix.size() &&
           SameIgnoringAsciiCase(std::wstring_view(name).substr(0, prefix.size()), prefix);
}

std::wstring OwnHiveName(const std::wstring& privateName) {
    const std::size_t prefix = std::wstring_view(kPrivatePrefix).size();
    return IsPrivateHiveName(privateName) ? privateName.substr(prefix) : privateName;
}

long UnloadHiveWithRetries(Users& users, const std::wstring& name) {
    long result = users.UnloadHive(name);
    for (int tries = 1; result != kErrorSuccess && tries < kUnloadTries; ++tries) {
        users.Pause(kUnloadPauseMs);
        result = users.UnloadHive(name);
    }
    return result;
}

UserHiveAccess::LoadedList::~LoadedList() {
    while (!list.empty()) {
        UnloadHiveWithRetries(users, list.back().name);
        list.pop_back();
    }
}

UserHiveAccess::UserHiveAccess(Users& users, Registry& registry, const std::wstring& folder,
                               const std::wstring& owner, const std::wstring& userKey)
    : users_(users), loaded_{users, {}} {
    // Reserved now, so that recording a load never fails after it.
    loaded_.list.reserve(2);
    const std::wstring name = userKey.empty() ? PrivateHiveName(owner) : userKey;
    const std::wstring classes = PrivateHiveName(owner) + L"_Classes";
    where_ = folder;
    if (!IsLocalFullPath(folder)) {
        if (userKey.empty()) {
            result_ = kErrorNotLocalPath;
            return;
        }
        // The user's hive is there all the same; the classes hive cannot be looked for.
        state_ = State::kLoaded;
        classesResult_ = kErrorNotLocalPath;
        classesWhere_ = folder;
        places_ = UserHivePlaces(name, L"", ClassesInUserHive(registry, name));
        return;
    }
    const std::wstring checked = WithoutTrailingBackslash(folder);
    if (userKey.empty()) {
        const std::wstring file = checked + L"\\NTUSER.DAT";
        result_ = Load(name, file, where_);
        if (result_ != kErrorSuccess) {
            state_ = !IsNotThere(result_) ? State::kFailed
                     : where_ == file     ? State::kNotReached
                                          : State::kNoFolder;
            return;
        }
    }
    state_ = State::kLoaded;

    // A profile that never ran a program with file associations has no classes hive.
    classesResult_ = Load(classes, ClassesHivePath(checked, users_.VistaLayout()), classesWhere_);
    if (IsNotThere(classesResult_)) classesResult_ = kErrorSuccess;
    const bool classesLoaded = !loaded_.list.empty() && loaded_.list.back().name == classes;
    places_ =
        UserHivePlaces(name, classesLoaded ? classes : L"", ClassesInUserHive(registry, name));
}

long UserHiveAccess::Load(const std::wstring& name, const std::wstring& file, std::wstring& where) {
    const long checked = users_.CheckHivePath(file, where);
    if (checked != kErrorSuccess) return checked;
    where = file;
    Loaded entry{file, name};
    const long result = users_.LoadHive(name, file);
    if (result == kErrorSuccess) loaded_.list.push_back(std::move(entry));
    return result;
}

long UserHiveAccess::Unload(std::wstring& failedName) {
    long first = kErrorSuccess;
    // The classes hive first: the reverse of loading.
    while (!loaded_.list.empty()) {
        const long result = UnloadHiveWithRetries(users_, loaded_.list.back().name);
        if (first == kErrorSuccess && result != kErrorSuccess) {
            first = result;
            failedName = loaded_.list.back().name;
        }
        loaded_.list.pop_back();
    }
    return first;
}

}  // namespace zelvane
