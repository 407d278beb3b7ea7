// Resource and control ids, shared by the resource script and the code.
#pragma once

#define IDD_WELCOME             103
#define IDD_LICENSE             110
#define IDD_FRAME               111
#define IDR_PAYLOAD             128
#define IDI_APP                 130

#define IDC_BODY                6
#define IDC_WELCOME_TITLE       1001
#define IDC_HEADER_RULE         1003
#define IDC_FOOTER_RULE         1004
#define IDC_LICENSE_SUBTITLE    1005
#define IDC_LICENSE_TITLE       1006
#define IDC_ACCEPT              1031
#define IDC_DECLINE             1032
#define IDC_BACK                1033

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// Custom resource type of the device cabinet.
#define PAYLOAD_TYPE_NAME       "CAB"
