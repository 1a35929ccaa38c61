// A 4.1.0 server cannot be had any more, so a small stand-in on the loopback speaks just enough of
// the client/server protocol for the engine: a greeting with the version text, acceptance of any
// login, and an OK for every statement, which it records.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "SQL/sql_exception.h"
#include "SQL/sql_test_env.h"

namespace {

class greeting_server {
public:
    explicit greeting_server(std::string version) : m_version(std::move(version)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 1) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~greeting_server() {
        if (m_thread.joinable()) m_thread.join();
        if (m_listener >= 0) ::close(m_listener);
    }

    int port() const { return m_port; }
    // The statements received, once the client has gone (join first).
    const std::vector<std::string>& statements() {
        if (m_thread.joinable()) m_thread.join();
        return m_statements;
    }

private:
    // Waits at most ten seconds for the peer, so a test that goes wrong cannot hang.
    static bool wait_readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 10000) == 1;
    }

    static bool read_exact(int fd, std::string& out, std::size_t count) {
        out.resize(count);
        std::size_t done = 0;
        while (done < count) {
            if (!wait_readable(fd)) return false;
            const ssize_t n = ::recv(fd, out.data() + done, count - done, 0);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    static bool read_packet(int fd, std::string& body) {
        std::string header;
        if (!read_exact(fd, header, 4)) return false;
        const std::size_t length = static_cast<std::uint8_t>(header[0]) |
                                   static_cast<std::uint8_t>(header[1]) << 8 |
                                   static_cast<std::uint8_t>(header[2]) << 16;
        return read_exact(fd, body, length);
    }

    static void send_packet(int fd, std::uint8_t sequence, const std::string& body) {
        std::string packet;
        packet.push_back(static_cast<char>(body.size() & 0xFF));
        packet.push_back(static_cast<char>((body.size() >> 8) & 0xFF));
        packet.push_back(static_cast<char>((body.size() >> 16) & 0xFF));
        packet.push_back(static_cast<char>(sequence));
        packet += body;
        (void)::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL);
    }

    std::string greeting() const {
        // Protocol 10; capabilities: long password, found rows, long flag, connect with
        // database, 4.1 protocol, transactions, secure connection; plugin authentication above.
        const std::uint32_t capabilities =
            0x1 | 0x2 | 0x4 | 0x8 | 0x200 | 0x2000 | 0x8000 | 0x80000;
        std::string body(1, '\x0a');
        body += m_version;
        body.push_back('\0');
        body += std::string("\x01\x00\x00\x00", 4);  // connection id
        body += "abcdefgh";                          // first part of the scramble
        body.push_back('\0');
        body.push_back(static_cast<char>(capabilities & 0xFF));
        body.push_back(static_cast<char>((capabilities >> 8) & 0xFF));
        body.push_back('\x21');              // utf8_general_ci
        body += std::string("\x02\x00", 2);  // autocommit
        body.push_back(static_cast<char>((capabilities >> 16) & 0xFF));
        body.push_back(static_cast<char>((capabilities >> 24) & 0xFF));
        body.push_back('\x15');  // scramble length 21
        body += std::string(10, '\0');
        body += "ijklmnopqrst";  // second part of the scramble
        body.push_back('\0');
        body += "mysql_native_password";
        body.push_back('\0');
        return body;
    }

    void serve() {
        if (!wait_readable(m_listener)) return;
        const int fd = ::accept(m_listener, nullptr, nullptr);
        if (fd < 0) return;
        const std::string ok("\x00\x00\x00\x02\x00\x00\x00", 7);
        send_packet(fd, 0, greeting());
        std::string body;
        if (read_packet(fd, body)) {
            send_packet(fd, 2, ok);
            // Statements until the client quits (command 1) or goes.
            while (read_packet(fd, body) && !body.empty() && body[0] != '\x01') {
                if (body[0] == '\x03') m_statements.push_back(body.substr(1));
                send_packet(fd, 1, ok);
            }
        }
        ::close(fd);
    }

    std::string m_version;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::vector<std::string> m_statements;
};

class sql_old_server_test : public sql_engine_test {};

}  // namespace

TEST_F(sql_old_server_test, A410ServerRefusesPasswordsAfterTuningTheSession) {
    greeting_server server("4.1.0");
    ASSERT_GT(server.port(), 0);
    try {
        engine->connect("127.0.0.1", "scott", "tiger", server.port());
        ADD_FAILURE() << "a 4.1.0 server with a password was accepted";
    } catch (const sql_auth_not_supported_exception& e) {
        EXPECT_EQ(e.level(), 1);
    }
    EXPECT_EQ(engine->version_word, 0x40100u);
    engine.reset();
    const std::vector<std::string> expected = {
        "SET NAMES UTF8",
        "set session wait_timeout=cast(if(@@session.wait_timeout < "
        "28800,28800,@@session.wait_timeout) as unsigned);",
        "SET FOREIGN_KEY_CHECKS = 1"};
    EXPECT_EQ(server.statements(), expected);
}

TEST_F(sql_old_server_test, A410ServerWithoutPasswordConnects) {
    greeting_server server("4.1.0-alpha-log");
    ASSERT_GT(server.port(), 0);
    engine->connect("127.0.0.1", "scott", "", server.port());
    EXPECT_TRUE(engine->connected);
    EXPECT_EQ(engine->version_word, 0x40100u);
    // Names of the older generation stay bare in database statements.
    engine->version_word = 0x40016;
    engine->create_db(L"HR");
    engine.reset();
    const std::vector<std::string> statements = server.statements();
    ASSERT_EQ(statements.size(), 6u);
    EXPECT_EQ(statements[2], "SET FOREIGN_KEY_CHECKS = 0");
    EXPECT_EQ(statements[3], "SELECT @@max_allowed_packet");
    EXPECT_EQ(statements[4], "CREATE DATABASE HR character set utf8");
    EXPECT_EQ(statements[5], "SET FOREIGN_KEY_CHECKS = 1");
}

TEST_F(sql_old_server_test, VersionTextsThatSayNothing) {
    engine->version_word = 0x50000;
    {
        greeting_server server("");
        ASSERT_GT(server.port(), 0);
        engine->connect("127.0.0.1", "scott", "", server.port());
        // No version: the word stays and the foreign-key statement is not sent.
        EXPECT_EQ(engine->version_word, 0x50000u);
        engine.reset();
        EXPECT_EQ(server.statements().size(), 3u);
    }
    engine = std::make_unique<sql_engine>();
    greeting_server garbled("beta");
    ASSERT_GT(garbled.port(), 0);
    try {
        engine->connect("127.0.0.1", "scott", "", garbled.port());
        ADD_FAILURE() << "an unreadable version text was accepted";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
    }
    engine.reset();
}
