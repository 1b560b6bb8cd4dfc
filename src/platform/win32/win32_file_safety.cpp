#include "platform/win32/win32_file_safety.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/path_walk.h"
#include "platform/result_codes.h"
#include "platform/win32/win32_dll_safety.h"
#include "platform/win32/win32_sid.h"

namespace zelvane {

namespace {

// Opening a file inside a folder's handle, renaming and deleting a file through its own
// handle (native calls, all in ntdll since Windows NT), and where a handle really leads,
// compared as the file system compares names (Windows Vista and later).
struct FileCalls {
    using CreateFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                  PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    using SetInformationFn = LONG(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                          FILE_INFORMATION_CLASS);
    using StatusToErrorFn = ULONG(NTAPI*)(LONG);
    using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    using CompareFn = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);

    FileCalls() {
        const HMODULE ntdll = LoadSystemLibrary(L"ntdll.dll");
        create = FindFunction<CreateFn>(ntdll, "NtCreateFile");
        setInformation = FindFunction<SetInformationFn>(ntdll, "NtSetInformationFile");
        toError = FindFunction<StatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
        const HMODULE kernel32 = LoadSystemLibrary(L"kernel32.dll");
        finalPath = FindFunction<FinalPathFn>(kernel32, "GetFinalPathNameByHandleW");
        compare = FindFunction<CompareFn>(kernel32, "CompareStringOrdinal");
    }
    bool Native() const {
        return create != nullptr && setInformation != nullptr && toError != nullptr;
    }
    bool FinalPaths() const { return finalPath != nullptr && compare != nullptr; }

    CreateFn create;
    SetInformationFn setInformation;
    StatusToErrorFn toError;
    FinalPathFn finalPath;
    CompareFn compare;
};

const FileCalls& Calls() {
    static const FileCalls calls;
    return calls;
}

bool SameNames(std::wstring_view one, std::wstring_view other) {
    return Calls().compare(one.data(), static_cast<int>(one.size()), other.data(),
                           static_cast<int>(other.size()), TRUE) == CSTR_EQUAL;
}

// Whether the handle's final path is path. (No path is longer than 32,767 characters.)
bool IsAt(HANDLE handle, std::wstring_view path) {
    wchar_t final[32768];
    const DWORD length = Calls().finalPath(handle, final, 32768, 0);
    return length != 0 && length < 32768 &&
           IsFinalPathOf(std::wstring_view(final, length), path, SameNames);
}

// Folders are held open to read their attributes and to open what is inside them; without
// FILE_SHARE_DELETE, so that none of them can be renamed or replaced while they are held.
constexpr ACCESS_MASK kFolderAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

long LastError() {
    return static_cast<long>(GetLastError());
}

// Opens name inside the folder's handle, as itself: a link is opened as the link.
long OpenInside(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share,
                ULONG disposition, ULONG options, PSECURITY_DESCRIPTOR descriptor, HANDLE& handle,
                bool* created) {
    const FileCalls& nt = Calls();
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(name.data());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, folder, descriptor);
    IO_STATUS_BLOCK io = {};
    handle = nullptr;
    const LONG status =
        nt.create(&handle, access, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                  options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status < 0) {
        handle = nullptr;
        return static_cast<long>(nt.toError(status));
    }
    if (created != nullptr) *created = io.Information == FILE_CREATED;
    return kErrorSuccess;
}

long AttributesOf(HANDLE handle, DWORD& attributes) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return LastError();
    attributes = information.dwFileAttributes;
    return kErrorSuccess;
}

// The walk of Windows XP: each folder opened inside the one before, which is then let go.
class HandleSteps final : public FolderSteps {
  public:
    ~HandleSteps() {
        if (folder_ != nullptr) CloseHandle(folder_);
    }

    long OpenRoot(const std::wstring& root) override {
        const HANDLE handle = CreateFileW(root.c_str(), kFolderAccess, kFolderShare, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return LastError();
        folder_ = handle;
        return kErrorSuccess;
    }

    long OpenChild(std::wstring_view name, bool& folder, bool& reparsePoint) override {
        HANDLE handle = nullptr;
        const long opened = OpenInside(folder_, name, kFolderAccess, kFolderShare, FILE_OPEN, 0,
                                       nullptr, handle, nullptr);
        if (opened != kErrorSuccess) return opened;
        CloseHandle(folder_);
        folder_ = handle;
        DWORD attributes = 0;
        const long read = AttributesOf(handle, attributes);
        folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        return read;
    }

    // The folder opened last, now the caller's to close.
    HANDLE Release() {
        const HANDLE folder = folder_;
        folder_ = nullptr;
        return folder;
    }

  private:
    HANDLE folder_ = nullptr;
};

// Vista and later: the folder by its path, then where its handle leads.
long OpenFolderByPath(const std::wstring& folder, HANDLE& handle) {
    handle = CreateFileW(folder.c_str(), kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        handle = nullptr;
        const long error = LastError();
        return error == ERROR_FILE_NOT_FOUND ? kErrorPathNotFound : error;
    }
    DWORD attributes = 0;
    const long read = AttributesOf(handle, attributes);
    if (read != kErrorSuccess) return read;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return kErrorReparsePoint;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return kErrorPathNotFound;
    return IsAt(handle, folder) ? kErrorSuccess : kErrorPathLeadsElsewhere;
}

long SetInformation(HANDLE file, void* information, std::size_t size, FILE_INFORMATION_CLASS kind) {
    IO_STATUS_BLOCK io = {};
    const LONG status =
        Calls().setInformation(file, &io, information, static_cast<ULONG>(size), kind);
    return status < 0 ? static_cast<long>(Calls().toError(status)) : kErrorSuccess;
}

}  // namespace

