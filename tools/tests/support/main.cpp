// Test entry: byte classes of code page 932, as updtool's main sets them.
#include <gtest/gtest.h>

#include "codepage.h"

int main(int argc, char** argv) {
    LoadActiveCodePage();
    // The tool judges manifests as code page 932 whatever this system's code page.
    UseCodePage(932);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
