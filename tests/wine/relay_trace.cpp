#include "relay_trace.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sorvane::wine {

namespace {

void appendUtf8(std::string& out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Wine's debugstr form: "text" or L"text", \xNN (narrow) or \xNNNN (wide) for what is not
// plain ASCII. Leaves `i` past the closing quote.
std::optional<std::string> quoted(const std::string& s, std::size_t& i) {
    bool wide = false;
    if (s.compare(i, 2, "L\"") == 0) {
        wide = true;
        ++i;
    }
    if (i >= s.size() || s[i] != '"') return std::nullopt;
    std::string out;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            ++i;
            return out;
        }
        if (c != '\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const char e = s[++i];
        // Wide strings write what is not ASCII as \ and four hex digits.
        if (wide && i + 3 < s.size() && isHex(e) && isHex(s[i + 1]) && isHex(s[i + 2]) &&
            isHex(s[i + 3])) {
            appendUtf8(out, static_cast<unsigned>(std::stoul(s.substr(i, 4), nullptr, 16)));
            i += 3;
        } else if (e == 'n')
            out += '\n';
        else if (e == 'r')
            out += '\r';
        else if (e == 't')
            out += '\t';
        else if (e == 'x') {
            const std::size_t digits = wide ? 4 : 2;
            if (i + digits >= s.size()) return std::nullopt;
            appendUtf8(out,
                       static_cast<unsigned>(std::stoul(s.substr(i + 1, digits), nullptr, 16)));
            i += digits;
        } else
            out += e;
    }
    return std::nullopt;
}

struct Line {
    double ms = 0;
    std::string pid, tid, kind, function, rest;
};

// "1007.658:0020:0024:Call user32.GetWindowLongA(00020044,ffffffec) ret=14000b840"
std::optional<Line> split(const std::string& l) {
    Line out;
    std::size_t a = l.find(':');
    if (a == std::string::npos) return std::nullopt;
    try {
        out.ms = std::stod(l.substr(0, a)) * 1000.0;
    } catch (...) {
        return std::nullopt;
    }
    const std::size_t b = l.find(':', a + 1), c = b == std::string::npos ? b : l.find(':', b + 1);
    if (c == std::string::npos) return std::nullopt;
    out.pid = l.substr(a + 1, b - a - 1);
    out.tid = l.substr(b + 1, c - b - 1);
    const std::string body = l.substr(c + 1);
    for (const char* kind : {"Call ", "Ret  "}) {
        if (body.rfind(kind, 0) != 0) continue;
        out.kind = kind;
        const std::size_t dot = body.find('.', 5), open = body.find('(', 5);
        if (dot == std::string::npos || open == std::string::npos || dot > open)
            return std::nullopt;
        out.function = body.substr(dot + 1, open - dot - 1);
        out.rest = body.substr(open + 1);
        return out;
    }
    return std::nullopt;
}

std::optional<TracedCall> callFrom(const Line& l) {
    TracedCall call;
    call.ms = l.ms;
    call.function = l.function;
    const std::string& s = l.rest;
    std::size_t i = 0;
    if (!s.empty() && s[0] == ')') return call;
    while (i < s.size()) {
        std::size_t start = i;
        while (i < s.size() && isHex(s[i]))
            ++i;
        if (i == start) return std::nullopt;
        const std::string hex = s.substr(start, i - start);
        call.args.push_back(static_cast<std::uint32_t>(
            std::stoull(hex.size() > 8 ? hex.substr(hex.size() - 8) : hex, nullptr, 16)));
        call.texts.emplace_back();
        if (i < s.size() && s[i] == ' ') {
            ++i;
            call.texts.back() = quoted(s, i);
            if (!call.texts.back()) return std::nullopt;
        }
        if (i < s.size() && s[i] == ')') return call;
        if (i >= s.size() || s[i] != ',') return std::nullopt;
        ++i;
    }
    return std::nullopt;
}

} // namespace

