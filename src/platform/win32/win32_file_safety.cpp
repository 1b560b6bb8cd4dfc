#include "platform/win32/win32_file_safety.h"

#include <winternl.h>

#include <sddl.h>

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

    // Both DLLs are in every process from its start, so no search is made for them.
    FileCalls() {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        create = FindFunction<CreateFn>(ntdll, "NtCreateFile");
        setInformation = FindFunction<SetInformationFn>(ntdll, "NtSetInformationFile");
        toError = FindFunction<StatusToErrorFn>(ntdll, "RtlNtStatusToDosError");
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
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

// Whether the handle's final path is path. (No path is longer than 32,767 characters.)
bool IsAt(HANDLE handle, std::wstring_view path) {
    wchar_t buffer[32768];
    const DWORD length = Calls().finalPath(handle, buffer, 32768, 0);
    std::wstring_view final(buffer, length);
    return length != 0 && length < 32768 && TrimFinalPath(final, path) &&
           Calls().compare(final.data(), static_cast<int>(final.size()), path.data(),
                           static_cast<int>(path.size()), TRUE) == CSTR_EQUAL;
}

// A folder is held open to read its attributes and to open what is inside it; without
// FILE_SHARE_DELETE, so that it cannot be renamed or replaced while it is held.
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

// The walk down a path: each folder opened inside the one before, which is then let go; the
// last one stays in folder.
class HandleSteps {
  public:
    explicit HandleSteps(HANDLE& folder) : folder_(folder) {}

    long OpenRoot(std::wstring_view root) {
        wchar_t path[MAX_PATH] = {};
        if (root.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
        root.copy(path, root.size());
        const HANDLE handle = CreateFileW(path, kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return LastError();
        folder_ = handle;
        return kErrorSuccess;
    }

    long OpenChild(std::wstring_view name, bool& folder, bool& reparsePoint) {
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

  private:
    HANDLE& folder_;
};

// What the files this program writes are made with: a DACL, protected from what the folder
// would pass on, that lets in administrators, the system and the process's account alone
// (a backup holds every user's saved password; a log, every user's accounts). To be freed
// with LocalFree.
long PrivateFileDescriptor(PSECURITY_DESCRIPTOR& descriptor) {
    // Without the account's SID the entry "(A;;FA;;;)" is refused, and so is the whole. (A
    // SID as text is some 190 characters at most.)
    wchar_t sddl[256];
    wsprintfW(sddl, L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FA;;;%s)", ProcessUserSid().c_str());
    return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)
               ? kErrorSuccess
               : LastError();
}

}  // namespace

void PlacedFile::Close() {
    for (HANDLE* handle : {&file_, &folder_}) {
        if (*handle != nullptr) CloseHandle(*handle);
        *handle = nullptr;
    }
}

long PlacedFile::Open(const std::wstring& full, Mode mode) {
    Close();
    created_ = false;
    const std::size_t root = RootLength(full);
    if (root == 0) return kErrorNotFilePath;
    if (!Calls().Native()) return ERROR_CALL_NOT_IMPLEMENTED;
    const std::size_t slash = full.rfind(L'\\');
    const std::wstring_view name = std::wstring_view(full).substr(slash + 1);
    // Part by part everywhere (all that Windows XP allows); and where Windows says where a
    // handle leads, the folder's and the file's must lead to the path given, for a link that
    // was followed all the same (Wine shows a folder opened through a symbolic link as none).
    const std::wstring_view folder = std::wstring_view(full).substr(0, std::max(slash, root));
    HandleSteps steps(folder_);
    long result = WalkFolders(folder, root, steps);
    const bool vista = Calls().FinalPaths();
    if (result == kErrorSuccess && vista && !IsAt(folder_, folder)) {
        result = kErrorPathLeadsElsewhere;
    }
    const bool append = mode == Mode::kAppend;
    const bool read = mode == Mode::kRead;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (result == kErrorSuccess) result = PrivateFileDescriptor(descriptor);
    if (result == kErrorSuccess) {
        result = OpenInside(
            folder_, name,
            read     ? FILE_GENERIC_READ
            : append ? FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE
                     : FILE_GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE,
            read     ? FILE_SHARE_READ
            : append ? FILE_SHARE_READ | FILE_SHARE_WRITE
                     : 0,
            read     ? FILE_OPEN
            : append ? FILE_OPEN_IF
                     : FILE_CREATE,
            FILE_NON_DIRECTORY_FILE, descriptor, file_, &created_);
        LocalFree(descriptor);
    }
    DWORD attributes = 0;
    if (result == kErrorSuccess) result = AttributesOf(file_, attributes);
    if (result == kErrorSuccess && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        result = kErrorReparsePoint;
    }
    if (result == kErrorSuccess && vista && !IsAt(file_, full)) {
        result = kErrorPathLeadsElsewhere;
    }
    if (result != kErrorSuccess) {
        if (created_ && !append) Delete();
        Close();
    }
    return result;
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
    IO_STATUS_BLOCK io = {};
    const LONG status =
        Calls().setInformation(file_, &io, &rename, sizeof rename, FileRenameInformation);
    return status < 0 ? static_cast<long>(Calls().toError(status)) : kErrorSuccess;
}

void PlacedFile::Delete() {
    FILE_DISPOSITION_INFORMATION disposition = {TRUE};
    IO_STATUS_BLOCK io = {};
    Calls().setInformation(file_, &io, &disposition, sizeof disposition,
                           FileDispositionInformation);
}

long CheckPrivateFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information)) return LastError();
    if (information.nNumberOfLinks != 1) return kErrorHardLinked;
    // The owner and the DACL, in the self-relative form the system gives: offsets from the
    // start. One that does not fit here has more entries than a private file has.
    alignas(DWORD) BYTE buffer[4096];
    DWORD size = 0;
    if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                 buffer, sizeof buffer, &size)) {
        return LastError();
    }
    const auto& descriptor = *reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(buffer);
    const std::wstring user = ProcessUserSid();
    const auto trusted = [&user](PSID sid) {
        return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
               IsWellKnownSid(sid, WinLocalSystemSid) || (!user.empty() && SidText(sid) == user);
    };
    if (descriptor.Owner == 0 || !trusted(buffer + descriptor.Owner)) return kErrorForeignOwner;
    // No DACL at all lets everyone in. An entry that denies takes nothing away from the
    // check; one that grants in any other form than the plain one is not read, and refused.
    if ((descriptor.Control & SE_DACL_PRESENT) == 0 || descriptor.Dacl == 0) {
        return kErrorOpenToOthers;
    }
    const auto* dacl = reinterpret_cast<const ACL*>(buffer + descriptor.Dacl);
    const auto* ace = reinterpret_cast<const BYTE*>(dacl + 1);
    for (WORD i = 0; i < dacl->AceCount;
         ++i, ace += reinterpret_cast<const ACE_HEADER*>(ace)->AceSize) {
        const auto& header = *reinterpret_cast<const ACE_HEADER*>(ace);
        if ((header.AceFlags & INHERIT_ONLY_ACE) == 0 && header.AceType != ACCESS_DENIED_ACE_TYPE &&
            (header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
             !trusted(const_cast<DWORD*>(
                 &reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace)->SidStart)))) {
            return kErrorOpenToOthers;
        }
    }
    return kErrorSuccess;
}

void TurnOnRedirectionGuard() {
    // PROCESS_MITIGATION_POLICY's ProcessRedirectionTrustPolicy, and the first bit of its
    // flags, EnforceRedirectionTrust; the headers for Windows XP have neither.
    constexpr int kRedirectionTrustPolicy = 16;
    using SetPolicyFn = BOOL(WINAPI*)(int, PVOID, SIZE_T);
    const auto setPolicy =
        FindFunction<SetPolicyFn>(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy");
    DWORD flags = 1;
    // Windows 8 to Windows 10 21H2 have the call but not this policy, and refuse it.
    if (setPolicy != nullptr) setPolicy(kRedirectionTrustPolicy, &flags, sizeof flags);
}

}  // namespace zelvane
