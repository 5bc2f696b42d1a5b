// The folder the program is unpacked into: a new one under the temporary folder, made
// by this run, so that nothing another program put there beforehand (a library the
// program would load, a link bearing the program's name) is ever used.
#include "SetupFolder.h"

#include <windows.h>

#include <string>
#include <vector>

#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysHandles.h"

namespace {

const int FolderAttempts = 100;
const WORD NameNumbers = 0xFFFF;

typedef BOOL(WINAPI* InitializeSecurityDescriptorFunction)(PSECURITY_DESCRIPTOR, DWORD);
typedef BOOL(WINAPI* InitializeAclFunction)(PACL, DWORD, DWORD);
typedef BOOL(WINAPI* AddAccessAllowedAceFunction)(PACL, DWORD, DWORD, PSID);
typedef BOOL(WINAPI* AddAccessAllowedAceExFunction)(PACL, DWORD, DWORD, DWORD, PSID);
typedef BOOL(WINAPI* SetSecurityDescriptorDaclFunction)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
typedef BOOL(WINAPI* SetSecurityDescriptorControlFunction)(PSECURITY_DESCRIPTOR,
                                                           SECURITY_DESCRIPTOR_CONTROL,
                                                           SECURITY_DESCRIPTOR_CONTROL);
typedef DWORD(WINAPI* GetLengthSidFunction)(PSID);

// The security functions of advapi32. Windows 98 has none of them (nor needs them);
// those marked so came with Windows 2000.
struct SecurityFunctions {
    SecurityFunctions() : advapi(GetModuleHandleA("advapi32.dll")) {}
    HMODULE advapi;
    InitializeSecurityDescriptorFunction InitializeDescriptor =
        SystemFunction<InitializeSecurityDescriptorFunction>(advapi,
                                                             "InitializeSecurityDescriptor");
    InitializeAclFunction InitializeAcl =
        SystemFunction<InitializeAclFunction>(advapi, "InitializeAcl");
    AddAccessAllowedAceFunction AddAce =
        SystemFunction<AddAccessAllowedAceFunction>(advapi, "AddAccessAllowedAce");
    AddAccessAllowedAceExFunction AddAceEx =  // Windows 2000
        SystemFunction<AddAccessAllowedAceExFunction>(advapi, "AddAccessAllowedAceEx");
    SetSecurityDescriptorDaclFunction SetDacl =
        SystemFunction<SetSecurityDescriptorDaclFunction>(advapi, "SetSecurityDescriptorDacl");
    SetSecurityDescriptorControlFunction SetControl =  // Windows 2000
        SystemFunction<SetSecurityDescriptorControlFunction>(advapi,
                                                             "SetSecurityDescriptorControl");
    GetLengthSidFunction LengthSid = SystemFunction<GetLengthSidFunction>(advapi, "GetLengthSid");

    bool IsComplete() const {
        return InitializeDescriptor && InitializeAcl && AddAce && SetDacl && LengthSid;
    }
};

// A folder's security: SYSTEM and the Administrators may do anything, everyone else
// only read and run. Built from the parts NT 4.0 has.
class AdministratorsOnly {
public:
    AdministratorsOnly() : descriptor_(), attributes_() {}
    AdministratorsOnly(const AdministratorsOnly&) = delete;
    AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;

    bool Build() {
        const SecurityFunctions f;
        if (!f.IsComplete()) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
        SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
        if (!AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0,
                                      system_.Receive()) ||
            !AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                      0, 0, 0, 0, 0, 0, administrators_.Receive()) ||
            !AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      everyone_.Receive())) {
            return false;
        }
        const struct {
            PSID sid;
            DWORD rights;
        } entries[] = {{system_.Get(), FILE_ALL_ACCESS},
                       {administrators_.Get(), FILE_ALL_ACCESS},
                       {everyone_.Get(), FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
        DWORD size = sizeof(ACL);
        for (const auto& entry : entries) {
            size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + f.LengthSid(entry.sid);
        }
        acl_.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        PACL acl = reinterpret_cast<PACL>(acl_.data());
        if (!f.InitializeAcl(acl, size, ACL_REVISION)) return false;
        // What is unpacked into the folder inherits the entries where Windows can pass
        // them on (2000 and later); NT 4.0 gives files its own default instead.
        const DWORD inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
        for (const auto& entry : entries) {
            const BOOL added = f.AddAceEx
                                   ? f.AddAceEx(acl, ACL_REVISION, inherit, entry.rights, entry.sid)
                                   : f.AddAce(acl, ACL_REVISION, entry.rights, entry.sid);
            if (!added) return false;
        }
        if (!f.InitializeDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return false;
        if (!f.SetDacl(&descriptor_, TRUE, acl, FALSE)) return false;
        // From Windows 2000 on, a new folder also takes the entries its parent passes on,
        // and the temporary folder lets its user write, unless the list is protected.
        if (f.SetControl && !f.SetControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
            return false;
        }
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        return true;
    }
    LPSECURITY_ATTRIBUTES Attributes() { return &attributes_; }

private:
    SidHandle system_;
    SidHandle administrators_;
    SidHandle everyone_;
    std::vector<DWORD> acl_;  // DWORD-aligned, as an access list must be
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

// "Kest" and four hexadecimal digits: a valid short name, so the folder's path stays
// in short form.
std::string FolderName(DWORD number) {
    const char digits[] = "0123456789ABCDEF";
    std::string name = "Kest";
    for (int shift = 12; shift >= 0; shift -= 4) name += digits[(number >> shift) & 0xF];
    return name;
}

void ShowFolderError(const std::string& text, DWORD code) {
    const std::string reason = SystemMessage(code);
    ShowMessageBox(text + (reason.empty() ? "" : " " + reason), StartupCaption);
}

}  // namespace

std::string CreateUnpackFolder(const std::string& tempFolder) {
    AdministratorsOnly security;
    LPSECURITY_ATTRIBUTES attributes = nullptr;
    // An administrator's programs run elevated: the folder must not be writable by the
    // same user's other programs, which are not.
    if (State.IsNT && State.IsAdmin) {
        if (!security.Build()) {
            ShowFolderError("Cannot make a protected folder to unpack the program into.",
                            GetLastError());
            return std::string();
        }
        attributes = security.Attributes();
    }
    // A name someone else has taken beforehand is never used: the next one is tried.
    const DWORD first = GetTickCount() ^ (GetCurrentProcessId() * 0x9E37u);
    DWORD code = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < FolderAttempts && code == ERROR_ALREADY_EXISTS; ++attempt) {
        const std::string folder = tempFolder + FolderName((first + attempt) & NameNumbers);
        if (CreateDirectoryA(folder.c_str(), attributes)) return folder + "\\";
        code = GetLastError();
    }
    ShowFolderError(
        "Cannot make a folder to unpack the program into in " + Quoted(tempFolder) + ".", code);
    return std::string();
}