std::vector<TracedCall> parseRelayTrace(const std::string& log, const std::string& exeName) {
    std::vector<TracedCall> calls;
    // Per thread: calls awaiting their Ret, by function, with their index (none if left out).
    std::map<std::string, std::vector<std::pair<std::string, std::size_t>>> open;
    std::string program;
    std::uint64_t base = 0; // where the exe is loaded: its own calls return into it
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t nl = log.find('\n', at);
        if (nl == std::string::npos) break; // a line still being written
        const std::string text = log.substr(at, nl - at);
        at = nl + 1;
        // "<time>:<pid>:<tid>:trace:loaddll:build_module Loaded L"Z:\\...\\Sorvane.exe" at ..."
        if (program.empty()) {
            const std::size_t loaded = text.find(":trace:loaddll:");
            const std::size_t exe = text.find("\\\\" + exeName + "\"");
            if (loaded != std::string::npos && exe != std::string::npos) {
                const std::size_t a = text.find(':');
                program = text.substr(a + 1, text.find(':', a + 1) - a - 1);
                if (const std::size_t from = text.find("\" at ", exe); from != std::string::npos)
                    base = std::stoull(text.substr(from + 5, 16), nullptr, 16);
            }
            continue;
        }
        auto l = split(text);
        if (!l || l->pid != program) continue;
        auto& stack = open[l->tid];
        if (l->kind == "Call ") {
            auto call = callFrom(*l);
            if (!call) continue;
            // Calls the runtime makes on the program's behalf (a message box placing its icon,
            // its button releasing the mouse) return into a DLL, not into the exe: not the
            // program's. 16 MB is far more than the exe's image.
            if (const std::size_t r = l->rest.find(" ret="); r != std::string::npos && base) {
                const std::uint64_t ret = std::stoull(l->rest.substr(r + 5), nullptr, 16);
                if (ret < base || ret >= base + 0x1000000) {
                    stack.emplace_back(call->function, SIZE_MAX);
                    continue;
                }
            }
            call->end = at;
            stack.emplace_back(call->function, calls.size());
            calls.push_back(std::move(*call));
        } else {
            const std::size_t r = l->rest.find("retval=");
            if (stack.empty() || r == std::string::npos) continue;
            const auto [function, index] = stack.back();
            if (function != l->function) continue;
            stack.pop_back();
            if (index == SIZE_MAX) continue;
            const std::string hex = l->rest.substr(r + 7, l->rest.find(' ', r) - r - 7);
            calls[index].result = static_cast<std::uint32_t>(
                std::stoull(hex.size() > 8 ? hex.substr(hex.size() - 8) : hex, nullptr, 16));
        }
    }
    return calls;
}

namespace {

std::string trim(std::string s) {
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// Arguments split at commas outside quotes.
std::vector<std::string> splitArgs(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    bool inText = false;
    for (char c : s) {
        if (c == '"') inText = !inText;
        if (c == ',' && !inText) {
            out.push_back(trim(cur));
            cur.clear();
        } else
            cur += c;
    }
    if (!trim(cur).empty() || !out.empty()) out.push_back(trim(cur));
    return out;
}

ExpectedCall parseExpected(const std::string& line, const std::string& where) {
    // Function(args) [= 0 | != 0] [xN]
    ExpectedCall e;
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        throw std::runtime_error(where + ": not a call: " + line);
    e.function = trim(line.substr(0, open));
    e.args = splitArgs(line.substr(open + 1, close - open - 1));
    std::istringstream tail(line.substr(close + 1));
    for (std::string word; tail >> word;) {
        if (word == "=" || word == "!=") {
            std::string value;
            tail >> value;
            e.result = (word == "!=" ? "!" : "") + value;
        } else if (word.size() > 1 && word[0] == 'x') {
            e.times = std::stoi(word.substr(1));
        } else {
            throw std::runtime_error(where + ": what is \"" + word + "\" in: " + line);
        }
    }
    return e;
}

} // namespace

std::map<std::string, ContractStep> readContract(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::map<std::string, ContractStep> steps;
    ContractStep* step = nullptr;
    int n = 0;
    for (std::string line; std::getline(in, line);) {
        ++n;
        if (const std::size_t hash = line.find('#');
            hash != std::string::npos && line.find('"') > hash)
            line.erase(hash);
        line = trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            std::string name = line.substr(1, line.find(']') - 1);
            const bool repeats = line.find("repeats", line.find(']')) != std::string::npos;
            step = &steps[name];
            step->name = name;
            step->repeats = repeats;
            continue;
        }
        if (!step)
            throw std::runtime_error(path + ":" + std::to_string(n) + ": call before a step");
        step->calls.push_back(parseExpected(line, path + ":" + std::to_string(n)));
    }
    return steps;
}

