#pragma once
// Reading one reply character by character, whatever delivers the characters: the port's line,
// or a motor's own Ethernet or USB link.

#include <cstdint>
#include <functional>

class CCommPort;

// Puts the total timeout in force and reads into buffer (at most size-1 characters, always
// NUL-terminated) up to CR, LF or NUL when stopAtEol (the line end is logged, then replaced by
// NUL). A chattering source is cut off after twice the total timeout. What came is logged to the
// port's analyzer page. No character: 1005 with noReplyData. Returns the reply length.
int ReadReplyLine(CCommPort& port, char* buffer, int size, bool stopAtEol, const std::function<bool(char&)>& readChar,
                  uint32_t noReplyData = 0);
