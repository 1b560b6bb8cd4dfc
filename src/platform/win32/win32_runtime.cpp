#include "platform/win32/win32_runtime.h"

#include <shellapi.h>

#include "platform/runtime_error.h"

namespace zelvane {

namespace {

// The path of this program's executable, however long.
std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    // Backslashes are literal except in front of a quote, where each one must be doubled,
    // as must those in front of the closing quote.
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t ch : argument) {
        if (ch == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += ch;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

// A box whose window is destroyed under it (with its owner, or as the session ends) answers
// 0, as does one that could not be shown: no button was pressed, nothing was agreed to, and
// that is no error.
int Win32Runtime::MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) {
    return application_.ShowMessage(prompt, title, static_cast<UINT>(buttons));
}

std::optional<bool> ProcessElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::nullopt;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const BOOL known =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    if (!known) return std::nullopt;
    return elevation.TokenIsElevated != 0;
}

bool Win32Runtime::CanElevate() const {
    const std::optional<bool> elevated = ProcessElevated();
    return elevated.has_value() && !*elevated;
}

long StartAsAdministrator(const std::wstring& program, const std::vector<std::wstring>& arguments,
                          HWND owner) {
    std::wstring parameters;
    for (const std::wstring& argument : arguments) {
        if (!parameters.empty()) parameters += L' ';
        parameters += QuoteArgument(argument);
    }
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    // The caller tells the user of a failure itself; a declined prompt is no failure.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    execute.hwnd = owner;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (ShellExecuteExW(&execute)) return 0;
    return static_cast<long>(GetLastError());
}

long Win32Runtime::StartElevated(const std::vector<std::wstring>& arguments) {
    const std::wstring program = ProgramPath();
    if (program.empty()) return static_cast<long>(GetLastError());
    return StartAsAdministrator(program, arguments, application_.ActiveForm());
}

bool Win32Runtime::HighContrast() const {
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool Win32Runtime::ClientAreaAnimation() const {
    // Windows Vista brought the setting; Windows XP fails the query and always animates.
    constexpr UINT kGetClientAreaAnimation = 0x1042;  // SPI_GETCLIENTAREAANIMATION
    BOOL animate = TRUE;
    return !SystemParametersInfoW(kGetClientAreaAnimation, 0, &animate, 0) || animate;
}

}  // namespace zelvane
