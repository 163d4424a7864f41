// A dialog template as data: what the POSIX window services build a dialog
// from. The Windows build takes the same dialogs from its resource script.
#pragma once

#include "winapi.h"

struct DialogControl {
    int nId;
    const char* pszClass;  // "Button", "Static" or "msctls_progress32"
    const char* pszText;   // code page 932
    short x, y, cx, cy;    // dialog units
    DWORD dwStyle;
};

struct DialogTemplate {
    int nId;
    const char* pszCaption;  // code page 932
    DWORD dwStyle;
    short x, y, cx, cy;
    const char* pszFont;     // code page 932
    WORD wPointSize;
    const DialogControl* pControls;
    int nControls;
};

// The program's own dialog templates; null for an unknown identifier.
const DialogTemplate* FindDialogTemplate(int nId);
