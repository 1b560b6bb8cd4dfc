#include "platform/win32/win32_command_host.h"

#include <algorithm>
#include <string>

#include "platform/decimal.h"
#include "platform/result_codes.h"
#include "platform/strings.h"
#include "platform/win32/win32_file_safety.h"
#include "platform/win32/win32_runtime.h"

namespace zelvane {

namespace {

// A GUI program started without redirection may hold no standard handles, or values that
// name nothing; GetFileType tells those from a pipe, a file or a console.
bool Usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Windows' own line ends, in pipes and files as on the console.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring converted;
    for (const wchar_t ch : text) {
        if (ch == L'\n') converted += L'\r';
        converted += ch;
    }
    return converted;
}

// What pipes, files and the log are given: UTF-8 with CRLF.
std::string Utf8WithCrLf(const std::wstring& text) {
    const std::wstring lines = WithCrLf(text);
    const int size = WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()), bytes.data(),
                        size, nullptr, nullptr);
    return bytes;
}

void WriteTo(HANDLE handle, const std::wstring& text) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring lines = WithCrLf(text);
        WriteConsoleW(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
        return;
    }
    const std::string bytes = Utf8WithCrLf(text);
    // A pipe may take less than it is given.
    for (std::size_t done = 0; done < bytes.size(); done += written) {
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0) {
            return;
        }
    }
}

// What Ctrl+C, Ctrl+Break and a closed console ask of a run that loads users' hives. The
// handler runs on a thread of its own; the lock makes "not asked to stop, so load" and
// "asked to stop, so wait for the unload" one step each, so that a close never ends the
// process between a load and its unload.
struct StopRequest {
    CRITICAL_SECTION lock;
    HANDLE idle;  // set while no hive is loaded (manual reset)
    bool stop = false;

    StopRequest() {
        InitializeCriticalSection(&lock);
        idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    }
};

// Made on the main thread before the handler is set: the program's statics have no guard.
StopRequest& Stop() {
    static StopRequest request;
    return request;
}

BOOL WINAPI OnConsoleControl(DWORD event) {
    StopRequest& request = Stop();
    EnterCriticalSection(&request.lock);
    request.stop = true;
    LeaveCriticalSection(&request.lock);
    // Ctrl+C and Ctrl+Break leave the process running: it stops after the profile at hand.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // A close, log-off or shutdown ends the process when this returns (or when the system
    // stops waiting): first the hives at hand are unloaded.
    if (request.idle != nullptr) WaitForSingleObject(request.idle, INFINITE);
    return TRUE;
}

}  // namespace

bool Win32CommandHost::StartHiveWorkUnlessStopped() {
    StopRequest& request = Stop();
    if (!handlerSet_) {
        handlerSet_ = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
    }
    EnterCriticalSection(&request.lock);
    const bool go = !request.stop;
    if (go && request.idle != nullptr) ResetEvent(request.idle);
    LeaveCriticalSection(&request.lock);
    return go;
}

void Win32CommandHost::EndHiveWork() {
    if (Stop().idle != nullptr) SetEvent(Stop().idle);
}

Win32CommandHost::~Win32CommandHost() {
    if (console_ != nullptr) CloseHandle(console_);
    if (log_ != nullptr) CloseHandle(log_);
}

bool Win32CommandHost::OpenOutput() {
    if (out_ != nullptr) return true;
    out_ = GetStdHandle(STD_OUTPUT_HANDLE);
    err_ = GetStdHandle(STD_ERROR_HANDLE);
    if (!Usable(out_)) out_ = nullptr;
    if (!Usable(err_)) err_ = nullptr;
    if (out_ != nullptr || err_ != nullptr) {
        if (out_ == nullptr) out_ = err_;
        if (err_ == nullptr) err_ = out_;
        return true;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    console_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console_ == INVALID_HANDLE_VALUE) {
        console_ = nullptr;
        FreeConsole();
        return false;
    }
    out_ = err_ = console_;
    // The shell did not wait for a GUI program and has written its prompt already.
    WriteTo(console_, L"\n");
    return true;
}

void Win32CommandHost::Write(const std::wstring& text, bool error) {
    HANDLE handle = error ? err_ : out_;
    if (handle != nullptr) WriteTo(handle, text);
}

void Win32CommandHost::ShowBox(const std::wstring& text, int style, const std::wstring& title) {
    MessageBoxW(nullptr, text.c_str(), title.c_str(), static_cast<UINT>(style));
}

// Vista and later say whether the token is elevated; before them an administrator's token
// always holds the Administrators group, and a standard user's never.
bool Win32CommandHost::Elevated() {
    if (const std::optional<bool> elevated = ProcessElevated()) return *elevated;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0,
                                  0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);
    return checked && member;
}