namespace {

std::optional<std::uint32_t> number(const std::string& token) {
    try {
        std::size_t used = 0;
        const long long v = std::stoll(token, &used, 0);
        if (used != token.size()) return std::nullopt;
        return static_cast<std::uint32_t>(v);
    } catch (...) {
        return std::nullopt;
    }
}

std::string hex(std::uint32_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << v;
    return s.str();
}

std::string nameOf(std::uint32_t v, const Handles& handles) {
    for (const auto& [name, h] : handles)
        if (h == v && v != 0 && v != 0xffffffffu) return name;
    return hex(v);
}

std::string describe(const ExpectedCall& e) {
    std::string s = e.function + "(";
    for (std::size_t i = 0; i < e.args.size(); ++i)
        s += (i ? ", " : "") + e.args[i];
    s += ")";
    if (!e.result.empty()) s += e.result[0] == '!' ? " != " + e.result.substr(1) : " = " + e.result;
    return s;
}

bool isPollOrReading(const TracedCall& c, bool readingsListed) {
    if (c.function == "GetAsyncKeyState") return c.result && *c.result == 0;
    return c.function == "GetSystemPowerStatus" && !readingsListed;
}

// Why `call` is not `want`, or "" when it is. Learns the shell windows' handles.
std::string compare(const ExpectedCall& want, const TracedCall& call, Handles& handles,
                    std::map<std::uint32_t, std::uint32_t>& styles) {
    if (call.function != want.function) return "another call";
    if (call.args.size() != want.args.size()) return "another number of arguments";
    for (std::size_t i = 0; i < want.args.size(); ++i) {
        const std::string& token = want.args[i];
        const std::uint32_t got = call.args[i];
        const std::string which = "argument " + std::to_string(i + 1) + " ";
        if (token == "*") continue;
        if (token.front() == '"') {
            const std::string text = token.substr(1, token.size() - 2);
            if (!call.texts[i] || *call.texts[i] != text)
                return which + "is " + (call.texts[i] ? "\"" + *call.texts[i] + "\"" : hex(got)) +
                       ", not \"" + text + "\"";
            continue;
        }
        if (token == "layered") {
            auto s = styles.find(call.args[0]);
            const std::uint32_t want32 = (s == styles.end() ? 0 : s->second) | 0x80000u;
            if (s == styles.end() || got != want32)
                return which + hex(got) + " is not the style just read with WS_EX_LAYERED (" +
                       hex(want32) + ")";
            continue;
        }
        if (token.rfind("low:", 0) == 0) {
            const auto v = number(token.substr(4));
            if (!v || (got & 0xFF) != *v)
                return which + hex(got) + " does not end in " + token.substr(4);
            continue;
        }
        if (auto v = number(token)) {
            if (got != *v) {
                // In the base the contract writes it in: "0xfa0, not 5000" reads badly.
                const bool decimal = token.rfind("0x", 0) != 0;
                const std::string as =
                    decimal ? std::to_string(static_cast<std::int32_t>(got)) : hex(got);
                return which + "is " + as + ", not " + token;
            }
            continue;
        }
        auto h = handles.find(token);
        if (h == handles.end()) return which + ": no window is known as " + token;
        if (got != h->second) return which + "is " + nameOf(got, handles) + ", not " + token;
    }
    if (!want.result.empty()) {
        if (!call.result) return "pending";
        const bool notZero = want.result == "!0";
        const auto v = number(notZero ? "0" : want.result);
        if (notZero ? *call.result == 0 : *call.result != *v)
            return "it returned " + hex(*call.result) + ", not " +
                   describe(want).substr(describe(want).rfind(' ') + 1);
    }
    if (call.function == "GetWindowLongA") {
        if (!call.result) return "pending";
        styles[call.args[0]] = *call.result;
    }
    if (call.function == "FindWindowA" && call.texts.size() == 2 && call.texts[0]) {
        if (!call.result) return "pending";
        const std::string& cls = *call.texts[0];
        handles[cls == "Progman" ? "desktop" : "taskbar"] = *call.result;
    }
    return "";
}

} // namespace

