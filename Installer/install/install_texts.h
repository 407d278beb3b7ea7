// Texts of the install action's message boxes.
#pragma once

extern const wchar_t MessageCaption[];
extern const wchar_t NoAppManagerMessage[];
extern const wchar_t PrepareFailedMessage[];
