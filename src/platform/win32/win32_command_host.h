#pragma once

#include <windows.h>

#include "platform/command_host.h"

namespace zelvane {

// The command line's output on Windows: the inherited standard handles (a pipe or a file,
// written in UTF-8; a console, written as UTF-16), else the console of the parent process.
class Win32CommandHost : public CommandHost {
  public:
    ~Win32CommandHost() override;

    bool OpenOutput() override;
    void Write(const std::wstring& text, bool error) override;
    void ShowBox(const std::wstring& text, int style, const std::wstring& title) override;
    bool Elevated() override;
    std::wstring ErrorText(long code) override;
    bool FileExists(const std::wstring& path) override;
    bool IsFolder(const std::wstring& path) override;
    std::wstring FileNameTime() override;
    long ReadFile(const std::wstring& path, std::string& bytes) override;
    long FullPath(const std::wstring& path, std::wstring& full) override;
    long WriteNewFile(const std::wstring& path, const std::string& bytes) override;
    long OpenLog(const std::wstring& path) override;
    long Log(const std::wstring& line) override;
    std::wstring ComputerName() override;
    bool StartHiveWorkUnlessStopped() override;
    void EndHiveWork() override;

  private:
    HANDLE out_ = nullptr;
    HANDLE err_ = nullptr;
    HANDLE console_ = nullptr;  // CONOUT$ of the parent's console, when attached to it
    HANDLE log_ = nullptr;      // the log, opened to append to
    bool handlerSet_ = false;   // the console control handler is installed
};

}  // namespace zelvane
