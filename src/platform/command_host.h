#pragma once

#include <string>

#include "platform/result_codes.h"

namespace zelvane {

// Where a run from the command line reports to, and what it asks of the process.
class CommandHost {
  public:
    virtual ~CommandHost() = default;
    // Finds where text can go: the standard handles the process inherited, else the console
    // of the process that started it. False when there is neither.
    virtual bool OpenOutput() = 0;
    // Writes to what OpenOutput found; errors to the error stream where there is one.
    virtual void Write(const std::wstring& text, bool error) = 0;
    // A message box for a run that has nowhere to write (styles as Runtime::MsgBox takes).
    virtual void ShowBox(const std::wstring& text, int style, const std::wstring& title) = 0;
    // Whether the process runs with administrator rights in effect.
    virtual bool Elevated() = 0;
    // The system's text for an error code, without a trailing period or line break.
    virtual std::wstring ErrorText(long code) = 0;
    // The full path that a file of that name is written to, as the system makes it (from the
    // current folder, without trailing spaces and dots); 0, or the system error.
    virtual long FullPath(const std::wstring& path, std::wstring& full) = 0;
    // Whether something of that name is there to be overwritten.
    virtual bool FileExists(const std::wstring& path) = 0;
    // Whether a folder of that name is there.
    virtual bool IsFolder(const std::wstring& path) = 0;
    // The time now, in UTC, as a file name holds it: "20261208T060012Z".
    virtual std::wstring FileNameTime() = 0;
    // Reads a whole file (up to 256 MiB), reached as the files this program writes are: no
    // reparse point on the way, and where Windows says where a handle leads, the path given.
    // 0, or why not.
    virtual long ReadFile(const std::wstring& path, std::string& bytes) = 0;
    // Writes a new file whole or not at all: into a temporary file beside path, flushed to
    // the disk, then renamed to path, which is never overwritten. 0, or the system error
    // (kErrorAlreadyExists when path is there by then), and then nothing is left behind. Both
    // files may be read and written by administrators, the system and the account the
    // process runs as alone, and are written only where path says, as OpenLog's are.
    virtual long WriteNewFile(const std::wstring& path, const std::string& bytes) = 0;
    // Opens the log file that Log appends to: created where it is not there, readable and
    // writable by administrators, the system and the process's account alone; never
    // truncated. Refused when it is reached through a junction, link or mount point
    // (kErrorReparsePoint, kErrorPathLeadsElsewhere), and, when it is there already, when it
    // has another name (kErrorHardLinked) or another owner or anyone else may open it
    // (kErrorForeignOwner, kErrorOpenToOthers). 0, or why not.
    virtual long OpenLog(const std::wstring& path) = 0;
    // Appends one line of text (ending in a line break) to the open log, after the time in
    // UTC and this process's id, in UTF-8 with CRLF, in one write, so that the lines of runs
    // that append at once stay whole and tell their run. Nothing without an open log. 0, or
    // the system error of the write.
    virtual long Log(const std::wstring& line) = 0;
    // The computer's name.
    virtual std::wstring ComputerName() = 0;
    // Called before a user's hives are loaded: false once the run was asked to stop (Ctrl+C,
    // Ctrl+Break, its console closed), and then nothing more is loaded. Until EndHiveWork,
    // a close or log-off waits for the hives at hand to be unloaded before the process ends.
    virtual bool StartHiveWorkUnlessStopped() = 0;
    virtual void EndHiveWork() = 0;
};

}  // namespace zelvane
