#include "command_line/user_hive_access.h"

#include <algorithm>

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

bool IsMissing(long result) {
    return result == kErrorFileNotFound || result == kErrorPathNotFound;
}

bool KeyExists(Registry& registry, const std::wstring& name) {
    RegKey key = 0;
    const long result = registry.OpenKey(kHkeyUsers, name, key);
    if (result == kErrorSuccess) registry.CloseKey(key);
    return result == kErrorSuccess;
}

// Under HKEY_USERS, beside the system's own hives: a name no SID or ".DEFAULT" can take.
std::wstring PrivateName(const std::wstring& sid) {
    return L"Zelvane-" + sid;
}

// Where Windows Vista and later keep a profile's classes hive; Windows XP has none there.
constexpr wchar_t kClassesFile[] = L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";

}  // namespace

std::vector<UserProfile> ProfilesToReach(const std::vector<UserProfile>& profiles) {
    std::vector<UserProfile> reached;
    for (const UserProfile& profile : profiles) {
        if (IsPlainSid(profile.sid) && !IsServiceAccount(profile.sid)) reached.push_back(profile);
    }
    return reached;
}

UserHiveAccess::UserHiveAccess(Registry& registry, UserHives& hives, const UserProfile& profile)
    : hives_(hives) {
    const std::wstring classes = profile.sid + L"_Classes";
    if (KeyExists(registry, profile.sid)) {
        state_ = State::kLoggedOn;
        places_ = UserHivePlaces(profile.sid, KeyExists(registry, classes) ? classes : L"");
        return;
    }
    // An entry without a folder would name a file relative to the current directory.
    if (profile.directory.empty()) {
        state_ = State::kNoHive;
        return;
    }
    hiveFile_ = profile.directory + L"\\NTUSER.DAT";
    loadedAs_ = PrivateName(profile.sid);
    const std::wstring& name = loadedAs_;
    result_ = hives_.Load(name, hiveFile_);
    if (IsMissing(result_)) {
        state_ = State::kNoHive;
        return;
    }
    if (result_ != kErrorSuccess) return;
    loaded_.push_back(name);
    state_ = State::kLoadedHere;

    classesFile_ = profile.directory + kClassesFile;
    classesResult_ = hives_.Load(name + L"_Classes", classesFile_);
    if (classesResult_ == kErrorSuccess) loaded_.push_back(name + L"_Classes");
    if (IsMissing(classesResult_)) classesResult_ = kErrorSuccess;
    places_ = UserHivePlaces(
        name, classesResult_ == kErrorSuccess && loaded_.size() == 2 ? name + L"_Classes" : L"");
}

UserHiveAccess::~UserHiveAccess() {
    Unload();
}

long UserHiveAccess::Unload() {
    long first = kErrorSuccess;
    // The classes hive first: the reverse of loading.
    while (!loaded_.empty()) {
        const long result = hives_.Unload(loaded_.back());
        if (first == kErrorSuccess) first = result;
        loaded_.pop_back();
    }
    return first;
}

}  // namespace zelvane
