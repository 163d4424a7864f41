// One whole update, from the manifests to the rewritten uninstall manifest.
#pragma once

#include "winapi.h"

// Runs the update with the dialogs of hInstance's resources; every outcome
// is shown to the user, and the result, the exit code, is always 0.
int RunUpdate(HINSTANCE hInstance);
