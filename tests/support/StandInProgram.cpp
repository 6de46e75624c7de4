// One small program that plays every outside program the client runs in tests:
// the proxy core (xray.exe), tun2socks.exe and the tools reg, netsh, setx,
// taskkill and tasklist. It tells which one it is by the name it was started as.
//
// Every call appends one JSON line {"program", "args", "pid"} to calls.log in the
// directory named by ORVO_STANDIN_DIR. The test steers each program through
// control.json in that directory: {"<program>": [rule, ...]}, the first rule whose
// "argsContain" (if any) occurs in the blank-joined arguments applies. A rule may
// hold "hangMs" (wait before answering, -1 until killed), "exitCode", "stdout",
// "stderr" (replace the usual output), "runForMs" (how long a long-running
// program stays up, -1 until killed), "crash" (end by a signal instead of
// exiting) and "ignoreTerm" (ignore SIGTERM). A long-running program told
// SIGUSR1 ends at once with exit code 0, as if it had ended by itself.
//
// reg keeps the values it is given in registry.json in that directory:
// {"<key>": {"<value name>": {"type", "data"}}}. "reg add" writes a value
// (unless a rule makes it fail), "reg query <key> /v <name>" shows it as the
// platform's reg does, or fails with exit code 1 when there is none.
//
// Plain C++ and linked statically: a test run starts it over a thousand times,
// and loading Qt's libraries was most of each start.

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include "StandInFiles.h"

namespace {

using Strings = std::vector<std::string>;

// A JSON value, as much of JSON as the stand-ins' files hold. An object keeps
// its members sorted by name, as the tests' reader lists them.
struct Json
{
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    static Json object() { return withType(Type::Object); }
    static Json string(std::string value)
    {
        Json json = withType(Type::String);
        json.text = std::move(value);
        return json;
    }
    static Json integer(long long value)
    {
        Json json = withType(Type::Number);
        json.number = double(value);
        return json;
    }

    bool contains(const std::string &name) const { return members.count(name) != 0; }
    // The member, or null when there is none (or this is no object).
    const Json &operator[](const std::string &name) const
    {
        static const Json null;
        const auto found = members.find(name);
        return found == members.end() ? null : found->second;
    }
    bool toBool() const { return type == Type::Bool && boolean; }
    std::string toString() const { return type == Type::String ? text : std::string(); }
    // A whole number that fits, or the fallback.
    int toInt(int fallback) const
    {
        if (type != Type::Number || number != double(int(number)) || number < INT_MIN
            || number > INT_MAX)
            return fallback;
        return int(number);
    }
    // An object as it is; anything else as an empty one.
    Json toObject() const { return type == Type::Object ? *this : object(); }

private:
    static Json withType(Type type)
    {
        Json json;
        json.type = type;
        return json;
    }
};

// Reads JSON text; anything malformed reads as null, as a whole.
class JsonReader
{
public:
    static Json read(const std::string &text)
    {
        JsonReader reader(text);
        Json value;
        if (!reader.value(value, 0))
            return {};
        reader.skipBlanks();
        return reader.m_at == text.size() ? value : Json();
    }

private:
    explicit JsonReader(const std::string &text) : m_text(text) { }

    void skipBlanks()
    {
        while (m_at < m_text.size() && std::strchr(" \t\r\n", m_text[m_at]) != nullptr)
            ++m_at;
    }

    bool take(char c)
    {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool word(const char *expected)
    {
        const std::size_t length = std::strlen(expected);
        if (m_text.compare(m_at, length, expected) != 0)
            return false;
        m_at += length;
        return true;
    }

    bool value(Json &out, int depth)
    {
        if (depth > 64)
            return false;
        skipBlanks();
        if (m_at >= m_text.size())
            return false;
        const char c = m_text[m_at];
        if (c == '{')
            return objectValue(out, depth);
        if (c == '[')
            return arrayValue(out, depth);
        if (c == '"') {
            out.type = Json::Type::String;
            return stringValue(out.text);
        }
        if (word("true") || word("false")) {
            out.type = Json::Type::Bool;
            out.boolean = c == 't';
            return true;
        }
        if (word("null"))
            return true;
        return numberValue(out);
    }

    bool objectValue(Json &out, int depth)
    {
        out = Json::object();
        ++m_at;
        if (take('}'))
            return true;
        do {
            std::string name;
            skipBlanks();
            if (m_at >= m_text.size() || m_text[m_at] != '"' || !stringValue(name) || !take(':'))
                return false;
            Json member;
            if (!value(member, depth + 1))
                return false;
            out.members[name] = std::move(member);
        } while (take(','));
        return take('}');
    }

    bool arrayValue(Json &out, int depth)
    {
        out.type = Json::Type::Array;
        ++m_at;
        if (take(']'))
            return true;
        do {
            Json item;
            if (!value(item, depth + 1))
                return false;
            out.items.push_back(std::move(item));
        } while (take(','));
        return take(']');
    }

    bool numberValue(Json &out)
    {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && std::strchr("+-.eE0123456789", m_text[m_at]) != nullptr)
            ++m_at;
        if (m_at == start)
            return false;
        const std::string digits = m_text.substr(start, m_at - start);
        char *end = nullptr;
        out.type = Json::Type::Number;
        out.number = std::strtod(digits.c_str(), &end);
        return *end == '\0';
    }

