// The simulated access tokens and security identifiers.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstring>
#include <vector>

namespace {

class SystemSecurity : public ::testing::Test {
protected:
    winsim::Machine m;
};

PSID AdminsSid() {
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID sid = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid));
    return sid;
}

// The groups of a token the way the system reads them: size query, then the
// filled block. Checks the platform's layout on the way.
std::vector<BYTE> QueryGroups(HANDLE token) {
    DWORD needed = 0;
    EXPECT_FALSE(GetTokenInformation(token, TokenGroups, nullptr, 0, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    std::vector<BYTE> block(needed);
    DWORD returned = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenGroups, block.data(), needed, &returned));
    EXPECT_EQ(needed, returned);
    return block;
}

// Which groups of the block equal the given SID, and whether every SID lies
// inside the block.
std::vector<bool> Matches(const std::vector<BYTE>& block, PSID sid) {
    TOKEN_GROUPS groups;
    std::memcpy(&groups, block.data(), sizeof groups);
    std::vector<bool> out;
    const BYTE* begin = block.data();
    const BYTE* end = begin + block.size();
    for (DWORD i = 0; i < groups.GroupCount; ++i) {
        SID_AND_ATTRIBUTES pair;
        std::memcpy(&pair, begin + offsetof(TOKEN_GROUPS, Groups) + i * sizeof pair, sizeof pair);
        const BYTE* inside = static_cast<const BYTE*>(pair.Sid);
        EXPECT_TRUE(inside >= begin && inside + 8 <= end) << "group " << i;
        out.push_back(EqualSid(pair.Sid, sid) != FALSE);
    }
    return out;
}

TEST_F(SystemSecurity, ProcessTokenHoldsTheDefaultGroups) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_EQ(1, m.token.openHandles);
    PSID admins = AdminsSid();
    EXPECT_EQ((std::vector<bool>{false, false, true}), Matches(QueryGroups(token), admins));
    EXPECT_EQ(nullptr, FreeSid(admins));
    EXPECT_EQ(0, m.token.allocatedSids);
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_EQ(0, m.token.openHandles);
}

