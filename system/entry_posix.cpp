// The POSIX process entry: start the program the way Windows starts it.
#include "winapi.h"

int main() { return WinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW); }