    bool hexQuad(unsigned &code)
    {
        if (m_at + 4 > m_text.size())
            return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                code |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                code |= unsigned(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    bool stringValue(std::string &out)
    {
        ++m_at; // the opening quote
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                return false;
            const char escaped = m_text[m_at++];
            static const std::map<char, char> simple { { '"', '"' },  { '\\', '\\' }, { '/', '/' },
                                                       { 'b', '\b' }, { 'f', '\f' },  { 'n', '\n' },
                                                       { 'r', '\r' }, { 't', '\t' } };
            if (const auto found = simple.find(escaped); found != simple.end()) {
                out += found->second;
                continue;
            }
            unsigned code = 0;
            if (escaped != 'u' || !hexQuad(code))
                return false;
            if (code >= 0xD800 && code < 0xDC00) {
                unsigned low = 0;
                if (!word("\\u") || !hexQuad(low) || low < 0xDC00 || low >= 0xE000)
                    return false;
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (code >= 0xDC00 && code < 0xE000) {
                return false;
            }
            appendUtf8(out, code);
        }
        return false;
    }

public:
    static void appendUtf8(std::string &out, unsigned code)
    {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xF0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3F));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }

private:
    const std::string &m_text;
    std::size_t m_at = 0;
};

// How many bytes the UTF-8 sequence this byte starts takes; 0 for a byte that
// starts none.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// The text of a command-line argument as valid UTF-8: a byte that starts no
// well-formed sequence stands for U+FFFD, so the JSON line stays readable.
std::string validUtf8(const std::string &bytes)
{
    static const unsigned kLeadBits[] = { 0, 0x7F, 0x1F, 0x0F, 0x07 };
    static const unsigned kLeast[] = { 0, 0, 0x80, 0x800, 0x10000 };
    std::string out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        const int length = sequenceLength(lead);
        bool whole = length > 0 && at + std::size_t(length) <= bytes.size();
        unsigned code = lead & kLeadBits[length];
        for (int i = 1; whole && i < length; ++i) {
            const auto next = static_cast<unsigned char>(bytes[at + std::size_t(i)]);
            whole = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (whole
            && (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)))
            whole = false;
        if (!whole) {
            JsonReader::appendUtf8(out, 0xFFFD);
            ++at;
            continue;
        }
        out.append(bytes, at, std::size_t(length));
        at += std::size_t(length);
    }
    return out;
}

void writeJsonString(std::string &out, const std::string &text)
{
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void writeJson(std::string &out, const Json &value)
{
    switch (value.type) {
    case Json::Type::Null:
        out += "null";
        return;
    case Json::Type::Bool:
        out += value.boolean ? "true" : "false";
        return;
    case Json::Type::Number: {
        char digits[32];
        if (value.number == double(static_cast<long long>(value.number)))
            std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value.number));
        else
            std::snprintf(digits, sizeof digits, "%.17g", value.number);
        out += digits;
        return;
    }
    case Json::Type::String:
        writeJsonString(out, value.text);
        return;
    case Json::Type::Array: {
        out += '[';
        const char *separator = "";
        for (const Json &item : value.items) {
            out += separator;
            writeJson(out, item);
            separator = ",";
        }
        out += ']';
        return;
    }
    case Json::Type::Object: {
        out += '{';
        const char *separator = "";
        for (const auto &[name, member] : value.members) {
            out += separator;
            writeJsonString(out, name);
            out += ':';
            writeJson(out, member);
            separator = ",";
        }
        out += '}';
        return;
    }
    }
}

