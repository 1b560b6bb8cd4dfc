#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <windows.h>

namespace zelvane::bench {

// Wall-clock time from the performance counter.
class Stopwatch {
  public:
    Stopwatch();
    void Restart();
    double Milliseconds() const;

  private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

// The middle value; the mean of the two middle ones for an even count.
double Median(std::vector<double> values);

// Ends the run with a message on standard error: a benchmark whose work went wrong has no
// time worth printing.
[[noreturn]] void Fail(const std::string& what);

// A count from the command line, above zero; ends the run on anything else.
std::size_t ParseCount(const char* text);

// An ASCII path or number as the wide string the registry's W functions take.
std::wstring Widen(const std::string& text);

// One line of results on standard output: "RESULT <what> key=value ...", read by the
// table that scripts/bench prints.
class Result {
  public:
    explicit Result(const std::string& what);
    Result& Add(const std::string& key, double value);
    Result& Add(const std::string& key, const std::string& value);
    void Print() const;

  private:
    std::string line_;
};

// The key the program lists, under the current user's hive.
inline constexpr char kNewOwners[] = "Software\\Mirabilis\\ICQ\\NewOwners";

// Opens the current user's key at path, calls each(name, length) for its subkeys in the
// registry's order until RegEnumKeyExW fails, closes it, and returns how many it found; ends
// the run when the key cannot be opened. Inline, so that a loop that only counts is the
// bare enumeration the listing is measured against.
template <typename Each>
std::size_t ForEachSubkey(const std::wstring& path, Each&& each) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) !=
        ERROR_SUCCESS) {
        Fail("cannot open " + std::string(path.begin(), path.end()));
    }
    wchar_t name[256];
    std::size_t count = 0;
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        each(static_cast<const wchar_t*>(name), size);
        ++count;
    }
    RegCloseKey(key);
    return count;
}

// Registry helpers on the current user's hive, with ANSI paths. Each ends the run when the
// registry refuses.
HKEY CreateKey(HKEY parent, const std::string& path);
void SetStringValue(HKEY key, const char* name, const std::string& data);
void SetDwordValue(HKEY key, const char* name, DWORD data);
void DeleteTreeIfPresent(const std::string& path);
bool KeyExists(const std::string& path);
// Every key below path, at any depth; path itself not counted.
std::size_t CountKeysBelow(const std::string& path);
// Replaces the key's subkeys with `count` account keys named by nine-digit numbers, as the
// messenger's are; returns the time it took.
double SeedAccounts(const std::string& path, std::size_t count);

}  // namespace zelvane::bench
