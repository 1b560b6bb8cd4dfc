#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/command_host.h"

namespace zelvane {

// The command line's exit codes.
enum CommandExit : int {
    kExitDone = 0,              // nothing of the account is left (erased, or not there)
    kExitFailed = 1,            // at least one place failed
    kExitUsage = 2,             // the arguments were refused; nothing was touched
    kExitNotElevated = 3,       // access was denied where administrator rights give access
    kExitMessengerRunning = 4,  // nothing is left, but the messenger runs and may write it back
};

// Why a place or a hive failed, in the system's words or the program's own.
std::wstring Reason(CommandHost& host, long result);

// "1 place", "2 places": the count and the word, in the plural but for one.
std::wstring Plural(int count, std::wstring_view word);

// Every failure so far, and how many were a refused access where running as administrator
// helps (elevationHelps: the shared places, other users' hives), which exit 3 asks for.
struct Tally {
    int erased = 0;
    int failures = 0;
    int deniedWhereElevationHelps = 0;

    int Code(CommandHost& host) const;
    void Fail(long result, bool elevationHelps);
};

// What a run prints beside its own lines: an erase every place's status, on its output; a
// listing only the accounts, with its failures on the error stream; a search only the
// copies it finds, with its failures on its output, where a tool reads one stream alone,
// and never a message box. kUntold prints nothing: what a walk finds that a later walk over
// the same users tells again.
enum class ReportForm { kErase, kList, kFind, kUntold };

// What a run says: written line by line where there is somewhere to write, else kept for one
// message box at the end. Lines may be held back (while a user's hive is loaded, so that no
// write that blocks on a full pipe keeps a hive loaded) and are then written when released.
// Status and failure lines show their parts escaped (EscapedForOutput).
class Report {
  public:
    Report(CommandHost& host, bool quiet, ReportForm form);

    // One line made of its parts, as they are.
    void Line(std::initializer_list<std::wstring_view> parts, bool error = false);
    // "word      text": what happened to a place or a hive. A listing prints only accounts,
    // so none of these, but for a notice, which goes to its error stream.
    void Status(std::wstring_view word, std::initializer_list<std::wstring_view> parts);
    void Notice(std::wstring_view word, std::initializer_list<std::wstring_view> parts);
    // "failed    text: reason" (or another word), counted in the tally; a listing's go to
    // its error stream.
    void Failure(std::initializer_list<std::wstring_view> parts, long result, bool elevationHelps,
                 std::wstring_view word);
    void Failure(std::initializer_list<std::wstring_view> parts, long result, bool elevationHelps);
    // Unless an erase, or a read of the account for one, found the account (result 0), names
    // it: "not there" when it is gone, a failure (with the note, counted) when not; whether
    // it did.
    bool TellUnlessFound(const std::wstring& account, long result, bool elevationHelps,
                         std::wstring_view failureNote = {});

    // Appends a line to the log alone; false when it, or a line before it, could not be
    // written, which Finish then tells and counts as a failure.
    bool Log(const std::wstring& line);

    void Hold() { held_ = true; }
    void Release();

    // Ends the run: writes what is held, ends the log's record with the exit code, and shows
    // the message box where there was nowhere to write. Returns the exit code, a failure's
    // when the log lost a line of a run that had none.
    int Finish(int code);

    Tally tally;

  private:
    void Emit(std::wstring line, bool error);

    CommandHost& host_;
    bool quiet_;
    ReportForm form_;
    bool streamed_ = false;
    bool held_ = false;
    std::vector<std::pair<std::wstring, bool>> pending_;
    std::wstring boxText_;
    long logFailure_ = 0;  // why a line could not be appended to the log
};

}  // namespace zelvane