bool startsWith(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string baseName(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string trimmed(const std::string &text)
{
    const char *blanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string join(const Strings &parts, char separator)
{
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += parts[i];
    }
    return joined;
}

// Reads a whole file, /proc files included (which tell no size).
bool readFile(const std::string &path, std::string &contents)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    contents.clear();
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        contents.append(buffer, std::size_t(n));
    ::close(fd);
    return n == 0;
}

Json readJsonFile(const std::string &path)
{
    std::string text;
    return readFile(path, text) ? JsonReader::read(text) : Json();
}

void makePath(const std::string &dir)
{
    for (std::size_t slash = dir.find('/', 1); slash != std::string::npos;
         slash = dir.find('/', slash + 1))
        ::mkdir(dir.substr(0, slash).c_str(), 0777);
    ::mkdir(dir.c_str(), 0777);
}

std::string controlDir()
{
    const char *dir = std::getenv("ORVO_STANDIN_DIR");
    if (dir != nullptr && *dir != '\0')
        return dir;
    const char *temp = std::getenv("TMPDIR");
    std::string base = temp != nullptr && *temp != '\0' ? temp : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/orvo-standins";
}

void sleepMs(int ms)
{
    if (ms < 0) {
        for (;;)
            ::pause();
    }
    timespec ts { ms / 1000, (ms % 1000) * 1000000L };
    while (::nanosleep(&ts, &ts) != 0) { }
}

// One write() per record with O_APPEND keeps records of concurrent calls whole.
void appendRecord(const std::string &dir, const std::string &program, const Strings &args)
{
    makePath(dir);
    Json record = Json::object();
    record.members["program"] = Json::string(validUtf8(program));
    record.members["args"].type = Json::Type::Array;
    for (const std::string &arg : args)
        record.members["args"].items.push_back(Json::string(validUtf8(arg)));
    record.members["pid"] = Json::integer(::getpid());
    std::string line;
    writeJson(line, record);
    line += '\n';
    const int fd
        = ::open((dir + "/calls.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    Orvo::Testing::writeAll(fd, line);
    ::close(fd);
}

Json ruleFor(const std::string &dir, const std::string &program, const Strings &args)
{
    const Json control = readJsonFile(dir + "/control.json");
    const std::string joined = join(args, ' ');
    for (const Json &item : control[program].items) {
        const Json rule = item.toObject();
        const std::string needle = rule["argsContain"].toString();
        if (needle.empty() || joined.find(needle) != std::string::npos)
            return rule;
    }
    return Json::object();
}

// The name a running process was started as, empty when there is none (or only
// a zombie waiting to be reaped, which the platform would no longer list).
std::string processName(long long pid)
{
    if (pid <= 0)
        return {};
    const std::string proc = "/proc/" + std::to_string(pid);
    std::string stat;
    if (!readFile(proc + "/stat", stat))
        return {};
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || (close + 2 < stat.size() && stat[close + 2] == 'Z'))
        return {};
    std::string cmdline;
    if (!readFile(proc + "/cmdline", cmdline))
        return {};
    return baseName(cmdline.substr(0, cmdline.find('\0')));
}

bool isStandInName(const std::string &name)
{
    static const Strings names { "xray.exe", "tun2socks.exe", "reg",     "netsh",
                                 "setx",     "taskkill",      "tasklist" };
    for (const std::string &standIn : names) {
        if (name == standIn)
            return true;
    }
    return false;
}

// A decimal number with blanks around it and an optional sign, as the
// platform's tools read a pid.
bool toLongLong(const std::string &text, long long &value)
{
    const std::string number = trimmed(text);
    const std::size_t digits = number.empty() || (number[0] != '+' && number[0] != '-') ? 0 : 1;
    if (number.size() == digits
        || number.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    errno = 0;
    value = std::strtoll(number.c_str(), nullptr, 10);
    return errno == 0;
}

long long pidArgument(const Strings &args)
{
    for (const std::string &arg : args) {
        const std::string number = startsWith(arg, "PID eq ") ? arg.substr(7) : arg;
        long long pid = 0;
        if (toLongLong(number, pid))
            return pid;
    }
    return 0;
}

// A registry number as written after /d: decimal, 0x hexadecimal, 0b binary or
// 0 octal; 0 when it is none.
unsigned registryNumber(const std::string &text)
{
    std::string number = trimmed(text);
    if (!number.empty() && number[0] == '+')
        number.erase(0, 1);
    int base = 10;
    const char *allowed = "0123456789";
    if (number.size() > 1 && number[0] == '0') {
        const char kind = number[1];
        if (kind == 'x' || kind == 'X') {
            base = 16;
            allowed = "0123456789abcdefABCDEF";
            number.erase(0, 2);
        } else if (kind == 'b' || kind == 'B') {
            base = 2;
            allowed = "01";
            number.erase(0, 2);
        } else {
            base = 8;
            allowed = "01234567";
        }
    }
    if (number.empty() || number.find_first_not_of(allowed) != std::string::npos)
        return 0;
    errno = 0;
    const unsigned long long value = std::strtoull(number.c_str(), nullptr, base);
    return errno != 0 || value > UINT_MAX ? 0 : unsigned(value);
}

std::string padded(const std::string &text, std::size_t width, bool left)
{
    if (text.size() >= width)
        return text;
    const std::string blanks(width - text.size(), ' ');
    return left ? text + blanks : blanks + text;
}

struct Answer
{
    std::string out;
    std::string err;
    int exitCode = 0;
    bool longRunning = false;
    // Output the core writes after starting, one chunk at a time, so that a
    // reader sees each chunk on its own.
    std::vector<std::pair<int, std::string>> chunks;
};

Answer answerCore(const std::string &dir, const Strings &args)
{
    Answer answer;
    if (args == Strings { "version" }) {
        answer.out = "Xray 1.8.24 (stand-in) Custom (go1.21 linux/amd64)\n";
        return answer;
    }
    std::size_t config = 0;
    while (config < args.size() && args[config] != "-c")
        ++config;
    if (!args.empty() && args[0] == "run" && config < args.size()) {
        // Keep what we were handed: the client deletes its file when it stops us.
        const std::string kept = dir + "/config-" + std::to_string(::getpid()) + ".json";
        ::unlink(kept.c_str());
        std::string handed;
        if (config + 1 < args.size() && readFile(args[config + 1], handed))
            Orvo::Testing::replaceStandInFile(kept, handed);
        answer.longRunning = true;
        answer.chunks = { { 1, "Xray 1.8.24 (stand-in) started\n" },
                          { 2, "[Info] stand-in: inbound mixed-in is listening\n" },
                          { 2, "[ERROR] stand-in: upstream handshake refused\n" } };
        return answer;
    }
    answer.err = "unknown command\n";
    answer.exitCode = 1;
    return answer;
}

Answer answerTasklist(const Strings &args)
{
    Answer answer;
    const long long pid = pidArgument(args);
    const std::string name = processName(pid);
    if (name.empty()) {
        answer.out = "INFO: No tasks are running which match the specified criteria.\n";
        return answer;
    }
    answer.out = "\nImage Name                     PID Session Name        Session#    "
                 "Mem Usage\n========================= ======== ================ "
                 "=========== ============\n"
        + padded(name, 25, true) + " " + padded(std::to_string(pid), 8, false)
        + " Console                    1     10,240 K\n";
    return answer;
}

Answer answerTaskkill(const Strings &args)
{
    Answer answer;
    const long long pid = pidArgument(args);
    // Only ever end another stand-in: a pid of some other process is never touched.
    if (!isStandInName(processName(pid)) || ::kill(pid_t(pid), SIGKILL) != 0) {
        answer.err = "ERROR: The process \"" + std::to_string(pid) + "\" not found.\n";
        answer.exitCode = 128;
        return answer;
    }
    answer.out = "SUCCESS: The process with PID " + std::to_string(pid) + " has been terminated.\n";
    return answer;
}

std::string argumentAfter(const Strings &args, const std::string &flag)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == flag)
            return i + 1 < args.size() ? args[i + 1] : std::string();
    }
    return {};
}

