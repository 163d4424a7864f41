// Test entry: the code page is read once at start, as the program does.
#include <gtest/gtest.h>

#include "codepage.h"

int main(int argc, char** argv) {
    LoadActiveCodePage();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