TEST_F(SystemSecurity, TokenGroupsFollowTheMachine) {
    struct Case {
        const char* name;
        bool isAdmin;
        DWORD attributes;
        size_t groups;
        bool lastIsAdmins;
    };
    const Case cases[] = {
        {"administrator", true, SE_GROUP_ENABLED, 3, true},
        {"deny-only administrator", true, SE_GROUP_USE_FOR_DENY_ONLY, 3, true},
        {"plain user", false, 0, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.SetAdministrator(c.isAdmin, c.attributes);
        HANDLE token = nullptr;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
        const std::vector<BYTE> block = QueryGroups(token);
        PSID admins = AdminsSid();
        const std::vector<bool> matches = Matches(block, admins);
        ASSERT_EQ(c.groups, matches.size());
        EXPECT_EQ(c.lastIsAdmins, matches.back());
        if (c.isAdmin) {
            TOKEN_GROUPS groups;
            SID_AND_ATTRIBUTES last;
            std::memcpy(&groups, block.data(), sizeof groups);
            std::memcpy(&last,
                        block.data() + offsetof(TOKEN_GROUPS, Groups) +
                            (groups.GroupCount - 1) * sizeof last,
                        sizeof last);
            EXPECT_EQ(c.attributes, last.Attributes);
        }
        FreeSid(admins);
        CloseHandle(token);
    }
}

TEST_F(SystemSecurity, ThreadTokenOpensOnlyWhenTheThreadHasOne) {
    struct Case {
        const char* name;
        bool hasThreadToken;
        winsim::InjectedFailure failure;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {"no thread token", false, {}, FALSE, ERROR_NO_TOKEN},
        {"impersonating", true, {}, TRUE, 0},
        {"refused", true, {true, ERROR_ACCESS_DENIED}, FALSE, ERROR_ACCESS_DENIED},
        {"refused without token", false, {true, ERROR_INVALID_HANDLE}, FALSE, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.token.hasThreadToken = c.hasThreadToken;
        fresh.token.threadGroups = {};  // an impersonated user without groups
        fresh.faults.openThreadToken = c.failure;
        HANDLE token = nullptr;
        SetLastError(0);
        EXPECT_EQ(c.result, OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.result ? 1 : 0, fresh.token.openHandles);
        if (!c.result) continue;
        PSID admins = AdminsSid();
        EXPECT_TRUE(
            Matches(QueryGroups(token), admins).empty());  // the thread's, not the process's
        FreeSid(admins);
        EXPECT_TRUE(CloseHandle(token));
        EXPECT_EQ(0, fresh.token.openHandles);
    }
}

TEST_F(SystemSecurity, InjectedFailuresAnswerTheirCall) {
    struct Case {
        const char* name;
        void (*arrange)(winsim::Machine&);
        BOOL opens;
        DWORD openError;
        BOOL sized;
        DWORD sizeError;
        BOOL filled;
        DWORD fillError;
    };
    const Case cases[] = {
        {"process token refused",
         [](winsim::Machine& x) {
             x.faults.openProcessToken = {true, ERROR_ACCESS_DENIED};
         },
         FALSE, ERROR_ACCESS_DENIED, FALSE, 0, FALSE, 0},
        {"size query fails otherwise",
         [](winsim::Machine& x) {
             x.faults.tokenSizeQuery = {true, ERROR_NOT_ENOUGH_MEMORY};
         },
         TRUE, 0, FALSE, ERROR_NOT_ENOUGH_MEMORY, TRUE, 0},
        {"size query succeeds", [](winsim::Machine& x) { x.faults.tokenSizeQuerySucceeds = true; },
         TRUE, 0, TRUE, 0, TRUE, 0},
        {"group query fails",
         [](winsim::Machine& x) {
             x.faults.tokenGroupQuery = {true, ERROR_INVALID_PARAMETER};
         },
         TRUE, 0, FALSE, ERROR_INSUFFICIENT_BUFFER, FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        c.arrange(fresh);
        SetLastError(0);
        HANDLE token = nullptr;
        ASSERT_EQ(c.opens, OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
        EXPECT_EQ(c.openError, GetLastError());
        EXPECT_EQ(c.opens ? 1 : 0, fresh.token.openHandles);
        if (!c.opens) continue;
        DWORD needed = 0;
        EXPECT_EQ(c.sized, GetTokenInformation(token, TokenGroups, nullptr, 0, &needed));
        EXPECT_EQ(c.sizeError, GetLastError());
        std::vector<BYTE> block(1024);
        SetLastError(0);
        EXPECT_EQ(c.filled, GetTokenInformation(token, TokenGroups, block.data(),
                                                static_cast<DWORD>(block.size()), &needed));
        EXPECT_EQ(c.fillError, GetLastError());
        EXPECT_TRUE(CloseHandle(token));
    }
}

TEST_F(SystemSecurity, TokenInformationRejectsBadRequests) {
    HANDLE token = nullptr, noQuery = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), 0, &noQuery));
    DWORD needed = 0;
    struct Case {
        const char* name;
        HANDLE token;
        TOKEN_INFORMATION_CLASS infoClass;
        DWORD error;
    };
    const Case cases[] = {
        {"not a token", reinterpret_cast<HANDLE>(0x1234), TokenGroups, ERROR_INVALID_HANDLE},
        {"opened without query right", noQuery, TokenGroups, ERROR_ACCESS_DENIED},
        {"class not kept", token, TokenUser, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_FALSE(GetTokenInformation(c.token, c.infoClass, nullptr, 0, &needed));
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_EQ(2, m.token.openHandles);
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_TRUE(CloseHandle(noQuery));
    EXPECT_EQ(0, m.token.openHandles);
}

TEST_F(SystemSecurity, SidsAreCountedAndCompared) {
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    SID_IDENTIFIER_AUTHORITY world = {{0, 0, 0, 0, 0, 1}};
    PSID admins = AdminsSid(), users = nullptr, everyone = nullptr, one = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                         DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0, &users));
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, 0, 0, 0, 0, 0, 0, 0, 0, &everyone));
    ASSERT_TRUE(
        AllocateAndInitializeSid(&nt, 1, SECURITY_BUILTIN_DOMAIN_RID, 0, 0, 0, 0, 0, 0, 0, &one));
    EXPECT_EQ(4, m.token.allocatedSids);
    struct Case {
        const char* name;
        PSID a, b;
        BOOL equal;
    };
    const Case cases[] = {
        {"same", admins, admins, TRUE},
        {"other sub-authority", admins, users, FALSE},
        {"other authority", everyone, one, FALSE},
        {"fewer sub-authorities", admins, one, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(77);
        EXPECT_EQ(c.equal, EqualSid(c.a, c.b));
        EXPECT_EQ(0u, GetLastError());  // the platform clears it either way
    }
    PSID again = AdminsSid();
    EXPECT_TRUE(EqualSid(admins, again));  // equal by content, not by address
    for (PSID sid : {admins, users, everyone, one, again}) EXPECT_EQ(nullptr, FreeSid(sid));
    EXPECT_EQ(0, m.token.allocatedSids);
}

TEST_F(SystemSecurity, AllocateSidFailures) {
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID sid = nullptr;
    SetLastError(0);
    EXPECT_FALSE(AllocateAndInitializeSid(&nt, 9, 0, 0, 0, 0, 0, 0, 0, 0, &sid));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SID), GetLastError());
    m.faults.allocateSid = {true, ERROR_NOT_ENOUGH_MEMORY};
    EXPECT_FALSE(AllocateAndInitializeSid(&nt, 2, 32, 544, 0, 0, 0, 0, 0, 0, &sid));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    EXPECT_EQ(nullptr, sid);
    EXPECT_EQ(0, m.token.allocatedSids);
}

TEST_F(SystemSecurity, PseudoHandlesNeedNoClosing) {
    EXPECT_NE(GetCurrentProcess(), GetCurrentThread());
    EXPECT_TRUE(CloseHandle(GetCurrentProcess()));
    EXPECT_TRUE(CloseHandle(GetCurrentThread()));
    HANDLE token = nullptr;
    SetLastError(0);
    EXPECT_FALSE(OpenProcessToken(reinterpret_cast<HANDLE>(0x1234), TOKEN_QUERY, &token));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(0, m.token.openHandles);
}

}  // namespace