namespace {

// The call as the program made it; numbers the contract writes in decimal (`like`) in decimal,
// so "AnimateWindow(Main, 2500, 0x10)" reads against "AnimateWindow(Main, 5000, 0x10)".
std::string describeLike(const TracedCall& c, const Handles& handles, const ExpectedCall* like) {
    std::string s = c.function + "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        if (i) s += ", ";
        const bool decimal = like && i < like->args.size() && number(like->args[i]) &&
                             like->args[i].rfind("0x", 0) != 0;
        if (c.texts[i])
            s += "\"" + *c.texts[i] + "\"";
        else if (decimal)
            s += std::to_string(static_cast<std::int32_t>(c.args[i]));
        else if (c.args[i] >= 0x10000u && c.args[i] < 0x1000000u)
            s += nameOf(c.args[i], handles);
        else if (c.args[i] >= 0xffff0000u)
            s += std::to_string(static_cast<std::int32_t>(c.args[i]));
        else
            s += hex(c.args[i]);
    }
    s += ")";
    if (c.result) s += " = " + hex(*c.result);
    return s;
}

} // namespace

std::string describe(const TracedCall& c, const Handles& handles) {
    return describeLike(c, handles, nullptr);
}

StepCheck checkStep(const ContractStep& step, const std::vector<TracedCall>& calls,
                    Handles& handles) {
    std::vector<const ExpectedCall*> want;
    bool readings = false;
    for (const auto& e : step.calls) {
        readings |= e.function == "GetSystemPowerStatus";
        for (int i = 0; i < e.times; ++i)
            want.push_back(&e);
    }
    std::map<std::uint32_t, std::uint32_t> styles;
    StepCheck out;
    std::size_t w = 0, rounds = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const TracedCall& c = calls[i];
        // A poll whose answer is not logged yet: what follows it is not known to be complete.
        if (c.function == "GetAsyncKeyState" && !c.result) break;
        if (isPollOrReading(c, readings)) continue;
        if (w == want.size()) {
            if (!step.repeats) break;
            w = 0;
        }
        const std::string why = compare(*want[w], c, handles, styles);
        if (why == "pending") break;
        if (!why.empty()) {
            out.complete = true;
            out.why = "step \"" + step.name + "\", call " + std::to_string(w + 1) + ": expected " +
                      describe(*want[w]) + ", the program made " +
                      describeLike(c, handles, want[w]) + ": " + why;
            return out;
        }
        if (++w == want.size()) {
            ++rounds;
            out.used = i + 1;
        }
    }
    if (rounds > 0 && (w == want.size() || step.repeats)) {
        out.matched = true;
        return out;
    }
    out.why = "step \"" + step.name + "\": " +
              (want.empty() ? std::string("no calls expected")
                            : "the program never made call " + std::to_string(w + 1) + ", " +
                                  describe(*want[w]));
    return out;
}

} // namespace sorvane::wine
