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
