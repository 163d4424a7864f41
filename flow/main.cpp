#include "codepage.h"
#include "update.h"
#include "winapi.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    // Fixed for the whole run before any path is looked at.
    LoadActiveCodePage();
    // The progress dialog's bar is a common control; Windows provides its
    // class only once asked.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return RunUpdate(hInstance);
}