std::wstring Win32CommandHost::ErrorText(long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.')) {
        text.pop_back();
    }
    const std::wstring number = L"error " + Decimal(code);
    return text.empty() ? number : Joined({text, L" (", number, L")"});
}

bool Win32CommandHost::FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32CommandHost::IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Win32CommandHost::FileNameTime() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    wchar_t stamp[32];
    wsprintfW(stamp, L"%04u%02u%02uT%02u%02u%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    return stamp;
}

// Read through the handle that the checks were made on.
long Win32CommandHost::ReadFile(const std::wstring& path, std::string& bytes) {
    std::wstring full;
    long result = FullPath(path, full);
    PlacedFile file;
    if (result == ERROR_SUCCESS) result = file.Open(full, PlacedFile::Mode::kRead);
    LARGE_INTEGER size = {};
    if (result == ERROR_SUCCESS && !GetFileSizeEx(file.File(), &size)) {
        result = static_cast<long>(GetLastError());
    }
    if (result != ERROR_SUCCESS) return result;
    if (size.QuadPart > (256 << 20)) return ERROR_FILE_TOO_LARGE;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.File(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return static_cast<long>(GetLastError());
    }
    return read == bytes.size() ? ERROR_SUCCESS : ERROR_READ_FAULT;
}

long Win32CommandHost::FullPath(const std::wstring& path, std::wstring& full) {
    // The current folder may change between the two calls (not in this program, which has one
    // thread that does this): then the second asks for more room, and is asked again.
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    for (int attempt = 0; attempt < 3 && size != 0; ++attempt) {
        full.assign(size, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (length != 0 && length < size) {
            full.resize(length);
            return ERROR_SUCCESS;
        }
        size = length;
    }
    const DWORD error = GetLastError();
    full.clear();
    return error != ERROR_SUCCESS ? static_cast<long>(error) : ERROR_INVALID_NAME;
}

// The temporary file is named by the process, so that two runs never share one, and is made
// new: a file of that name left by anyone is never written through. It holds every user's
// account keys, the messenger's saved passwords among them, so it is made with a DACL of its
// own, which the folder's permissions do not add to and the rename keeps: Administrators,
// SYSTEM and the account this program runs as, no one else. It is renamed through its own
// handle, inside the folder it was made in.
long Win32CommandHost::WriteNewFile(const std::wstring& path, const std::string& bytes) {
    std::wstring full;
    long result = FullPath(path, full);
    wchar_t temporary[32];
    wsprintfW(temporary, L".zelvane-%lu.tmp", GetCurrentProcessId());
    PlacedFile file;
    if (result == ERROR_SUCCESS) result = file.Open(full + temporary, PlacedFile::Mode::kCreateNew);
    if (result != ERROR_SUCCESS) return result;
    for (std::size_t done = 0; done < bytes.size() && result == ERROR_SUCCESS;) {
        constexpr std::size_t kChunk = 1 << 20;
        const DWORD chunk = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
        DWORD written = 0;
        if (!WriteFile(file.File(), bytes.data() + done, chunk, &written, nullptr)) {
            result = static_cast<long>(GetLastError());
        } else if (written == 0) {
            result = ERROR_WRITE_FAULT;
        }
        done += written;
    }
    if (result == ERROR_SUCCESS && !FlushFileBuffers(file.File())) {
        result = static_cast<long>(GetLastError());
    }
    if (result == ERROR_SUCCESS) result = file.RenameTo(full.substr(full.rfind(L'\\') + 1));
    if (result != ERROR_SUCCESS) file.Delete();
    return result;
}

// Appending alone (FILE_APPEND_DATA without FILE_WRITE_DATA): every write goes to the file's
// end, after whatever another run appended meanwhile, and nothing already there can be
// written over. A log that was there already is appended to only when no one but
// administrators, the system and this account could have made it or could read it.
long Win32CommandHost::OpenLog(const std::wstring& path) {
    std::wstring full;
    long result = FullPath(path, full);
    PlacedFile file;
    if (result == ERROR_SUCCESS) result = file.Open(full, PlacedFile::Mode::kAppend);
    if (result == ERROR_SUCCESS && !file.Created()) result = CheckPrivateFile(file.File());
    if (result == ERROR_SUCCESS) log_ = file.Release();
    return result;
}

long Win32CommandHost::Log(const std::wstring& line) {
    if (log_ == nullptr) return ERROR_SUCCESS;
    SYSTEMTIME now;
    GetSystemTime(&now);
    // user32's own formatter, which needs nothing of the C library.
    wchar_t stamp[64];
    wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02uZ [%lu] ", now.wYear, now.wMonth, now.wDay,
              now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
    const std::string bytes = Utf8WithCrLf(stamp + line);
    DWORD written = 0;
    if (!WriteFile(log_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return static_cast<long>(GetLastError());
    }
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

std::wstring Win32CommandHost::ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
}

}  // namespace zelvane
