#include "command_line/all_users.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

#include "hive_loading/profile_path.h"
#include "hive_loading/user_hive_access.h"
#include "platform/ascii_case.h"
#include "platform/decimal.h"

namespace zelvane {

namespace {

// Whether two profile entries name one folder: the same but for trailing backslashes and the
// case of ASCII letters (the letters Windows' own profile paths use).
bool SameFolder(std::wstring_view a, std::wstring_view b) {
    const auto trimmed = [](std::wstring_view folder) {
        return folder.substr(0, folder.find_last_not_of(L'\\') + 1);
    };
    return !trimmed(a).empty() && SameIgnoringAsciiCase(trimmed(a), trimmed(b));
}

// How a profile's hives are reached: both loaded from its files, with a missing NTUSER.DAT a
// failure (kProfile) or nothing to erase (kSpareProfile: an entry Windows marks as a
// temporary or backup profile's; kDefaultUser); or the classes hive alone, beside the
// user's hive that is loaded already (kClassesAlone).
enum class Reaching { kProfile, kSpareProfile, kDefaultUser, kClassesAlone };

class UserWalk {
  public:
    UserWalk(CommandRun& run, Report& told, const OwnerVisit& visit)
        : run_(run), told_(told), visit_(visit) {}

    bool Run() {
        std::vector<UserProfile> listed;
        const long read = run_.users.Profiles(listed);
        if (read != kErrorSuccess) {
            told_.Failure({L"the list of profiles could not be read"}, read, true);
        }
        std::vector<UserProfile> profiles = ProfilesToReach(std::move(listed));
        std::erase_if(profiles,
                      [this](const UserProfile& profile) { return !Wanted(profile.sid); });
        // Who is logged on, known before any load: a folder that a logged-on user's hive
        // covers is not loaded again under another SID.
        std::vector<long> opened(profiles.size());
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            opened[i] = OpenUser(profiles[i].sid);
            if (opened[i] == kErrorSuccess) Reached(profiles[i]);
        }
        for (std::size_t i = 0; i < profiles.size(); ++i) {
            if (!VisitProfile(profiles[i], opened[i])) {
                return Stopped(Decimal(static_cast<int>(profiles.size() - i)) +
                               L" profiles, the default user");
            }
        }
        if (Wanted(kDefaultUserHive) && !VisitDefaultUser()) return Stopped(L"the default user");
        return true;
    }

  private:
    // Whether the run reaches this entry of the profile list (or kDefaultUserHive).
    bool Wanted(const std::wstring& entry) const {
        const std::vector<std::wstring>& reach = run_.arguments.reach;
        return reach.empty() || std::find(reach.begin(), reach.end(), entry) != reach.end();
    }

    // Whether the user's hive is loaded, as opening it under its SID tells: 0 it is, "not
    // found" it is not; anything else is not known, and fails for that user.
    long OpenUser(const std::wstring& sid) {
        RegKey key = 0;
        const long result = run_.registry.OpenKey(kHkeyUsers, sid, key);
        if (key != 0) run_.registry.CloseKey(key);
        return result;
    }

    void Reached(const UserProfile& profile) {
        // Copied, then moved in, as the profile list is filled: one instance serves both.
        if (!profile.directory.empty()) reached_.push_back(UserProfile(profile));
    }

    // False when asked to stop before this profile.
    bool VisitProfile(const UserProfile& profile, long opened) {
        const std::wstring user = UserText(run_.users, profile.sid);
        const bool elevationHelps = ProfileSid(profile.sid) != run_.users.CurrentUser();
        if (opened == kErrorSuccess) {
            const std::wstring classes = profile.sid + L"_Classes";
            if (OpenUser(classes) != kErrorFileNotFound) {
                visit_({user,
                        UserHivePlaces(profile.sid, classes,
                                       ClassesInUserHive(run_.registry, profile.sid)),
                        LinkRule::kFollowNone,
                        elevationHelps,
                        {}});
                return true;
            }
            // The user's hive without its classes hive: loaded by someone else (reg load, a
            // tool) rather than by a logon, or under Wine, which loads no classes hive.
            return Reach(user, profile.directory, profile.sid, elevationHelps,
                         Reaching::kClassesAlone);
        }
        if (opened != kErrorFileNotFound) {
            told_.Failure({user, L": its hive HKEY_USERS\\", profile.sid}, opened, elevationHelps);
            return true;
        }
        for (const UserProfile& other : reached_) {
            if (SameFolder(other.directory, profile.directory) && other.sid != profile.sid) {
                told_.Status(L"covered", {user, L": ", profile.directory, L" is the folder of ",
                                          UserText(run_.users, other.sid), L", reached there"});
                return true;
            }
        }
        const Reaching reaching =
            IsTemporaryOrBackup(profile) ? Reaching::kSpareProfile : Reaching::kProfile;
        if (!Reach(user, profile.directory, profile.sid, elevationHelps, reaching)) return false;
        Reached(profile);
        return true;
    }

    bool VisitDefaultUser() {
        constexpr wchar_t kUser[] = L"the default user";
        std::wstring folder;
        const long read = run_.users.DefaultUserFolder(folder);
        if (read == kErrorFileNotFound) {
            told_.Status(L"nothing", {kUser, L": Windows names no default profile"});
            return true;
        }
        if (read != kErrorSuccess) {
            told_.Failure({kUser, L": its folder"}, read, true);
            return true;
        }
        // A template without a hive file holds nothing that new users could be given.
        return Reach(kUser, folder, kDefaultUserHive, true, Reaching::kDefaultUser);
    }

