// Starts the real Quillon.exe twice: the second start must end by itself
// without showing a window while the first keeps running.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/PeFile.h"

std::string g_exePath;

namespace {

const wchar_t kTitle[] = L"电能质量终端升级工具";

struct FindArgs {
    DWORD pid;
    HWND found;
};

HWND VisibleWindowOf(DWORD pid) {
    FindArgs args{pid, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* a = reinterpret_cast<FindArgs*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == a->pid && IsWindowVisible(hwnd)) {
                a->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&args));
    return args.found;
}

PROCESS_INFORMATION Start(const std::wstring& exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        pi.hProcess = nullptr;
    return pi;
}

HWND WaitForWindow(DWORD pid, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (HWND h = VisibleWindowOf(pid)) return h;
        Sleep(100);
    }
    return nullptr;
}

TEST(SingleInstance, SecondStartEndsSilentlyAndFirstKeepsRunning) {
    std::string local = HostPathToLocal(g_exePath);
    std::wstring exe(local.begin(), local.end());

    PROCESS_INFORMATION first = Start(exe);
    ASSERT_NE(first.hProcess, nullptr) << "cannot start " << local;
    HWND window = WaitForWindow(first.dwProcessId, 20000);
    ASSERT_NE(window, nullptr) << "the first instance shows no window";
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, kTitle);

    // The mutex exists under its exact name while the tool runs.
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"{2A320CB-00EEF1-1234}");
    EXPECT_NE(mutex, nullptr);
    if (mutex) CloseHandle(mutex);

    PROCESS_INFORMATION second = Start(exe);
    ASSERT_NE(second.hProcess, nullptr);
    bool secondShowedWindow = false;
    DWORD waitResult = WAIT_TIMEOUT;
    for (int i = 0; i < 100 && waitResult == WAIT_TIMEOUT; ++i) {
        if (VisibleWindowOf(second.dwProcessId)) secondShowedWindow = true;
        waitResult = WaitForSingleObject(second.hProcess, 100);
    }
    EXPECT_EQ(waitResult, WAIT_OBJECT_0) << "the second instance did not end within 10 s";
    EXPECT_FALSE(secondShowedWindow);
    if (waitResult != WAIT_OBJECT_0) TerminateProcess(second.hProcess, 1);

    EXPECT_EQ(WaitForSingleObject(first.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "first instance ended";
    EXPECT_NE(VisibleWindowOf(first.dwProcessId), nullptr);

    // The close button ends the program.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(211, BN_CLICKED), 0);
    DWORD closed = WaitForSingleObject(first.hProcess, 15000);
    EXPECT_EQ(closed, WAIT_OBJECT_0) << "closing the window did not end the program";
    if (closed != WAIT_OBJECT_0) TerminateProcess(first.hProcess, 1);

    for (PROCESS_INFORMATION* p : {&first, &second}) {
        CloseHandle(p->hThread);
        CloseHandle(p->hProcess);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_exePath = argv[1];
    return RUN_ALL_TESTS();
}
