#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

namespace kx {

// The local protocol between kx-server and the programs on the same computer that share
// its port (SharedPort, kx-ctl server-status), over the server's local socket.
//
// A message is one line ended by LF: a word, then its fields, each after one space and
// percent-encoded, so a field holds any bytes (CR and LF included) and never a space or
// an LF; an empty field is allowed.
//
// From a client:
//   HELLO name      its first message: who it is ("kx-ctl (pid 1234)")
//   WHO             instead of HELLO: the server answers SERVER, CLIENT..., HOLDER, and
//                   closes the connection; the asker is no client
//   BEGIN           an operation begins: the client asks for the turn
//   WRITE bytes     bytes for the generator, while the client has the turn
//   END             the operation has ended: the turn goes back
// From the server:
//   WELCOME device identification   the answer to HELLO
//   GRANTED         the turn is the client's until its END: no other client's line
//                   reaches the generator meanwhile
//   READ bytes      bytes from the generator, to the client that has the turn
//   TRAFFIC client line answer      another client sent `line` and the generator
//                   answered `answer` (empty: a setting, or no answer)
//   SERVER device identification    (WHO) the device and the generator's *IDN? answer
//   CLIENT name     (WHO) one a client connected
//   HOLDER name     (WHO, the last) who holds the lock; empty when it is free
//   LOST            the generator's port failed: the line is gone
//   BYE reason      the server ends, or will not take this client; it closes
namespace frame {

inline constexpr char hello[] = "HELLO";
inline constexpr char who[] = "WHO";
inline constexpr char begin[] = "BEGIN";
inline constexpr char write[] = "WRITE";
inline constexpr char end[] = "END";
inline constexpr char welcome[] = "WELCOME";
inline constexpr char granted[] = "GRANTED";
inline constexpr char read[] = "READ";
inline constexpr char traffic[] = "TRAFFIC";
inline constexpr char server[] = "SERVER";
inline constexpr char client[] = "CLIENT";
inline constexpr char holder[] = "HOLDER";
inline constexpr char lost[] = "LOST";
inline constexpr char bye[] = "BYE";

// The longest message a reader takes, its LF included.
inline constexpr qsizetype longest = 64 * 1024;

struct Message {
    QByteArray word;
    QByteArrayList fields;

    QByteArray field(qsizetype i) const { return fields.value(i); }
};

// One message as it goes on the socket.
QByteArray encode(const QByteArray& word, const QByteArrayList& fields = {});

// Gathers what the socket brings and hands out whole messages.
class Reader {
public:
    void feed(const QByteArray& bytes) { pending_ += bytes; }
    // The next whole message, if one has come. A line longer than `longest` is an error.
    std::optional<Message> next();
    bool failed() const { return failed_; }

private:
    QByteArray pending_;
    bool failed_ = false;
};

} // namespace frame
} // namespace kx
