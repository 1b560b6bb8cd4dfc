// Reading an account's subtree the program's way, with the time spent in each kind of
// registry call; and the read for a backup followed by the erase that goes with it.
#include <map>
#include <string>

#include <windows.h>

#include "account_backup/account_subtree.h"
#include "account_backup/backed_up_erase.h"
#include "bench_support.h"
#include "benchmarks.h"
#include "platform/win32/win32_registry.h"

namespace zelvane::bench {
namespace {

// The Win32 registry, counting and timing every call the logic makes through it.
class TimedRegistry : public Registry {
  public:
    struct Tally {
        std::size_t calls = 0;
        double ms = 0;
    };
    std::map<std::string, Tally> tallies;

    // Each call is timed alone, so that the walk's own work between calls is left out.
    template <typename Call>
    auto Timed(const char* name, Call&& call) {
        const Stopwatch clock;
        auto result = call();
        Tally& tally = tallies[name];
        ++tally.calls;
        tally.ms += clock.Milliseconds();
        return result;
    }

    long OpenKey(std::int32_t root, const std::wstring& path, RegKey& key, RegistryView view,
                 LinkRule links) override {
        return Timed("OpenKey", [&] { return real_.OpenKey(root, path, key, view, links); });
    }
    long EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) override {
        return Timed("EnumKey", [&] { return real_.EnumKey(key, index, name, size); });
    }
    long CloseKey(RegKey key) override {
        return Timed("CloseKey", [&] { return real_.CloseKey(key); });
    }
    DeleteResult DeleteTree(std::int32_t root, const std::wstring& parentPath,
                            const std::wstring& name, RegistryView view, LinkRule links) override {
        return Timed("DeleteTree",
                     [&] { return real_.DeleteTree(root, parentPath, name, view, links); });
    }
    long OpenSubtree(std::int32_t root, const std::wstring& parentPath, const std::wstring& name,
                     RegistryView view, LinkRule links, KeyAccess access, RegKey& key) override {
        return Timed("OpenSubtree", [&] {
            return real_.OpenSubtree(root, parentPath, name, view, links, access, key);
        });
    }
    long OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                    RegKey& subkey) override {
        return Timed("OpenSubkey", [&] { return real_.OpenSubkey(key, name, access, subkey); });
    }
    long LinkTarget(RegKey key, bool& link, std::wstring& target) override {
        return Timed("LinkTarget", [&] { return real_.LinkTarget(key, link, target); });
    }
    long EnumValue(RegKey key, std::int32_t index, RegistryValue& value) override {
        return Timed("EnumValue", [&] { return real_.EnumValue(key, index, value); });
    }
    long DeleteKey(RegKey key) override {
        return Timed("DeleteKey", [&] { return real_.DeleteKey(key); });
    }
    long CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) override {
        return Timed("CreateKey", [&] { return real_.CreateKey(key, name, subkey); });
    }
    long SetValue(RegKey key, const RegistryValue& value) override {
        return Timed("SetValue", [&] { return real_.SetValue(key, value); });
    }
    long WatchSubkeys(RegKey key, bool subtree, RegWatch& watch) override {
        return Timed("WatchSubkeys", [&] { return real_.WatchSubkeys(key, subtree, watch); });
    }
    bool EndWatch(RegWatch watch) override {
        return Timed("EndWatch", [&] { return real_.EndWatch(watch); });
    }
    bool Is64BitWindows() const override { return real_.Is64BitWindows(); }

    // Adds each kind of call's count and milliseconds to the result.
    void AddTo(Result& result) const {
        for (const auto& [name, tally] : tallies) {
            result.Add(name + "_calls", std::to_string(tally.calls)).Add(name + "_ms", tally.ms);
        }
    }

  private:
    Win32Registry real_;
};

const AccountPlace& UserPlace() {
    static const AccountPlace place = CurrentUserPlaces().front();
    return place;
}

}  // namespace

int Read(int argc, char** argv) {
    if (argc != 1) Fail("usage: read <uin>");
    const std::wstring uin = Widen(argv[0]);
    TimedRegistry registry;
    const Stopwatch clock;
    const AccountSubtree read = ReadAccountSubtree(
        registry, UserPlace(), uin, LinkRule::kFollowAboveAccount, KeyAccess::kErase);
    const double milliseconds = clock.Milliseconds();
    if (read.result != kErrorSuccess) Fail("the read failed: " + std::to_string(read.result));
    Result result("read-program");
    result.Add("ms", milliseconds).Add("keys", std::to_string(read.keyCount));
    registry.AddTo(result);
    result.Print();
    return 0;
}

// What /erase /backup does in each place once it is wired to the compared erase: the read
// that the file is written from, then the erase that compares each key with it.
int BackupErase(int argc, char** argv) {
    if (argc != 1) Fail("usage: backup-erase <uin>");
    const std::wstring uin = Widen(argv[0]);
    Win32Registry registry;
    const Stopwatch clock;
    const AccountSubtree read = ReadAccountSubtree(registry, UserPlace(), uin,
                                                   LinkRule::kFollowAboveAccount, KeyAccess::kRead);
    const double readMs = clock.Milliseconds();
    if (read.result != kErrorSuccess) Fail("the read failed: " + std::to_string(read.result));
    const PlaceOutcome erased =
        EraseAsBackedUp(registry, UserPlace(), uin, LinkRule::kFollowAboveAccount, read);
    const double milliseconds = clock.Milliseconds();
    if (erased.result != kErrorSuccess) Fail("the erase failed: " + std::to_string(erased.result));
    Result("backup-erase-program")
        .Add("ms", milliseconds)
        .Add("read_ms", readMs)
        .Add("erase_ms", milliseconds - readMs)
        .Print();
    return 0;
}

}  // namespace zelvane::bench
