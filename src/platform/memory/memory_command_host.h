#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/command_host.h"

namespace zelvane {

// Output captured in memory, message boxes recorded.
class MemoryCommandHost : public CommandHost {
  public:
    bool OpenOutput() override { return hasOutput; }
    void Write(const std::wstring& text, bool error) override { (error ? err : out) += text; }
    void ShowBox(const std::wstring& text, int, const std::wstring&) override {
        boxes.push_back(text);
    }
    bool Elevated() override { return elevated; }
    std::wstring ErrorText(long code) override { return L"error " + std::to_wstring(code); }
    // A path that does not start with a drive is in currentFolder.
    long FullPath(const std::wstring& path, std::wstring& full) override {
        full = path.size() > 2 && path[1] == L':' && path[2] == L'\\' ? path : currentFolder + path;
        return 0;
    }
    bool FileExists(const std::wstring& path) override {
        return files.count(path) != 0 || IsFolder(path);
    }
    bool IsFolder(const std::wstring& path) override { return folders.count(path) != 0; }
    std::wstring FileNameTime() override { return now; }
    long ReadFile(const std::wstring& path, std::string& bytes) override {
        const auto file = files.find(path);
        if (file == files.end()) return kErrorFileNotFound;
        bytes = file->second;
        return 0;
    }
    long WriteNewFile(const std::wstring& path, const std::string& bytes) override {
        if (writeFailure != 0) return writeFailure;
        if (files.count(path) != 0) return kErrorAlreadyExists;
        files[path] = bytes;
        if (onWrite) onWrite();
        return 0;
    }
    long OpenLog(const std::wstring& path) override {
        if (logFailure != 0) return logFailure;
        logPath = path;
        return 0;
    }
    long Log(const std::wstring& line) override {
        if (logPath.empty()) return 0;
        if (logWriteFailure != 0) return logWriteFailure;
        log += line;
        return 0;
    }
    std::wstring ComputerName() override { return L"PC01"; }
    bool StartHiveWorkUnlessStopped() override {
        if (hiveWork != 0) return false;  // the last one never ended
        if (stopAfter == 0) return false;
        --stopAfter;
        ++hiveWork;
        return true;
    }
    void EndHiveWork() override { --hiveWork; }

    bool hasOutput = true;
    bool elevated = true;
    int stopAfter =
        -1;            // how many times StartHiveWorkUnlessStopped says go; then stop (-1: always)
    int hiveWork = 0;  // started and not ended
    std::wstring out;
    std::wstring err;
    std::vector<std::wstring> boxes;
    std::map<std::wstring, std::string> files;  // the files written, by path
    std::set<std::wstring> folders;             // folders that are there, by path
    std::wstring now = L"20261208T060012Z";
    long writeFailure = 0;          // what WriteNewFile returns instead
    std::wstring logPath;           // the log opened, empty before
    std::wstring log;               // what was appended to it
    long logFailure = 0;            // what OpenLog returns instead
    long logWriteFailure = 0;       // what Log returns instead
    std::function<void()> onWrite;  // someone else at work as a file is written
    std::wstring currentFolder = L"C:\\Work\\";
};

}  // namespace zelvane
