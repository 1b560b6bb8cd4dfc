// One account holding a large subtree, erased the program's way; the seeding and the checks
// that scripts/bench also uses around `wine reg delete` and zelvane.exe /erase.
#include <string>

#include <windows.h>

#include "account_erase/account_erase.h"
#include "bench_support.h"
#include "benchmarks.h"
#include "platform/win32/win32_registry.h"

namespace zelvane::bench {
namespace {

constexpr char kSibling[] = "100000001";
// The erased account's subtree: 100 groups, each with 99 keys below it.
constexpr int kTreeGroups = 100;
constexpr int kTreeChildren = 99;
constexpr std::size_t kTreeKeys = kTreeGroups * (1 + kTreeChildren);

std::string AccountPath(const std::string& uin) {
    return std::string(kNewOwners) + "\\" + uin;
}

void ExpectErased(const std::string& uin) {
    if (KeyExists(AccountPath(uin))) Fail("account " + uin + " is still there");
    if (!KeyExists(AccountPath(kSibling))) Fail("the sibling account was erased too");
}

}  // namespace

int SeedTree(int argc, char** argv) {
    if (argc != 1) Fail("usage: seed-tree <uin>");
    const std::string account = AccountPath(argv[0]);
    DeleteTreeIfPresent(account);
    const HKEY sibling = CreateKey(HKEY_CURRENT_USER, AccountPath(kSibling));
    SetStringValue(sibling, "Nick", "the account that stays");
    RegCloseKey(sibling);

    const Stopwatch clock;
    std::size_t values = 0;
    const HKEY top = CreateKey(HKEY_CURRENT_USER, account);
    SetStringValue(top, "Nick", "the account that goes");
    for (int group = 0; group < kTreeGroups; ++group) {
        const HKEY groupKey = CreateKey(top, "Group" + std::to_string(group));
        SetDwordValue(groupKey, "Index", static_cast<DWORD>(group));
        values += 1;
        for (int child = 0; child < kTreeChildren; ++child) {
            const HKEY childKey = CreateKey(groupKey, "Key" + std::to_string(child));
            SetStringValue(childKey, "Data", "contact " + std::to_string(group * 1000 + child));
            SetDwordValue(childKey, "Index", static_cast<DWORD>(child));
            values += 2;
            RegCloseKey(childKey);
        }
        RegCloseKey(groupKey);
    }
    RegCloseKey(top);
    const double milliseconds = clock.Milliseconds();

    const std::size_t keys = CountKeysBelow(account);
    if (keys != kTreeKeys) Fail("the seeded subtree holds " + std::to_string(keys) + " keys");
    Result("seed-tree")
        .Add("keys", std::to_string(keys))
        .Add("values", std::to_string(values))
        .Add("seed_ms", milliseconds)
        .Print();
    return 0;
}

int Erase(int argc, char** argv) {
    if (argc != 1) Fail("usage: erase <uin>");
    const std::string uin = argv[0];
    Win32Registry registry;
    // The current user's place, as the Erase handler deletes from it.
    const AccountPlace place = CurrentUserPlaces().front();
    if (!IsAccountName(Widen(uin))) Fail("the program refuses the account number " + uin);
    if (CountKeysBelow(AccountPath(uin)) != kTreeKeys) Fail("the account holds no seeded subtree");

    const Stopwatch clock;
    const long status =
        EraseAccount(registry, Widen(uin), {place}, LinkRule::kFollowAboveAccount).front().result;
    const double milliseconds = clock.Milliseconds();
    if (status != ERROR_SUCCESS) Fail("DeleteTree: error " + std::to_string(status));
    ExpectErased(uin);
    Result("erase-program").Add("ms", milliseconds).Print();
    return 0;
}

int CheckErased(int argc, char** argv) {
    if (argc != 1) Fail("usage: check-erased <uin>");
    ExpectErased(argv[0]);
    return 0;
}

int Clean() {
    DeleteTreeIfPresent("Software\\Mirabilis");
    return 0;
}

}  // namespace zelvane::bench
