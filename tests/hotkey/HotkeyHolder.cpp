// Holds a hotkey in a process of its own, so the tests can show that a key taken
// by another program is refused:
//   hotkey_holder VIRTUAL_KEY MODIFIERS READY_EVENT QUIT_EVENT
// The events are inherited handles, given as numbers. Exits with 1 when the key
// is already taken.
#include "HotkeyTestSupport.h"

#include <cstdlib>

int main(int argc, char** argv) {
    constexpr int ArgumentCount = 5;
    if (argc != ArgumentCount)
        return 2;
    auto number = [](const char* text) { return std::strtoull(text, nullptr, 10); };
    TestKey key = {static_cast<int>(number(argv[1])), static_cast<int>(number(argv[2]))};
    HANDLE ready = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(number(argv[3])));
    HANDLE quit = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(number(argv[4])));
    return HoldKeyUntil(key, ready, quit) ? 0 : 1;
}
