// One-line usage of each command, shown with its usage errors.
#pragma once

extern const char kBuildUsage[];
extern const char kCheckUsage[];
extern const char kDumpUsage[];
extern const char kUninstallManifestUsage[];
