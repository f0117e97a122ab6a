#pragma once

#include "core/ftp/ftp_client.h"
#include "support/scripted_server.h"

#include <memory>
#include <string>

namespace quorvel::test {

// The greeting and login of a client made by clientFor().
inline void greetAndLogin(ScriptedPeer& peer) {
    peer.reply("220 scripted server");
    peer.expect("USER tester");
    peer.reply("331 Password please");
    peer.expect("PASS secret");
    peer.reply("230 Logged in");
    peer.expect("TYPE I");
    peer.reply("200 Binary");
    peer.expect("SYST");
    peer.reply("215 UNIX Type: L8");
}

// Answers PASV with `advertised` as the address and a data listener's port; returns nothing
// until the client has connected to the listener (on the server's real address).
inline void answerPassive(ScriptedPeer& peer, const std::string& advertised = "10,0,0,1") {
    peer.expect("PASV");
    const int port = peer.listenData();
    peer.reply("227 Entering Passive Mode (" + advertised + "," + std::to_string(port / 256) + "," +
               std::to_string(port % 256) + ")");
}

// A passive download of `data` for `command` ("LIST", "RETR x").
inline void servePassive(ScriptedPeer& peer, const std::string& command, const std::string& data) {
    answerPassive(peer);
    peer.acceptData();
    peer.expect(command);
    peer.reply("150 Opening data connection");
    peer.sendData(data);
    peer.closeData();
    peer.reply("226 Transfer complete");
}

// A client of the scripted server with short time-outs, so a failing test ends quickly.
inline std::unique_ptr<TFtpClient> clientFor(const ScriptedServer& server, bool passive = true) {
    auto client = std::make_unique<TFtpClient>();
    client->Host = "127.0.0.1";
    client->Port = server.port();
    client->Username = "tester";
    client->Password = "secret";
    client->Passive = passive;
    client->ReadTimeout = client->ConnectTimeout = client->DataTimeout = 5000;
    return client;
}

} // namespace quorvel::test
