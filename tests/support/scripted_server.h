#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvel::test {

// The server side of one scripted conversation, run on the server's thread. Every wait is
// limited to a few seconds, so a script that waits for something the client never sends ends
// the test with a failure instead of hanging it.
class ScriptedPeer {
public:
    ScriptedPeer(int control, std::string host, std::vector<std::string>& heard, std::mutex& mutex);
    ~ScriptedPeer();

    // Sends text as it is / one line with CR LF.
    void say(std::string_view text);
    void reply(std::string_view line) { say(std::string(line) + "\r\n"); }
    // The next line from the client, without its CR LF. Raises when the client closes or is silent.
    std::string hear();
    // hear() and raise unless the line is `line`.
    void expect(std::string_view line);
    // Keeps reading until the client closes the connection; false when it stays open too long.
    bool waitForClose();
    void close();

    // Passive mode: a listener on the server's host; returns its port. Then acceptData().
    int listenData();
    void acceptData();
    // Active mode: connects to the client's port (optionally from another local address).
    void connectData(int port, const std::string& fromHost = {});
    void sendData(std::string_view bytes);
    std::string receiveData(); // until the client closes it
    void closeData();
    // Hands the data socket to the script (which then closes it).
    int releaseData();

private:
    int m_control;
    std::string m_host;
    std::vector<std::string>& m_heard;
    std::mutex& m_mutex;
    std::string m_pending;
    int m_listener = -1;
    int m_data = -1;
};

// A server on a free port of 127.0.0.1 (or another local address such as ::1) that accepts one
// connection and runs the test's script on it, recording what the client sent.
class ScriptedServer {
public:
    using Script = std::function<void(ScriptedPeer&)>;
    explicit ScriptedServer(Script script, std::string host = "127.0.0.1");
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return m_port; }
    // Waits until the script has ended.
    void finish();
    // The lines the client sent, in order.
    std::vector<std::string> heard();
    // Empty when the script ran to its end; otherwise why it stopped.
    std::string failure();

private:
    void run(const Script& script);

    std::string m_host;
    int m_listener = -1;
    int m_port = 0;
    std::mutex m_mutex;
    std::vector<std::string> m_heard;
    std::string m_failure;
    std::thread m_thread;
};

} // namespace quorvel::test
