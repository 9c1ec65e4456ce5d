// TMessage: a message to a window procedure, as the station's forms receive it.
#pragma once

#include <cstdint>

// A message to a window procedure: its number, its two parameters and the answer.
struct TMessage {
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};