// The platform prints the root key in full.
std::string fullKeyName(const std::string &key)
{
    return startsWith(key, "HKCU\\") ? "HKEY_CURRENT_USER" + key.substr(4) : key;
}

std::string shownData(const Json &value)
{
    const std::string data = value["data"].toString();
    if (value["type"].toString() != "REG_DWORD")
        return data;
    // Given in decimal or as 0x1, shown in hexadecimal.
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", registryNumber(data));
    return hex;
}

Answer answerReg(const std::string &dir, const Strings &args, bool fails)
{
    Answer answer;
    const std::string path = dir + "/registry.json";
    Json registry = readJsonFile(path).toObject();
    const std::string key = validUtf8(args.size() > 1 ? args[1] : std::string());
    const std::string name = validUtf8(argumentAfter(args, "/v"));
    const std::string verb = args.empty() ? std::string() : args[0];

    if (verb == "add") {
        answer.out = "The operation completed successfully.\n\n";
        if (fails)
            return answer;
        Json values = registry[key].toObject();
        Json value = Json::object();
        value.members["type"] = Json::string(validUtf8(argumentAfter(args, "/t")));
        value.members["data"] = Json::string(validUtf8(argumentAfter(args, "/d")));
        values.members[name] = value;
        registry.members[key] = values;
        std::string text;
        writeJson(text, registry);
        Orvo::Testing::replaceStandInFile(path, text + '\n');
        return answer;
    }
    if (verb == "query") {
        const Json values = registry[key].toObject();
        Strings names;
        for (const auto &member : values.members) {
            if (name.empty() || member.first == name)
                names.push_back(member.first);
        }
        if (names.empty()) {
            answer.err = "ERROR: The system was unable to find the specified registry key or "
                         "value.\r\n";
            answer.exitCode = 1;
            return answer;
        }
        std::string text = "\r\n" + fullKeyName(key) + "\r\n";
        for (const std::string &shown : names) {
            const Json value = values[shown].toObject();
            text += "    " + shown + "    " + value["type"].toString() + "    " + shownData(value)
                + "\r\n";
        }
        answer.out = text + "\r\n";
        return answer;
    }
    answer.err = "ERROR: Invalid syntax.\r\n";
    answer.exitCode = 1;
    return answer;
}

