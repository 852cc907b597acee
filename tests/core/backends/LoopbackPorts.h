#pragma once
// Free TCP ports on loopback for tests whose motors sit on 127.0.0.x addresses.

#include "platform/net/Socket.h"

#include <string>

// A port free on 127.0.0.1 up to 127.0.0.<last>, so that every motor can listen on the same one.
inline int FreeLoopbackPort(int last = 1)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        platform::net::Socket first = platform::net::TcpListen("127.0.0.1", 0);
        const int port = platform::net::LocalPort(first.Fd());
        bool free = true;
        for (int n = 2; n <= last && free; ++n)
            free = platform::net::TcpListen("127.0.0." + std::to_string(n), port).IsValid();
        if (free)
            return port;
    }
    return 0;
}
