#pragma once
// The terminal's plain read: what was read ahead and what has already arrived, without waiting.

#include <cstddef>
#include <cstdint>

class CCommPort;

// Moves the pushback bytes into buffer (emptying it), then reads at most count further bytes that
// are already queued and reports them to the analyzer as received text. buffer must hold the
// pushback bytes plus count. Returns the number of bytes placed in buffer.
int ReadAvailable(CCommPort& port, uint8_t* buffer, size_t count);
