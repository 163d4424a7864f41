// The program's dialogs as data for the POSIX window services: the same
// dialogs as update.rc (tests/resources_win_test.cpp compares the two).
// Texts are code page 932 bytes; the UTF-8 text is in the comment beside.
#include "dialog_template.h"

#include "resource.h"

namespace {

const char kFont[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック
const char kCancel[] = "\xb7\xac\xdd\xbe\xd9";  // ｷｬﾝｾﾙ

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT;

const DialogControl kConfirmControls[] = {
    {IDOK, "Button", "OK", 7, 40, 60, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDCANCEL, "Button", kCancel, 130, 40, 60, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDC_MESSAGE, "Static",
     "-\x82\xcc\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x82\xf0\x8d\x73\x82\xa2\x82\xdc\x82\xb7",  // -のアップデートを行います
     7, 7, 183, 8, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER | SS_CENTERIMAGE},
    {-1, "Static", "\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9\x81\x48",  // よろしいですか？
     7, 21, 183, 8, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER},
};

const DialogControl kProgressControls[] = {
    {IDCANCEL, "Button", kCancel, 130, 40, 60, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDC_PROGRESS, "msctls_progress32", "Progress1", 7, 21, 183, 14, WS_CHILD | WS_VISIBLE | WS_BORDER},
    {IDC_STATUS, "Static", "Static", 7, 7, 131, 8, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT},
};

const DialogTemplate kDialogs[] = {
    {IDD_CONFIRM, "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67",  // アップデート
     kDialogStyle, 0, 0, 197, 61, kFont, 9, kConfirmControls,
     static_cast<int>(sizeof kConfirmControls / sizeof kConfirmControls[0])},
    {IDD_PROGRESS, "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x92\x86",  // アップデート中
     kDialogStyle, 0, 0, 197, 61, kFont, 9, kProgressControls,
     static_cast<int>(sizeof kProgressControls / sizeof kProgressControls[0])},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int nId) {
    for (const DialogTemplate& dialog : kDialogs) {
        if (dialog.nId == nId)
            return &dialog;
    }
    return nullptr;
}
