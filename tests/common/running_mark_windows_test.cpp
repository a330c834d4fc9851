// The running mark on Windows: named mutexes that every signed-in user's
// installer may wait on, held while any program that asked for one runs.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>
#include <gtest/gtest.h>

#include <string>

#include "common/running_mark.h"
#include "common/running_mark_windows.h"

namespace korvane::test {
namespace {

// A name of this run alone: the suites of a parallel run share one prefix.
std::wstring ScratchName(const wchar_t* space) {
    return std::wstring(space) + L"\\KorvaneMarkTest-" + std::to_wstring(GetCurrentProcessId()) +
           L"-" + std::to_wstring(GetTickCount64());
}

// The error of opening NAME with ACCESS, 0 when it opens.
DWORD OpenError(const std::wstring& name, DWORD access) {
    HANDLE h = OpenMutexW(access, FALSE, name.c_str());
    const DWORD error = h == nullptr ? GetLastError() : 0;
    if (h != nullptr) CloseHandle(h);
    return error;
}

TEST(RunningMarkWindows, EverySignedInUserMayWaitOnTheMarkAndNobodyChangeIt) {
    const std::wstring name = ScratchName(L"Global");
    HANDLE mark = win::HoldRunningMark(name.c_str());
    ASSERT_NE(mark, nullptr);

    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(GetSecurityInfo(mark, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr);
    ASSERT_EQ(dacl->AceCount, 1);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &ace));
    EXPECT_EQ(static_cast<ACE_HEADER*>(ace)->AceType, ACCESS_ALLOWED_ACE_TYPE);
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Mask, static_cast<ACCESS_MASK>(0x00100000));
    EXPECT_TRUE(
        IsWellKnownSid(reinterpret_cast<PSID>(&allowed->SidStart), WinAuthenticatedUserSid));
    LocalFree(sd);

    // What each right does for someone who did not make it.
    EXPECT_EQ(OpenError(name, SYNCHRONIZE), 0u);
    EXPECT_EQ(OpenError(name, MUTEX_MODIFY_STATE), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenError(name, MUTEX_ALL_ACCESS), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(mark);
    EXPECT_EQ(OpenError(name, SYNCHRONIZE), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Another user's program made the mark first: this one, refused the rights
// it asks for, holds it to be waited on, and the mark lasts while either runs.
TEST(RunningMarkWindows, AMarkAnotherProgramMadeIsHeldTooAndLastsWhileEitherRuns) {
    for (const bool firstEndsFirst : {true, false}) {
        SCOPED_TRACE(firstEndsFirst ? "the first program ends first" : "the second ends first");
        const std::wstring name = ScratchName(L"Global");
        HANDLE first = win::HoldRunningMark(name.c_str());
        ASSERT_NE(first, nullptr);
        HANDLE second = win::HoldRunningMark(name.c_str());
        ASSERT_NE(second, nullptr);
        CloseHandle(firstEndsFirst ? first : second);
        EXPECT_EQ(OpenError(name, SYNCHRONIZE), 0u);
        CloseHandle(firstEndsFirst ? second : first);
        EXPECT_EQ(OpenError(name, SYNCHRONIZE), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    }
}

TEST(RunningMarkWindows, TheProgramHoldsTheMarkOfItsSessionAndOfTheMachine) {
    MarkProgramRunning();
    EXPECT_EQ(OpenError(L"Local\\KorvaneRunning", SYNCHRONIZE), 0u);
    EXPECT_EQ(OpenError(L"Global\\KorvaneRunning", SYNCHRONIZE), 0u);
}

}  // namespace
}  // namespace korvane::test
