// What Finish does: hand the embedded device cabinet to ActiveSync's
// Application Manager.
#pragma once
#include <windows.h>

// Sent by RunInstall to the wizard's frame (the thread's visible window that
// no other window owns) as the wait for the Application Manager begins and
// as it ends (IsWaitingForAppManager tells which), so that the page shows it.
const UINT WM_APP_MANAGER_WAIT = WM_APP + 1;

// Every path buffer holds MAX_PATH characters plus one; the Application
// Manager's command line holds two quoted paths.
const int PathChars = 261;
const int CommandLineChars = 522;

// Finds the Application Manager, writes the cabinet and its INI file into the
// user's temporary folder, starts the Application Manager and waits for it.
// Failures are shown to the user in an ownerless message box.
void RunInstall();

// True while RunInstall waits for the Application Manager it started.
bool IsWaitingForAppManager();

// Writes the embedded cabinet to a new temporary file in `folder` (ending in
// a backslash); `payloadName` receives the file's bare name, also when
// writing fails. True when the whole cabinet was written.
bool ExtractPayload(const wchar_t* folder, wchar_t (&payloadName)[PathChars]);

// Writes the Application Manager INI file naming `payloadName` to a new
// temporary file in `folder`; `iniPath` receives its full path. True when the
// whole file was written.
bool WriteAppManagerIni(wchar_t (&iniPath)[PathChars], const wchar_t* folder,
                        const wchar_t* payloadName);
