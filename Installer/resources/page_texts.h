// The texts the wizard pages put into their controls at start.
#pragma once

extern const wchar_t WelcomeText[];   // from texts/welcome.txt, lines joined by LF
extern const wchar_t LicenseText[];   // from texts/license.txt, lines joined by CR LF

extern const wchar_t WelcomeTitle[];
extern const wchar_t WelcomeSubtitle[];
extern const wchar_t LicenseTitle[];
extern const wchar_t LicenseSubtitle[];

extern const wchar_t BackCaption[];
extern const wchar_t NextCaption[];
extern const wchar_t CancelCaption[];
extern const wchar_t FinishCaption[];
extern const wchar_t AcceptCaption[];
extern const wchar_t DeclineCaption[];
