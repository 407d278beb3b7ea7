// Measures the running program against baselines from the same run:
//   bench_driver PRODUCT MINIMAL_DIALOG RUNS
// - start-up: process start to its first visible top-level window, against
//   the minimal dialog program;
// - Finish to the Application Manager's start, against the minimal program
//   starting the same fake Application Manager, with a command line of the
//   same shape, from its OK button: what any installer must spend;
// - peak working set while the Application Manager runs, against the
//   minimal dialog program's while it is shown, and the same program's
//   while it shows the license agreement.
// Prints one "name value" line per figure; scripts/bench formats them.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_paths.h"
#include "process_windows.h"
#include "resource.h"
#include "test_files.h"

namespace {

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(ticks) / double(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

HWND VisibleWindow(DWORD processId)
{
    return FindProcessWindow(processId, [](HWND) { return true; });
}

struct Started {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
    double milliseconds = 0;
};

Started StartAndWaitForWindow(const std::wstring& program, const wchar_t* arguments = L"")
{
    Started started;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const LONGLONG begin = Now();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started.process))
        return started;
    for (int i = 0; i < 20000 && started.window == nullptr; ++i) {
        started.window = VisibleWindow(started.process.dwProcessId);
        if (started.window == nullptr)
            Sleep(1);
    }
    started.milliseconds = Milliseconds(Now() - begin);
    return started;
}

// Waits for a program that ends by itself, stops it if it has not within
// 10 s, and closes its handles.
void WaitAndClose(Started& started)
{
    if (WaitForSingleObject(started.process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(started.process.hProcess, 1);
    CloseHandle(started.process.hThread);
    CloseHandle(started.process.hProcess);
}

// Closes a program's window as its close box does, then as WaitAndClose.
void End(Started& started)
{
    if (started.window != nullptr)
        PostMessageW(started.window, WM_CLOSE, 0, 0);
    WaitAndClose(started);
}

SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    return GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
}

HWND PageControl(HWND frame, int id)
{
    for (HWND page = FindWindowExW(frame, nullptr, L"#32770", nullptr); page != nullptr;
         page = FindWindowExW(frame, page, L"#32770", nullptr))
        if (IsWindowVisible(page) && GetDlgItem(page, id) != nullptr)
            return GetDlgItem(page, id);
    return nullptr;
}

bool WaitFor(HWND frame, int id, int milliseconds)
{
    for (int waited = 0; waited < milliseconds; waited += 5) {
        if (PageControl(frame, id) != nullptr)
            return true;
        Sleep(5);
    }
    return false;
}

// Clicks `button` and waits for the fake Application Manager to write its
// start time into `startedFile`; the time in between.
double ClickToManagerStart(HWND button, const std::wstring& startedFile)
{
    DeleteFileW(startedFile.c_str());
    const LONGLONG click = Now();
    PostMessageW(button, BM_CLICK, 0, 0);
    std::string started;
    for (int waited = 0; waited < 10000 && started.empty(); waited += 1) {
        started = ReadBytes(startedFile);
        if (started.empty() || started.back() != '\n') {
            started.clear();
            Sleep(1);
        }
    }
    return Milliseconds(_atoi64(started.c_str()) - click);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: bench_driver PRODUCT MINIMAL_DIALOG RUNS\n");
        return 2;
    }
    const std::wstring product = argv[1], minimal = argv[2];
    const int runs = std::max(1, _wtoi(argv[3]));

    // Start-up, alternating the two programs so that both see the same machine.
    std::vector<double> productStart, minimalStart;
    SIZE_T minimalPeak = 0, agreementPeak = 0;
    for (int i = 0; i < runs; ++i) {
        Started p = StartAndWaitForWindow(product);
        productStart.push_back(p.milliseconds);
        End(p);
        Started m = StartAndWaitForWindow(minimal);
        minimalStart.push_back(m.milliseconds);
        Sleep(100);
        minimalPeak = std::max(minimalPeak, PeakWorkingSet(m.process.hProcess));
        End(m);
        Started a = StartAndWaitForWindow(minimal, L"/agreement");
        Sleep(100);
        agreementPeak = std::max(agreementPeak, PeakWorkingSet(a.process.hProcess));
        End(a);
    }

    // Finish to the Application Manager's start, and the working set
    // meanwhile; then the baseline starting the same manager with the INI
    // file the installer wrote.
    const std::wstring folder = FreshFolder(L"bench");
    const std::wstring startedFile = folder + L"started.txt";
    SetEnvironmentVariableW(L"VRIX_FAKE_STARTED", startedFile.c_str());
    std::vector<double> finishToManager, baselineToManager;
    SIZE_T productPeak = 0, beforeFinishPeak = 0, welcomePeak = 0;
    for (int i = 0; i < runs; ++i) {
        const std::wstring temp = FreshFolder(L"bench-temp");
        SetTempFolder(temp);
        const std::wstring log = UseFakeAppManager(L"400");
        Started p = StartAndWaitForWindow(product);
        Sleep(150);
        welcomePeak = std::max(welcomePeak, PeakWorkingSet(p.process.hProcess));
        SendMessageW(PageControl(p.window, IDOK), BM_CLICK, 0, 0);  // Next
        if (!WaitFor(p.window, IDC_ACCEPT, 5000)) {
            fprintf(stderr, "the license page did not appear\n");
            End(p);
            return 1;
        }
        SendMessageW(PageControl(p.window, IDC_ACCEPT), BM_CLICK, 0, 0);
        Sleep(150);
        beforeFinishPeak = std::max(beforeFinishPeak, PeakWorkingSet(p.process.hProcess));
        finishToManager.push_back(ClickToManagerStart(PageControl(p.window, IDOK), startedFile));
        Sleep(150);  // the Application Manager runs; the program waits for it
        productPeak = std::max(productPeak, PeakWorkingSet(p.process.hProcess));
        WaitAndClose(p);

        const auto seen = ReadFakeLog(log);
        if (!seen.count("ini")) {
            fprintf(stderr, "the installer did not start the Application Manager\n");
            return 1;
        }
        const std::wstring command = L"\"" + FakeAppManagerPath() + L"\" \"" + FromUtf8(seen.at("ini")) + L"\"";
        SetEnvironmentVariableW(L"VRIX_BASELINE_COMMAND", command.c_str());
        Started b = StartAndWaitForWindow(minimal, L"/launch");
        Sleep(150);
        baselineToManager.push_back(ClickToManagerStart(GetDlgItem(b.window, IDOK), startedFile));
        WaitAndClose(b);
    }
    RemoveAppManagerEntry();

    printf("runs %d\n", runs);
    printf("startup_ms %.2f\n", Median(productStart));
    printf("baseline_startup_ms %.2f\n", Median(minimalStart));
    printf("finish_to_manager_ms %.2f\n", Median(finishToManager));
    printf("baseline_to_manager_ms %.2f\n", Median(baselineToManager));
    printf("peak_working_set %zu\n", size_t(productPeak));
    printf("baseline_peak_working_set %zu\n", size_t(minimalPeak));
    printf("agreement_peak_working_set %zu\n", size_t(agreementPeak));
    printf("before_finish_peak_working_set %zu\n", size_t(beforeFinishPeak));
    printf("welcome_peak_working_set %zu\n", size_t(welcomePeak));
    return 0;
}
