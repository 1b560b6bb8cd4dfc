#include "command_line/before_erase.h"

#include "account_backup/account_subtree.h"
#include "account_erase/account_erase.h"
#include "command_line/output_escape.h"
#include "platform/decimal.h"

namespace zelvane {

namespace {

std::wstring Plural(int count, const wchar_t* word) {
    return Decimal(count) + L" " + word + (count == 1 ? L"" : L"s");
}

// Names what the .reg file cannot hold: shownParent is the place's NewOwners key.
void NameLeftOut(Report& report, const std::wstring& shownParent, const AccountSubtree& read) {
    for (const LeftOut& left : read.leftOut) {
        std::wstring name = shownParent + L"\\" + left.key;
        if (left.isValue) name += L" value \"" + left.value + L"\"";
        report.Status(L"not backed up", {name, L": ", left.why});
    }
}

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

// The place as the file names it: in a hive this run loaded under its private name, under
// the name Windows loads that hive by for its user, which is what a restore loads it as.
AccountPlace Restored(AccountPlace place, const UserHiveAccess::Loaded* hive) {
    if (hive) place.parent = OwnHiveName(hive->name) + place.parent.substr(hive->name.size());
    return place;
}

}  // namespace

void ExamineForErase(Registry& registry, Report& report, const std::wstring& uin,
                     const AccountPlace& place, LinkRule rule, bool sharedPlace,
                     bool namesLeftOut) {
    const AccountSubtree read =
        ReadAccountSubtree(registry, place, uin, rule, KeyAccess::kReadAndDelete);
    const std::wstring shown = ShownAs(place, registry);
    if (read.result == kErrorSuccess) {
        report.Status(L"would erase", {shown, L"\\", uin, L" (", Plural(read.keyCount, L"key"),
                                       L", ", Plural(read.valueCount, L"value"), L")"});
        ++report.tally.erased;
        if (namesLeftOut) NameLeftOut(report, shown, read);
    } else if (IsGone(read.result)) {
        report.Status(L"not there", {shown, L"\\", uin});
    } else {
        report.Failure({shown, L"\\", uin}, read.result, sharedPlace);
    }
}

EraseBackup::EraseBackup(Registry& registry, CommandHost& host, Report& report,
                         const std::wstring& uin, const std::wstring& file)
    : registry_(registry), host_(host), report_(report), uin_(uin), file_(file), backup_(uin) {}

void EraseBackup::Read(const std::vector<AccountPlace>& places, LinkRule rule, bool sharedPlace,
                       const std::vector<UserHiveAccess::Loaded>& loaded) {
    for (const AccountPlace& place : places) {
        const AccountSubtree read =
            ReadAccountSubtree(registry_, place, uin_, rule, KeyAccess::kRead);
        const UserHiveAccess::Loaded* hive = HiveOf(place, loaded);
        const std::wstring restored = ShownAs(Restored(place, hive), registry_);
        if (read.result == kErrorRegistryLink) {
            refused_.insert(restored);
        } else if (read.result != kErrorSuccess && !IsGone(read.result)) {
            report_.Failure(
                {ShownAs(place, registry_), L"\\", uin_, L": could not be read for the backup"},
                read.result, sharedPlace);
            ++unreadable_;
        } else {
            covered_.insert(restored);
            if (hive && !read.keys.empty()) NoteRestore(*hive);
            NameLeftOut(report_, restored, read);
            backup_.Add(restored, read);
        }
    }
}

// A hive that Windows loads only for its user's logon, or never (the default user's), is
// restored by loading it by hand under the name the file gives it.
void EraseBackup::NoteRestore(const UserHiveAccess::Loaded& hive) {
    const std::wstring own = OwnHiveName(hive.name);
    if (!noted_.insert(own).second) return;
    const std::wstring restore = L"To restore it: reg load HKU\\" + own + L" \"" +
                                 EscapedForOutput(hive.file) +
                                 L"\", then reg import this file, then reg unload HKU\\" + own;
    if (own.compare(0, std::wstring_view(kDefaultUserHive).size(), kDefaultUserHive) == 0) {
        backup_.Note(L"HKEY_USERS\\" + own +
                     L" stands for the default user's hive, which new profiles are copied from "
                     L"and which Windows does not load. " +
                     restore);
    } else {
        backup_.Note(L"HKEY_USERS\\" + own + L" was not loaded when this was written. " + restore);
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

std::vector<AccountPlace> EraseBackup::Covered(const std::vector<AccountPlace>& places,
                                               bool sharedPlace,
                                               const std::vector<UserHiveAccess::Loaded>& loaded) {
    std::vector<AccountPlace> covered;
    for (const AccountPlace& place : places) {
        const std::wstring restored = ShownAs(Restored(place, HiveOf(place, loaded)), registry_);
        if (covered_.count(restored) != 0) {
            covered.push_back(place);
        } else {
            report_.Failure({ShownAs(place, registry_), L"\\", uin_},
                            refused_.count(restored) != 0 ? kErrorRegistryLink : kErrorNotBackedUp,
                            sharedPlace);
        }
    }
    return covered;
}

}  // namespace zelvane