    // Loads a profile's hive files, visits them, unloads them, and only then writes what
    // was done; false, with nothing loaded, when the run was asked to stop.
    bool Reach(const std::wstring& user, const std::wstring& folder, const std::wstring& owner,
               bool elevationHelps, Reaching reaching) {
        if (!run_.host.StartHiveWorkUnlessStopped()) return false;
        run_.report.Hold();
        try {
            LoadVisitUnload(user, folder, owner, elevationHelps, reaching);
        } catch (...) {
            run_.host.EndHiveWork();
            run_.report.Release();
            throw;
        }
        run_.host.EndHiveWork();
        run_.report.Release();
        return true;
    }

    void LoadVisitUnload(const std::wstring& user, const std::wstring& folder,
                         const std::wstring& owner, bool elevationHelps, Reaching reaching) {
        UserHiveAccess access(run_.users, run_.registry, folder, owner,
                              reaching == Reaching::kClassesAlone ? owner : L"");
        if (access.state() != UserHiveAccess::State::kLoaded) {
            TellNotLoaded(user, folder, access, elevationHelps, reaching);
            return;
        }
        for (const UserHiveAccess::Loaded& hive : access.LoadedHives()) {
            told_.Status(L"loaded", {user, L": ", hive.file, L" as HKEY_USERS\\", hive.name});
        }
        // Beside a user's hive that is there, the classes hive that could not be loaded is a
        // copy of the user's places that this run does not reach.
        if (access.ClassesResult() != kErrorSuccess) {
            HiveFailure(user, folder, access.ClassesWhere(), access.ClassesResult(), elevationHelps,
                        reaching == Reaching::kClassesAlone ? L"not reached" : L"failed");
        }
        // Each user may write their own hive, links included.
        visit_({user, access.TakePlaces(), LinkRule::kFollowNone, elevationHelps,
                access.LoadedHives()});
        std::wstring name;
        const long unloaded = access.Unload(name);
        if (unloaded != kErrorSuccess) {
            run_.report.Failure({user, L": HKEY_USERS\\", name, L" stays loaded"}, unloaded,
                                elevationHelps);
        }
    }

    // A profile whose folder is not there is named; it fails nothing, as no hive of the
    // user is there. One whose folder lacks its NTUSER.DAT is "not reached", a failure for an
    // ordinary profile, whose folder holds that file (the account may be in it once it is
    // back: a roaming profile's copy not yet written).
    void TellNotLoaded(const std::wstring& user, const std::wstring& folder,
                       const UserHiveAccess& access, bool elevationHelps, Reaching reaching) {
        const UserHiveAccess::State state = access.state();
        if (state == UserHiveAccess::State::kFailed) {
            HiveFailure(user, folder, access.Where(), access.Result(), elevationHelps, L"failed");
        } else if (state == UserHiveAccess::State::kNoFolder &&
                   reaching != Reaching::kDefaultUser) {
            if (access.Where() == WithoutTrailingBackslash(folder)) {
                told_.Status(L"no profile folder", {user, L": ", folder});
            } else {
                told_.Status(L"no profile folder",
                             {user, L": ", folder, L" (", access.Where(), L" is not there)"});
            }
        } else if (reaching == Reaching::kProfile) {
            told_.Failure({user, L": ", access.Where()}, access.Result(), elevationHelps,
                          L"not reached");
        } else {
            told_.Status(L"nothing", {user, L": no ", access.Where()});
        }
    }

    void HiveFailure(const std::wstring& user, const std::wstring& folder,
                     const std::wstring& where, long result, bool elevationHelps,
                     std::wstring_view word) {
        if (result == kErrorNotLocalPath && where == folder) {
            told_.Failure({user, L": the profile folder \"", folder, L"\""}, result, elevationHelps,
                          word);
        } else {
            told_.Failure({user, L": ", where}, result, elevationHelps, word);
        }
    }

    bool Stopped(const std::wstring& left) {
        run_.report.Failure({L"asked to stop; not reached: ", left, L" and the shared places"},
                            kErrorCancelled, false, L"stopped");
        return false;
    }

    CommandRun& run_;
    Report& told_;
    const OwnerVisit& visit_;
    // The profiles whose hives were reached.
    std::vector<UserProfile> reached_;
};

}  // namespace

void UnloadLeftovers(CommandRun& run) {
    std::vector<std::wstring> names;
    RegKey key = 0;
    long result = run.registry.OpenKey(kHkeyUsers, L"", key);
    for (std::int32_t index = 0; result == kErrorSuccess; ++index) {
        wchar_t name[kMaxKeyName + 1] = {};
        std::uint32_t size = kMaxKeyName + 1;
        result = run.registry.EnumKey(key, index, name, size);
        if (result != kErrorSuccess) break;
        std::wstring found(name, size);
        if (IsPrivateHiveName(found)) names.push_back(std::move(found));
    }
    if (key != 0) run.registry.CloseKey(key);
    if (result != kErrorNoMoreItems) {
        run.report.Failure({L"HKEY_USERS, for hives an earlier run left loaded"}, result, true);
    }
    // Classes hives first, the reverse of loading.
    for (const bool classes : {true, false}) {
        for (const std::wstring& name : names) {
            if (EndsWithIgnoringAsciiCase(name, L"_Classes") != classes) continue;
            const long unloaded = UnloadHiveWithRetries(run.users, name);
            if (unloaded == kErrorSuccess) {
                run.report.Notice(L"unloaded", {L"HKEY_USERS\\", name,
                                                L": left loaded by an earlier run that was ended"});
            } else {
                run.report.Failure(
                    {L"HKEY_USERS\\", name, L": left loaded by an earlier run, and not unloaded"},
                    unloaded, true);
            }
        }
    }
}

bool ForEachUser(CommandRun& run, Report& told, const OwnerVisit& visit) {
    return UserWalk(run, told, visit).Run();
}

}  // namespace zelvane
