// Shows one message box: showbox.exe <style> <caption> <text>; style in hex.
// Lets the watcher's own reading of boxes (buttons, icon) be checked.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    UINT style = static_cast<UINT>(std::strtoul(argv[1], nullptr, 16));
    return MessageBoxA(nullptr, argv[3], argv[2], style);
}
