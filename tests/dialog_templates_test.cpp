// The dialog templates that the POSIX window services build the dialogs from.
// Expected texts are code page 932 bytes, written out here so that no
// converter is involved; styles and identifiers are the numbers themselves,
// so that a wrong constant in a header shows too.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "dialog_template.h"

namespace {

struct ExpectedControl {
    int nId;
    const char* pszClass;
    const char* pszText;
    short x, y, cx, cy;
    DWORD dwStyle;
};

struct ExpectedDialog {
    int nId;
    const char* pszCaption;
    std::vector<ExpectedControl> controls;
};

const char kCancel[] = "\xb7\xac\xdd\xbe\xd9";  // ｷｬﾝｾﾙ

const ExpectedDialog kExpected[] = {
    {101, "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67",  // アップデート
     {
         // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON
         {1, "Button", "OK", 7, 40, 60, 14, 0x50010001},
         // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
         {2, "Button", kCancel, 130, 40, 60, 14, 0x50010000},
         // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER | SS_CENTERIMAGE
         {1004, "Static",
          "\x2d\x82\xcc\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x82\xf0\x8d\x73\x82\xa2\x82\xdc\x82\xb7",  // -のアップデートを行います
          7, 7, 183, 8, 0x50020201},
         // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER
         {-1, "Static", "\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9\x81\x48",  // よろしいですか？
          7, 21, 183, 8, 0x50020001},
     }},
    {102, "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5b\x83\x67\x92\x86",  // アップデート中
     {
         // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
         {2, "Button", kCancel, 130, 40, 60, 14, 0x50010000},
         // WS_CHILD | WS_VISIBLE | WS_BORDER: neither PBS_SMOOTH nor PBS_VERTICAL
         {1001, "msctls_progress32", "Progress1", 7, 21, 183, 14, 0x50800000},
         // WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT
         {1002, "Static", "Static", 7, 7, 131, 8, 0x50020000},
     }},
};

// WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT
const DWORD kDialogStyle = 0x80C808C0;
const char kFont[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック

// Bytes as hexadecimal, so that a mismatch of code page 932 text is readable.
std::string Hex(const char* psz) {
    if (psz == nullptr)
        return "(null)";
    std::string str;
    for (const char* p = psz; *p != '\0'; ++p) {
        char sz[4];
        std::snprintf(sz, sizeof sz, "%02X ", static_cast<unsigned char>(*p));
        str += sz;
    }
    return str;
}

TEST(DialogTemplatesTest, DialogsHaveTheirCaptionFrameAndFont) {
    for (const ExpectedDialog& expected : kExpected) {
        SCOPED_TRACE(expected.nId);
        const DialogTemplate* pDialog = FindDialogTemplate(expected.nId);
        ASSERT_NE(pDialog, nullptr);
        EXPECT_EQ(pDialog->nId, expected.nId);
        EXPECT_EQ(Hex(pDialog->pszCaption), Hex(expected.pszCaption));
        EXPECT_EQ(pDialog->dwStyle, kDialogStyle);
        EXPECT_EQ(pDialog->x, 0);
        EXPECT_EQ(pDialog->y, 0);
        EXPECT_EQ(pDialog->cx, 197);
        EXPECT_EQ(pDialog->cy, 61);
        EXPECT_EQ(Hex(pDialog->pszFont), Hex(kFont));
        EXPECT_EQ(pDialog->wPointSize, 9);
    }
}

TEST(DialogTemplatesTest, ControlsComeInTabOrderWithTheirData) {
    for (const ExpectedDialog& expected : kExpected) {
        SCOPED_TRACE(expected.nId);
        const DialogTemplate* pDialog = FindDialogTemplate(expected.nId);
        ASSERT_NE(pDialog, nullptr);
        ASSERT_EQ(pDialog->nControls, static_cast<int>(expected.controls.size()));
        ASSERT_NE(pDialog->pControls, nullptr);
        for (int i = 0; i < pDialog->nControls; ++i) {
            SCOPED_TRACE(i);
            const DialogControl& control = pDialog->pControls[i];
            const ExpectedControl& want = expected.controls[static_cast<size_t>(i)];
            EXPECT_EQ(control.nId, want.nId);
            ASSERT_NE(control.pszClass, nullptr);
            EXPECT_STREQ(control.pszClass, want.pszClass);
            EXPECT_EQ(Hex(control.pszText), Hex(want.pszText));
            EXPECT_EQ(control.x, want.x);
            EXPECT_EQ(control.y, want.y);
            EXPECT_EQ(control.cx, want.cx);
            EXPECT_EQ(control.cy, want.cy);
            EXPECT_EQ(control.dwStyle, want.dwStyle);
        }
    }
}

// A control outside the dialog, or two with one identifier, would be a broken
// dialog whatever the listed data says.
TEST(DialogTemplatesTest, ControlsFitTheDialogAndHaveDistinctIdentifiers) {
    for (const ExpectedDialog& expected : kExpected) {
        SCOPED_TRACE(expected.nId);
        const DialogTemplate* pDialog = FindDialogTemplate(expected.nId);
        ASSERT_NE(pDialog, nullptr);
        std::set<int> ids;
        for (int i = 0; i < pDialog->nControls; ++i) {
            SCOPED_TRACE(i);
            const DialogControl& control = pDialog->pControls[i];
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.cx, pDialog->cx);
            EXPECT_LE(control.y + control.cy, pDialog->cy);
            if (control.nId != -1) {
                EXPECT_TRUE(ids.insert(control.nId).second) << "identifier " << control.nId << " twice";
            }
        }
    }
}

TEST(DialogTemplatesTest, UnknownIdentifiersGiveNull) {
    // 1001: a control's identifier, not a dialog's; 100 and 103: neighbours.
    for (int nId : {0, -1, 1, 100, 103, 1001, 0x10000 + 101}) {
        SCOPED_TRACE(nId);
        EXPECT_EQ(FindDialogTemplate(nId), nullptr);
    }
}

}  // namespace
