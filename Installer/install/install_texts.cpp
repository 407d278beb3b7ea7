#include "install_texts.h"

const wchar_t MessageCaption[] = L"VRIX Mobile Security 安装";

const wchar_t NoAppManagerMessage[] =
    L"未找到 Microsoft ActiveSync 的应用程序管理器，或无法启动它。"
    L"请安装 ActiveSync（Windows Vista 及更高版本请安装 Windows Mobile 设备中心）后重新运行本安装程序。";

const wchar_t PrepareFailedMessage[] =
    L"无法准备 VRIX Mobile Security 的安装文件。"
    L"请确认临时文件夹可以写入并有足够的可用空间，然后重新运行本安装程序。";
