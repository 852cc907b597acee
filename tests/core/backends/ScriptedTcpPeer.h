#pragma once
// A stand-in for an Ethernet motor in tests: listens on its own loopback address, accepts
// connections one after another and answers each command (frames are 0x80, text, blank) from a
// script. A reply of kDrop sends what precedes it and then closes the connection.

#include "platform/net/Socket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedTcpPeer {
public:
    static constexpr char kDrop = '\x01';

    ScriptedTcpPeer(const std::string& address, int port) : m_listener(platform::net::TcpListen(address, port))
    {
        if (m_listener.IsValid())
            m_thread = std::thread([this] { Run(); });
    }
    ~ScriptedTcpPeer() { Stop(); }

    bool IsListening() const { return m_listener.IsValid(); }
    int Port() const { return platform::net::LocalPort(m_listener.Fd()); }

    void Answer(const std::string& command, const std::string& reply)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_script[command] = reply;
    }
    // Raw bytes to the current connection, outside any script; waits up to a second for the
    // connection to be accepted. False when there was none.
    bool Send(const std::string& bytes)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_accepted.wait_for(lock, std::chrono::seconds(1), [&] { return m_client >= 0; });
        int error;
        return m_client >= 0 &&
               platform::net::SendAll(m_client, bytes.data(), bytes.size(), 5000, error) == bytes.size();
    }
    std::vector<std::string> Heard()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_heard;
    }
    int Connections() const { return m_connections; }
    void Stop()
    {
        m_waker.Notify();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void Run()
    {
        using namespace platform::net;
        while (WaitReadable(m_listener.Fd(), -1, &m_waker) == WaitResult::Ready) {
            Socket client = TcpAccept(m_listener.Fd(), 0);
            if (!client.IsValid())
                continue;
            ++m_connections;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_client = client.Fd();
            }
            m_accepted.notify_all();
            Serve(client);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_client = -1;
        }
    }
    void Serve(platform::net::Socket& client)
    {
        using namespace platform::net;
        std::string command;
        char buf[256];
        for (;;) {
            const RecvResult r = Receive(client.Fd(), buf, sizeof buf, -1, &m_waker);
            if (r.status != RecvStatus::Data)
                return;
            for (size_t i = 0; i < r.count; ++i) {
                const char c = buf[i];
                if (static_cast<uint8_t>(c) == 0x80)
                    continue;
                if (c != ' ' && c != '\r') {
                    command += c;
                    continue;
                }
                std::string reply;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_heard.push_back(command);
                    auto it = m_script.find(command);
                    if (it != m_script.end())
                        reply = it->second;
                }
                command.clear();
                const size_t drop = reply.find(kDrop);
                int error;
                SendAll(client.Fd(), reply.data(), drop == std::string::npos ? reply.size() : drop, 1000, error);
                if (drop != std::string::npos) {
                    client.Shutdown();
                    return;
                }
            }
        }
    }

    platform::net::Socket m_listener;
    platform::net::Waker m_waker;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_accepted;
    std::map<std::string, std::string> m_script;
    std::vector<std::string> m_heard;
    int m_client = -1;
    std::atomic<int> m_connections{0};
};
