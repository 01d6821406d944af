#pragma once
// The control channel's wire format, shared by the library's servers and the calder-sim tool.
//
// The client sends each argument as '+' ARG '\n' and ends with an empty line; the server
// answers "OK\n" or "ERR\n" followed by the command's text. The answer ends where the
// connection does: the Unix socket server closes it; on the Windows named pipe the answer is
// one message, and the client closes the pipe once it has read it.
#include <string>
#include <vector>

namespace sim::wire {

constexpr size_t kMaxRequest = 65536;

// False when an argument holds a line break, which the format cannot carry.
inline bool encodeRequest(const std::vector<std::string> &args, std::string &out)
{
    out.clear();
    for (const std::string &arg : args) {
        if (arg.find('\n') != std::string::npos)
            return false;
        out += '+' + arg + '\n';
    }
    out += '\n';
    return true;
}

// True once `in` holds a whole request, or more than any request may hold.
inline bool requestEnded(const std::string &in)
{
    return in.size() >= kMaxRequest || in == "\n" || (in.size() >= 2 && in.compare(in.size() - 2, 2, "\n\n") == 0);
}

// False when `in` is not a whole, well-formed request.
inline bool decodeRequest(const std::string &in, std::vector<std::string> &args)
{
    args.clear();
    size_t pos = 0;
    while (pos < in.size()) {
        const size_t nl = in.find('\n', pos);
        if (nl == std::string::npos || (nl != pos && in[pos] != '+'))
            return false;
        if (nl == pos)
            return true;
        args.push_back(in.substr(pos + 1, nl - pos - 1));
        pos = nl + 1;
    }
    return false;
}

inline std::string encodeReply(bool ok, const std::string &text) { return (ok ? "OK\n" : "ERR\n") + text; }

// False when the answer lacks its status line.
inline bool decodeReply(const std::string &in, bool &ok, std::string &text)
{
    const size_t nl = in.find('\n');
    if (nl == std::string::npos)
        return false;
    ok = in.compare(0, nl, "OK") == 0;
    text = in.substr(nl + 1);
    return true;
}

} // namespace sim::wire