PlacedFile::~PlacedFile() {
    Close();
}

void PlacedFile::Close() {
    for (HANDLE* handle : {&file_, &folder_}) {
        if (*handle != nullptr) CloseHandle(*handle);
        *handle = nullptr;
    }
}

long PlacedFile::Open(const std::wstring& full, Mode mode, PSECURITY_DESCRIPTOR descriptor) {
    Close();
    created_ = false;
    const std::size_t root = RootLength(full);
    if (root == 0) return kErrorNotFilePath;
    if (!Calls().Native()) return ERROR_CALL_NOT_IMPLEMENTED;
    const std::size_t slash = full.rfind(L'\\');
    const std::wstring_view name = std::wstring_view(full).substr(slash + 1);
    const bool vista = Calls().FinalPaths();
    long result = kErrorSuccess;
    const std::wstring folder = full.substr(0, std::max(slash, root));
    if (vista) {
        result = OpenFolderByPath(folder, folder_);
    } else {
        HandleSteps steps;
        result = WalkFolders(folder, root, steps);
        folder_ = steps.Release();
    }
    const bool append = mode == Mode::kAppend;
    if (result == kErrorSuccess) {
        result = OpenInside(
            folder_, name,
            append ? FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE
                   : FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
            append ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, append ? FILE_OPEN_IF : FILE_CREATE,
            FILE_NON_DIRECTORY_FILE, descriptor, file_, &created_);
    }
    DWORD attributes = 0;
    if (result == kErrorSuccess) result = AttributesOf(file_, attributes);
    if (result == kErrorSuccess && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        result = kErrorReparsePoint;
    }
    // Opened inside a folder that was checked, the file is where the path says; asked again
    // where the system can tell, for a link that was followed all the same.
    if (result == kErrorSuccess && vista && !IsAt(file_, full)) {
        result = kErrorPathLeadsElsewhere;
    }
    if (result != kErrorSuccess) {
        if (created_ && !append) Delete();
        Close();
    }
    return result;
}

HANDLE PlacedFile::Release() {
    const HANDLE file = file_;
    file_ = nullptr;
    Close();
    return file;
}

long PlacedFile::RenameTo(const std::wstring& name) {
    // A name of up to 255 characters, as NTFS takes, after the fixed part.
    struct {
        FILE_RENAME_INFORMATION fixed;
        wchar_t rest[255];
    } rename = {};
    if (name.size() > 255) return ERROR_FILENAME_EXCED_RANGE;
    rename.fixed.ReplaceIfExists = FALSE;
    rename.fixed.RootDirectory = folder_;
    rename.fixed.FileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(rename.fixed.FileName, name.data(), rename.fixed.FileNameLength);
    return SetInformation(file_, &rename, sizeof rename, FileRenameInformation);
}

void PlacedFile::Delete() {
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    SetInformation(file_, &disposition, sizeof disposition, FileDispositionInformation);
}

long CheckPrivateFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return LastError();
    if (information.nNumberOfLinks != 1) return kErrorHardLinked;
    constexpr SECURITY_INFORMATION kWanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetKernelObjectSecurity(file, kWanted, nullptr, 0, &size);
    const PSECURITY_DESCRIPTOR descriptor = LocalAlloc(LMEM_FIXED, size);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    long result = kErrorSuccess;
    if (descriptor == nullptr || !GetKernelObjectSecurity(file, kWanted, descriptor, size, &size) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) {
        result = LastError();
    }
    const std::wstring user = ProcessUserSid();
    const auto trusted = [&user](PSID sid) {
        return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
               IsWellKnownSid(sid, WinLocalSystemSid) || (!user.empty() && SidText(sid) == user);
    };
    if (result == kErrorSuccess && !trusted(owner)) result = kErrorForeignOwner;
    // No DACL at all lets everyone in. An entry that denies takes nothing away from the
    // check; one that grants in any other form than the plain one is not read, and refused.
    if (result == kErrorSuccess && (!present || dacl == nullptr)) result = kErrorOpenToOthers;
    for (DWORD i = 0; result == kErrorSuccess && i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) {
            result = LastError();
        } else if ((ace->AceFlags & INHERIT_ONLY_ACE) == 0 &&
                   ace->AceType != ACCESS_DENIED_ACE_TYPE &&
                   (ace->AceType != ACCESS_ALLOWED_ACE_TYPE ||
                    !trusted(&reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart))) {
            result = kErrorOpenToOthers;
        }
    }
    if (descriptor != nullptr) LocalFree(descriptor);
    return result;
}

void TurnOnRedirectionGuard() {
    // PROCESS_MITIGATION_POLICY's ProcessRedirectionTrustPolicy, and the first bit of its
    // flags, EnforceRedirectionTrust; the headers for Windows XP have neither.
    constexpr int kRedirectionTrustPolicy = 16;
    using SetPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    const auto setPolicy =
        FindFunction<SetPolicyFn>(LoadSystemLibrary(L"kernel32.dll"), "SetProcessMitigationPolicy");
    DWORD flags = 1;
    // Windows 8 to Windows 10 21H2 have the call but not this policy, and refuse it.
    if (setPolicy != nullptr) setPolicy(kRedirectionTrustPolicy, &flags, sizeof flags);
}

}  // namespace zelvane
