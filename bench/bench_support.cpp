#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <shlwapi.h>

namespace zelvane::bench {

Stopwatch::Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    Restart();
}

void Stopwatch::Restart() {
    QueryPerformanceCounter(&start_);
}

double Stopwatch::Milliseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency_.QuadPart);
}

double Median(std::vector<double> values) {
    if (values.empty()) Fail("median of no values");
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    if (values.size() % 2 == 1) return values[middle];
    return (values[middle - 1] + values[middle]) / 2.0;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: FAILED: %s\n", what.c_str());
    std::fflush(stderr);
    std::exit(1);
}

std::size_t ParseCount(const char* text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value == 0) Fail(std::string("not a count: ") + text);
    return value;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

Result::Result(const std::string& what) : line_("RESULT " + what) {}

Result& Result::Add(const std::string& key, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return Add(key, std::string(text));
}

Result& Result::Add(const std::string& key, const std::string& value) {
    line_ += " " + key + "=" + value;
    return *this;
}

void Result::Print() const {
    std::printf("%s\n", line_.c_str());
    std::fflush(stdout);
}

HKEY CreateKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        Fail("RegCreateKeyExA " + path + ": error " + std::to_string(result));
    }
    return key;
}

void SetStringValue(HKEY key, const char* name, const std::string& data) {
    const LONG result =
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    if (result != ERROR_SUCCESS) Fail("RegSetValueExA: error " + std::to_string(result));
}

void SetDwordValue(HKEY key, const char* name, DWORD data) {
    const LONG result =
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    if (result != ERROR_SUCCESS) Fail("RegSetValueExA: error " + std::to_string(result));
}

void DeleteTreeIfPresent(const std::string& path) {
    const DWORD result = SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        Fail("SHDeleteKeyA " + path + ": error " + std::to_string(result));
    }
}

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::size_t CountKeysBelow(const std::string& path) {
    std::vector<std::string> children;
    // The benchmarks name their keys in ASCII.
    ForEachSubkey(Widen(path), [&children](const wchar_t* name, DWORD length) {
        children.emplace_back(name, name + length);
    });
    std::size_t count = children.size();
    for (const std::string& child : children) count += CountKeysBelow(path + "\\" + child);
    return count;
}

double SeedAccounts(const std::string& path, std::size_t count) {
    DeleteTreeIfPresent(path);
    const Stopwatch clock;
    const HKEY parent = CreateKey(HKEY_CURRENT_USER, path);
    for (std::size_t index = 0; index < count; ++index) {
        RegCloseKey(CreateKey(parent, std::to_string(100000000 + index)));
    }
    RegCloseKey(parent);
    const double milliseconds = clock.Milliseconds();
    if (CountKeysBelow(path) != count) Fail("seeding " + path + " made the wrong number of keys");
    return milliseconds;
}

}  // namespace zelvane::bench
