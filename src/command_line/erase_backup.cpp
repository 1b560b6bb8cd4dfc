#include "command_line/erase_backup.h"

#include <algorithm>

#include "account_backup/account_subtree.h"
#include "account_erase/account_erase.h"
#include "platform/output_escape.h"

namespace zelvane {

namespace {

// The hive this run loaded that the place lies in, if any.
const UserHiveAccess::Loaded* HiveOf(const AccountPlace& place,
                                     const std::vector<UserHiveAccess::Loaded>& loaded) {
    if (place.hive != kHkeyUsers) return nullptr;
    for (const UserHiveAccess::Loaded& hive : loaded) {
        if (place.parent.size() > hive.name.size() && place.parent[hive.name.size()] == L'\\' &&
            place.parent.compare(0, hive.name.size(), hive.name) == 0) {
            return &hive;
        }
    }
    return nullptr;
}

// The place's name in the file: in a hive this run loaded under its private name, under the
// name Windows loads that hive by for its user, which is what a restore loads it as.
std::wstring RestoredName(const Registry& registry, AccountPlace place,
                          const UserHiveAccess::Loaded* hive) {
    if (hive) place.parent = OwnHiveName(hive->name) + place.parent.substr(hive->name.size());
    return ShownAs(place, registry);
}

}  // namespace

void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read) {
    for (const LeftOut& left : read.leftOut) {
        std::wstring name = shownParent + L"\\" + left.key;
        if (left.isValue) name += L" value \"" + left.value + L"\"";
        report.Status(L"not backed up", {name, L": ", kUnwritableName});
    }
}

EraseBackup::EraseBackup(Registry& registry, CommandHost& host, Report& report,
                         const std::wstring& uin, const std::wstring& file)
    : registry_(registry), host_(host), report_(report), uin_(uin), file_(file), backup_(uin) {}

void EraseBackup::Read(const std::vector<AccountPlace>& places, LinkRule rule, bool elevationHelps,
                       const std::vector<UserHiveAccess::Loaded>& loaded) {
    for (const AccountPlace& place : places) {
        AccountSubtree read = ReadAccountSubtree(registry_, place, uin_, rule, KeyAccess::kRead);
        const UserHiveAccess::Loaded* hive = HiveOf(place, loaded);
        const std::wstring restored = RestoredName(registry_, place, hive);
        if (read.result == kErrorRegistryLink) {
            refused_.push_back(restored);
        } else if (read.result != kErrorSuccess && !IsNotThere(read.result)) {
            report_.Failure(
                {ShownAs(place, registry_, uin_), L": could not be read for the backup"},
                read.result, elevationHelps);
            ++unreadable_;
        } else if (!read.leftOut.empty()) {
            // Left as it is by the erase, which never takes what the file does not hold.
            NameLeftOut(report_, restored, read);
        } else {
            if (hive && !read.keys.empty()) {
                const std::wstring own = OwnHiveName(hive->name);
                backup_.NeedsHive(own, hive->file,
                                  own.compare(0, std::wstring_view(kDefaultUserHive).size(),
                                              kDefaultUserHive) == 0);
            }
            backup_.Add(restored, read);
            held_.emplace_back(restored, std::move(read));
        }
    }
}

bool EraseBackup::Write() {
    const std::wstring uin = EscapedForOutput(uin_);
    if (unreadable_ > 0) {
        report_.Line({uin, L": nothing was erased: the backup could not read ",
                      Plural(unreadable_, L"place"), L"."});
        return false;
    }
    const long written = host_.WriteNewFile(file_, backup_.Bytes());
    if (written != kErrorSuccess) {
        report_.Failure({file_, L": the backup could not be written"}, written, false);
        report_.Line({uin, L": nothing was erased, since its backup could not be written."});
        return false;
    }
    report_.Status(L"backed up", {file_, L" (", Plural(backup_.keys(), L"key"), L", ",
                                  Plural(backup_.values(), L"value"), L")"});
    return true;
}

// What is there now is read again right before the erase, so that nothing written since the
// backup read the place (a value added, a key created, the account made where it was not
// there) is erased without being in the file. What remains is the moment between this read
// and the erase's own walk of the same keys, a few milliseconds, where the whole run once was.
bool EraseBackup::MayErase(const AccountPlace& place, LinkRule rule, bool elevationHelps,
                           const std::vector<UserHiveAccess::Loaded>& loaded) {
    const std::wstring restored = RestoredName(registry_, place, HiveOf(place, loaded));
    const std::wstring account = ShownAs(place, registry_, uin_);
    const auto held = std::find_if(held_.begin(), held_.end(),
                                   [&](const auto& entry) { return entry.first == restored; });
    if (held == held_.end()) {
        report_.Failure({account},
                        std::find(refused_.begin(), refused_.end(), restored) != refused_.end()
                            ? kErrorRegistryLink
                            : kErrorNotBackedUp,
                        elevationHelps);
        return false;
    }
    const AccountSubtree now = ReadAccountSubtree(registry_, place, uin_, rule, KeyAccess::kRead);
    if (!report_.AccountThere(account, now.result, elevationHelps)) return false;
    if (held->second.result != kErrorSuccess || !(now == held->second)) {
        report_.Failure({account}, kErrorChangedSinceBackup, elevationHelps);
        return false;
    }
    return true;
}

}  // namespace zelvane
