// Titles, subtitles and captions. Each caption keeps the accelerator letter
// of the English template caption it replaces.
#include "page_texts.h"

const wchar_t WelcomeTitle[] = L"欢迎使用安装向导";
const wchar_t WelcomeSubtitle[] = L"现在将在您的设备上安装 VRIX Mobile Security";
const wchar_t LicenseTitle[] = L"许可协议";
const wchar_t LicenseSubtitle[] = L"请阅读以下许可协议，并选择是否接受其中的条款。";

const wchar_t BackCaption[] = L"< 上一步(&B)";
const wchar_t NextCaption[] = L"下一步(&N) >";
const wchar_t CancelCaption[] = L"取消(&C)";
const wchar_t FinishCaption[] = L"完成(&F)";
const wchar_t AcceptCaption[] = L"我接受许可协议中的条款(&A)";
const wchar_t DeclineCaption[] = L"我不接受许可协议中的条款(&D)";
