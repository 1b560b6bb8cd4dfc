#include "command_line/command_report.h"

#include "account_erase/account_erase.h"
#include "platform/decimal.h"
#include "platform/output_escape.h"
#include "platform/runtime.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

// The status word in a column of its own, for a reader and for a script that matches it.
std::wstring_view Padded(std::wstring_view word) {
    constexpr std::wstring_view kSpaces = L"          ";
    return kSpaces.substr(0, word.size() < 10 ? 10 - word.size() : 1);
}

}  // namespace

std::wstring Reason(CommandHost& host, long result) {
    const std::wstring_view own = OwnResultText(result);
    return own.empty() ? host.ErrorText(result) : std::wstring(own);
}

std::wstring Plural(int count, std::wstring_view word) {
    return Joined({Decimal(count), L" ", word, count == 1 ? L"" : L"s"});
}

int Tally::Code(CommandHost& host) const {
    if (failures == 0) return kExitDone;
    return failures == deniedWhereElevationHelps && !host.Elevated() ? kExitNotElevated
                                                                     : kExitFailed;
}

void Tally::Fail(long result, bool elevationHelps) {
    ++failures;
    if (result == kErrorAccessDenied && elevationHelps) ++deniedWhereElevationHelps;
}

Report::Report(CommandHost& host, bool quiet, ReportForm form)
    : host_(host), quiet_(quiet || form == ReportForm::kFind), form_(form) {
    streamed_ = form != ReportForm::kUntold && host_.OpenOutput();
}

void Report::Line(std::initializer_list<std::wstring_view> parts, bool error) {
    std::wstring line = Joined(parts);
    line += L'\n';
    Emit(std::move(line), error);
}

// A status line is a notice that only an erase prints, where a notice goes to the output.
void Report::Status(std::wstring_view word, std::initializer_list<std::wstring_view> parts) {
    if (form_ == ReportForm::kErase) Notice(word, parts);
}

void Report::Notice(std::wstring_view word, std::initializer_list<std::wstring_view> parts) {
    Line({word, Padded(word), EscapedForOutput(Joined(parts))}, form_ == ReportForm::kList);
}

void Report::Failure(std::initializer_list<std::wstring_view> parts, long result,
                     bool elevationHelps, std::wstring_view word) {
    Notice(word, {Joined(parts), L": ", Reason(host_, result)});
    tally.Fail(result, elevationHelps);
}

void Report::Failure(std::initializer_list<std::wstring_view> parts, long result,
                     bool elevationHelps) {
    Failure(parts, result, elevationHelps, L"failed");
}

bool Report::TellUnlessFound(const std::wstring& account, long result, bool elevationHelps,
                             std::wstring_view failureNote) {
    if (result == kErrorSuccess) return false;
    if (IsNotThere(result)) {
        Status(L"not there", {account});
    } else {
        Failure({account, failureNote}, result, elevationHelps);
    }
    return true;
}

void Report::Emit(std::wstring line, bool error) {
    if (form_ == ReportForm::kUntold) return;
    if (held_) {
        pending_.emplace_back(std::move(line), error);
        return;
    }
    Log(line);
    if (streamed_) {
        host_.Write(line, error);
    } else {
        boxText_ += line;
    }
}

bool Report::Log(const std::wstring& line) {
    if (logFailure_ == kErrorSuccess) logFailure_ = host_.Log(line);
    return logFailure_ == kErrorSuccess;
}

void Report::Release() {
    held_ = false;
    std::vector<std::pair<std::wstring, bool>> lines;
    lines.swap(pending_);
    for (auto& [line, error] : lines) Emit(std::move(line), error);
}

// A record the log lacks is a failure of the run, as a place it could not erase would be.
int Report::Finish(int code) {
    Release();
    if (!Log(Joined({L"exit ", Decimal(code), L"\n"}))) {
        Line({L"zelvane: the log could not be written: ", Reason(host_, logFailure_), L"."}, true);
        if (code == kExitDone) code = kExitFailed;
    }
    if (!streamed_ && !quiet_ && !boxText_.empty()) {
        const int icon = code == kExitDone    ? kInformationIcon
                         : code == kExitUsage ? kCriticalIcon
                                              : kExclamationIcon;
        host_.ShowBox(boxText_, icon, L"Zelvane");
    }
    return code;
}

}  // namespace zelvane
