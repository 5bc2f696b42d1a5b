// Access tokens and security identifiers of the simulated machine.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

const BYTE kSidRevision = 1;
const BYTE kMaxSubAuthorities = 15;
const DWORD kSidHeader = 8;  // revision, count and the six authority bytes

DWORD SidLength(BYTE subAuthorities) { return kSidHeader + 4u * subAuthorities; }

// Writes a SID in the platform's layout; `out` needs SidLength bytes.
void WriteSid(BYTE* out, const BYTE authority[6], const DWORD* subs, BYTE count) {
    out[0] = kSidRevision;
    out[1] = count;
    std::memcpy(out + 2, authority, 6);
    std::memcpy(out + kSidHeader, subs, 4u * count);
}

DWORD GroupsLength(const std::vector<TokenGroup>& groups) {
    DWORD length = static_cast<DWORD>(offsetof(TOKEN_GROUPS, Groups) +
                                      groups.size() * sizeof(SID_AND_ATTRIBUTES));
    for (const auto& g : groups) length += SidLength(static_cast<BYTE>(g.subAuthorities.size()));
    // Even an empty list fills a whole TOKEN_GROUPS, so that callers may copy one.
    return std::max(length, static_cast<DWORD>(sizeof(TOKEN_GROUPS)));
}

// TOKEN_GROUPS with its SIDs stored after the array, inside the same block.
void WriteGroups(BYTE* out, const std::vector<TokenGroup>& groups) {
    DWORD count = static_cast<DWORD>(groups.size());
    std::memcpy(out + offsetof(TOKEN_GROUPS, GroupCount), &count, sizeof count);
    BYTE* entry = out + offsetof(TOKEN_GROUPS, Groups);
    BYTE* sid = entry + groups.size() * sizeof(SID_AND_ATTRIBUTES);
    for (const auto& g : groups) {
        BYTE subs = static_cast<BYTE>(g.subAuthorities.size());
        WriteSid(sid, g.authority, g.subAuthorities.data(), subs);
        SID_AND_ATTRIBUTES pair{sid, g.attributes};
        std::memcpy(entry, &pair, sizeof pair);
        entry += sizeof pair;
        sid += SidLength(subs);
    }
}

BOOL Refuse(DWORD error) {
    M().lastError = error;
    return FALSE;
}

BOOL OpenToken(const std::vector<TokenGroup>& groups, DWORD access, PHANDLE token) {
    auto state = std::make_unique<TokenHandle>();
    state->groups = groups;
    state->access = access;
    HANDLE handle = state.get();
    M().impl->registry.tokens[handle] = std::move(state);
    ++M().token.openHandles;
    *token = handle;
    return TRUE;
}

TokenHandle* FindToken(HANDLE handle) {
    auto& tokens = M().impl->registry.tokens;
    auto it = tokens.find(handle);
    return it == tokens.end() ? nullptr : it->second.get();
}

}  // namespace

bool CloseTokenHandle(HANDLE handle) {
    if (handle == GetCurrentProcess() || handle == GetCurrentThread()) return true;
    auto& tokens = M().impl->registry.tokens;
    auto it = tokens.find(handle);
    if (it == tokens.end()) return false;
    tokens.erase(it);
    --M().token.openHandles;
    return true;
}

}  // namespace winsim

using namespace winsim;

HANDLE WINAPI GetCurrentProcess(void) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

BOOL WINAPI OpenThreadToken(HANDLE thread, DWORD desiredAccess, BOOL, PHANDLE token) {
    if (Faulted("OpenThreadToken", ERROR_ACCESS_DENIED)) return FALSE;
    Machine& m = M();
    if (!token) return Refuse(ERROR_NOACCESS);
    if (thread != GetCurrentThread()) return Refuse(ERROR_INVALID_HANDLE);
    if (m.faults.openThreadToken.fail) return Refuse(m.faults.openThreadToken.error);
    if (!m.token.hasThreadToken) return Refuse(ERROR_NO_TOKEN);
    return OpenToken(m.token.threadGroups, desiredAccess, token);
}

BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token) {
    if (Faulted("OpenProcessToken", ERROR_ACCESS_DENIED)) return FALSE;
    Machine& m = M();
    if (!token) return Refuse(ERROR_NOACCESS);
    if (process != GetCurrentProcess()) return Refuse(ERROR_INVALID_HANDLE);
    if (m.faults.openProcessToken.fail) return Refuse(m.faults.openProcessToken.error);
    return OpenToken(m.token.processGroups, desiredAccess, token);
}

BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount,
                                     DWORD sub0, DWORD sub1, DWORD sub2, DWORD sub3, DWORD sub4,
                                     DWORD sub5, DWORD sub6, DWORD sub7, PSID* sid) {
    if (Faulted("AllocateAndInitializeSid", ERROR_NOT_ENOUGH_MEMORY)) return FALSE;
    Machine& m = M();
    if (!authority || !sid) return Refuse(ERROR_NOACCESS);
    if (subAuthorityCount > 8) return Refuse(ERROR_INVALID_SID);
    if (m.faults.allocateSid.fail) return Refuse(m.faults.allocateSid.error);
    const DWORD subs[8] = {sub0, sub1, sub2, sub3, sub4, sub5, sub6, sub7};
    std::unique_ptr<BYTE[]> block(new BYTE[SidLength(subAuthorityCount)]);
    WriteSid(block.get(), authority->Value, subs, subAuthorityCount);
    *sid = block.get();
    m.impl->registry.sids[*sid] = std::move(block);
    ++m.token.allocatedSids;
    return TRUE;
}

PVOID WINAPI FreeSid(PSID sid) {
    Machine& m = M();
    auto& sids = m.impl->registry.sids;
    auto it = sids.find(sid);
    if (it == sids.end()) return sid;  // not ours: the platform hands it back
    sids.erase(it);
    --m.token.allocatedSids;
    return nullptr;
}

BOOL WINAPI EqualSid(PSID sid1, PSID sid2) {
    const BYTE* a = static_cast<const BYTE*>(sid1);
    const BYTE* b = static_cast<const BYTE*>(sid2);
    M().lastError = ERROR_SUCCESS;  // as the platform leaves it
    if (!a || !b || a[0] != kSidRevision || b[0] != kSidRevision) return FALSE;
    if (a[1] > kMaxSubAuthorities || a[1] != b[1]) return FALSE;
    return std::memcmp(a, b, SidLength(a[1])) == 0;
}

BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info,
                                DWORD length, PDWORD returnLength) {
    if (Faulted("GetTokenInformation", ERROR_ACCESS_DENIED)) return FALSE;
    Machine& m = M();
    TokenHandle* state = FindToken(token);
    if (!state) return Refuse(ERROR_INVALID_HANDLE);
    if (!(state->access & TOKEN_QUERY)) return Refuse(ERROR_ACCESS_DENIED);
    if (infoClass != TokenGroups) return Refuse(ERROR_INVALID_PARAMETER);
    if (!returnLength) return Refuse(ERROR_NOACCESS);
    const bool first = state->informationCalls++ == 0;
    const DWORD needed = GroupsLength(state->groups);
    if (first && m.faults.tokenSizeQuery.fail) return Refuse(m.faults.tokenSizeQuery.error);
    if (!first && m.faults.tokenGroupQuery.fail) return Refuse(m.faults.tokenGroupQuery.error);
    *returnLength = needed;
    if (length < needed) {
        if (first && m.faults.tokenSizeQuerySucceeds) return TRUE;
        return Refuse(ERROR_INSUFFICIENT_BUFFER);
    }
    if (!info) return Refuse(ERROR_NOACCESS);
    WriteGroups(static_cast<BYTE*>(info), state->groups);
    return TRUE;
}

// --- Security descriptors and access lists, in the platform's layouts ----------

namespace winsim {

namespace {

const DWORD ERROR_ALLOTTED_SPACE_EXCEEDED_ = 1344;
const DWORD kAceFixed = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);

std::string SidText(const BYTE* sid) {
    std::string text = "S-1-" + std::to_string(sid[7]);
    DWORD sub = 0;
    for (BYTE i = 0; i < sid[1]; ++i) {
        std::memcpy(&sub, sid + kSidHeader + 4u * i, sizeof sub);
        text += "-" + std::to_string(sub);
    }
    return text;
}

bool IsSid(PSID sid) {
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return bytes && bytes[0] == kSidRevision && bytes[1] <= kMaxSubAuthorities;
}

// The bytes the access list's entries fill, walking them as the platform does.
DWORD UsedLength(const ACL& acl) {
    DWORD used = sizeof(ACL);
    const BYTE* base = reinterpret_cast<const BYTE*>(&acl);
    for (WORD i = 0; i < acl.AceCount; ++i) {
        ACE_HEADER header;
        std::memcpy(&header, base + used, sizeof header);
        used += header.AceSize;
    }
    return used;
}

SECURITY_DESCRIPTOR* Descriptor(PSECURITY_DESCRIPTOR descriptor) {
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    return sd && sd->Revision == SECURITY_DESCRIPTOR_REVISION ? sd : nullptr;
}

}  // namespace