Answer answerFor(const std::string &program, const std::string &dir, const Strings &args,
                 const Json &rule)
{
    if (program == "reg")
        return answerReg(dir, args, rule["exitCode"].toInt(0) != 0);
    if (program == "xray.exe")
        return answerCore(dir, args);
    if (program == "tasklist")
        return answerTasklist(args);
    if (program == "taskkill")
        return answerTaskkill(args);
    Answer answer;
    if (program == "tun2socks.exe") {
        answer.longRunning = true;
        answer.chunks = { { 1, "INFO [STACK] tun://wintun <-> stand-in proxy\n" } };
    } else if (program == "netsh") {
        answer.out = "Ok.\n\n";
    } else if (program == "setx") {
        answer.out = "\nSUCCESS: Specified value was saved.\n";
    }
    return answer;
}

void dropChunks(Answer &answer, int channel)
{
    auto &chunks = answer.chunks;
    for (auto chunk = chunks.begin(); chunk != chunks.end();)
        chunk = chunk->first == channel ? chunks.erase(chunk) : chunk + 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string program = baseName(argv[0]);
    const Strings args(argv + 1, argv + argc);

    const std::string dir = controlDir();
    appendRecord(dir, program, args);
    const Json rule = ruleFor(dir, program, args);
    if (rule["ignoreTerm"].toBool())
        std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGUSR1, [](int) { ::_exit(0); });

    sleepMs(rule["hangMs"].toInt(0));

    Answer answer = answerFor(program, dir, args, rule);
    // Replacing one channel leaves the other one's usual output alone.
    if (rule.contains("stdout")) {
        answer.out = rule["stdout"].toString();
        dropChunks(answer, 1);
    }
    if (rule.contains("stderr")) {
        answer.err = rule["stderr"].toString();
        dropChunks(answer, 2);
    }
    if (rule.contains("exitCode"))
        answer.exitCode = rule["exitCode"].toInt(0);

    Orvo::Testing::writeAll(STDOUT_FILENO, answer.out);
    Orvo::Testing::writeAll(STDERR_FILENO, answer.err);
    for (const auto &[channel, text] : answer.chunks) {
        Orvo::Testing::writeAll(channel == 1 ? STDOUT_FILENO : STDERR_FILENO, text);
        sleepMs(200);
    }

    if (answer.longRunning)
        sleepMs(rule["runForMs"].toInt(-1));
    if (rule["crash"].toBool())
        ::kill(::getpid(), SIGKILL);
    // No exit handlers: nothing of ours needs them.
    ::_exit(answer.exitCode);
}
