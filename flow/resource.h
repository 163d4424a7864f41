// Identifiers of the dialogs and their controls, shared by the code and the
// resource script.
#pragma once

#define IDD_CONFIRM 101
#define IDD_PROGRESS 102
#define IDI_UPDATE 102

#define IDC_PROGRESS 1001
#define IDC_STATUS 1002
#define IDC_MESSAGE 1004