std::vector<std::string> AccessLines(const SECURITY_DESCRIPTOR& descriptor) {
    std::vector<std::string> lines;
    if (descriptor.Control & SE_DACL_PROTECTED) lines.push_back("protected");
    if (!(descriptor.Control & SE_DACL_PRESENT) || !descriptor.Dacl) return lines;
    const BYTE* base = reinterpret_cast<const BYTE*>(descriptor.Dacl);
    DWORD offset = sizeof(ACL);
    for (WORD i = 0; i < descriptor.Dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE ace;
        std::memcpy(&ace, base + offset, sizeof ace);
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%X", static_cast<unsigned>(ace.Mask));
        const std::string kind =
            ace.Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow " : "other ";
        lines.push_back(kind + SidText(base + offset + kAceFixed) + " " + mask + " inherit " +
                        std::to_string(ace.Header.AceFlags));
        offset += ace.Header.AceSize;
    }
    return lines;
}

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
    if (Faulted("InitializeSecurityDescriptor", ERROR_INVALID_PARAMETER)) return FALSE;
    if (!descriptor) return Refuse(ERROR_NOACCESS);
    if (revision != SECURITY_DESCRIPTOR_REVISION) return Refuse(ERROR_INVALID_PARAMETER);
    SECURITY_DESCRIPTOR empty{};
    empty.Revision = SECURITY_DESCRIPTOR_REVISION;
    std::memcpy(descriptor, &empty, sizeof empty);
    return TRUE;
}

BOOL WINAPI InitializeAcl(PACL acl, DWORD length, DWORD revision) {
    if (Faulted("InitializeAcl", ERROR_INVALID_PARAMETER)) return FALSE;
    if (!acl) return Refuse(ERROR_NOACCESS);
    if (length < sizeof(ACL) || length > 0xFFFF || revision != ACL_REVISION)
        return Refuse(ERROR_INVALID_PARAMETER);
    *acl = ACL{static_cast<BYTE>(revision), 0, static_cast<WORD>(length), 0, 0};
    return TRUE;
}

BOOL WINAPI AddAccessAllowedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask, PSID sid) {
    if (Faulted("AddAccessAllowedAce", ERROR_ALLOTTED_SPACE_EXCEEDED_)) return FALSE;
    if (!acl || !IsSid(sid) || revision != ACL_REVISION || flags > 0xFF)
        return Refuse(ERROR_INVALID_PARAMETER);
    const DWORD sidLength = GetLengthSid(sid);
    const DWORD used = UsedLength(*acl);
    const DWORD size = kAceFixed + sidLength;
    if (used + size > acl->AclSize) return Refuse(ERROR_ALLOTTED_SPACE_EXCEEDED_);
    BYTE* at = reinterpret_cast<BYTE*>(acl) + used;
    const ACE_HEADER header{ACCESS_ALLOWED_ACE_TYPE, static_cast<BYTE>(flags),
                            static_cast<WORD>(size)};
    std::memcpy(at, &header, sizeof header);
    std::memcpy(at + sizeof header, &mask, sizeof mask);
    std::memcpy(at + kAceFixed, sid, sidLength);
    ++acl->AceCount;
    return TRUE;
}

BOOL WINAPI AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid) {
    return AddAccessAllowedAceEx(acl, revision, 0, mask, sid);
}

BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL acl,
                                      BOOL) {
    if (Faulted("SetSecurityDescriptorDacl", ERROR_INVALID_PARAMETER)) return FALSE;
    SECURITY_DESCRIPTOR* sd = Descriptor(descriptor);
    if (!sd) return Refuse(ERROR_INVALID_PARAMETER);
    sd->Dacl = present ? acl : nullptr;
    sd->Control =
        static_cast<WORD>(present ? sd->Control | SE_DACL_PRESENT : sd->Control & ~SE_DACL_PRESENT);
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                         SECURITY_DESCRIPTOR_CONTROL mask,
                                         SECURITY_DESCRIPTOR_CONTROL bits) {
    if (Faulted("SetSecurityDescriptorControl", ERROR_INVALID_PARAMETER)) return FALSE;
    SECURITY_DESCRIPTOR* sd = Descriptor(descriptor);
    if (!sd || (mask & ~SE_DACL_PROTECTED)) return Refuse(ERROR_INVALID_PARAMETER);
    sd->Control = static_cast<WORD>((sd->Control & ~mask) | (bits & mask));
    return TRUE;
}

DWORD WINAPI GetLengthSid(PSID sid) {
    return IsSid(sid) ? SidLength(static_cast<const BYTE*>(sid)[1]) : 0;
}

}  // namespace winsim
