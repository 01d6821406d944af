#include "platform/RegFile.h"

#include "platform/Utf.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHives[] = {"hkey_classes_root", "hkey_current_user", "hkey_local_machine", "hkey_users",
                                       "hkey_current_config"};

// Windows compares key and value names without regard to case; ASCII folding covers every
// name the panel looks up.
std::string fold(std::string_view s)
{
    std::string r(s);
    for (char &c : r) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return r;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits, nothing else.
bool parseHex(std::string_view s, size_t maxDigits, uint32_t &value)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    value = 0;
    for (char c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

// The file's text as UTF-8: a UTF-8 BOM is dropped, UTF-16 (LE or BE, with BOM) converted.
bool decodeText(std::string_view bytes, std::string &text)
{
    const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        text.assign(bytes.substr(3));
    } else if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) || (at(0) == 0xFE && at(1) == 0xFF))) {
        const bool little = at(0) == 0xFF;
        if (bytes.size() % 2 != 0)
            return false;
        std::u16string units;
        units.reserve(bytes.size() / 2 - 1);
        for (size_t i = 2; i < bytes.size(); i += 2) {
            const unsigned lo = little ? at(i) : at(i + 1);
            const unsigned hi = little ? at(i + 1) : at(i);
            units += static_cast<char16_t>(lo | (hi << 8));
        }
        if (!platform::isValidUtf16(units))
            return false;
        text = platform::utf16ToUtf8(units);
    } else {
        text.assign(bytes);
    }
    return platform::isValidUtf8(text) && text.find('\0') == std::string::npos;
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// "HIVE\a\b" -> folded path; false when a segment is empty or the hive is unknown.
bool parseKeyPath(std::string_view path, std::string &folded)
{
    folded = fold(path);
    const size_t firstSep = folded.find('\\');
    const std::string_view hive = std::string_view(folded).substr(0, firstSep);
    bool knownHive = false;
    for (std::string_view h : kHives)
        knownHive = knownHive || h == hive;
    if (!knownHive)
        return false;
    return folded.back() != '\\' && folded.find("\\\\") == std::string::npos;
}

// Parses "..." at the start of `s` (only \\ and \" are escapes); `rest` gets what follows.
bool parseQuoted(std::string_view s, std::string &out, std::string_view &rest)
{
    out.clear();
    if (s.empty() || s.front() != '"')
        return false;
    for (size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            rest = s.substr(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
                return false;
            out += s[++i];
        } else {
            out += c;
        }
    }
    return false;
}

// Comma-separated bytes "bb,bb,..." (a trailing comma is allowed, an empty list too).
bool parseHexBytes(std::string_view list, std::vector<uint8_t> &data)
{
    list = trim(list);
    if (list.empty())
        return true;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(',', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = list.size();
        uint32_t byte;
        if (!parseHex(trim(list.substr(start, end - start)), 2, byte))
            return false;
        data.push_back(static_cast<uint8_t>(byte));
        start = end + 1;
        // A trailing comma ends the list.
        if (!last && trim(list.substr(start)).empty())
            break;
    }
    return true;
}

} // namespace

bool RegFile::fail(const char *why)
{
    m_valid = false;
    m_error = why;
    m_keys.clear();
    return false;
}

RegFile RegFile::parse(std::string_view bytes)
{
    RegFile file;
    std::string text;
    if (!decodeText(bytes, text)) {
        file.fail("not UTF-8 or UTF-16 text");
        return file;
    }
    const std::vector<std::string_view> lines = splitLines(text);

    bool headerSeen = false;
    bool inKey = false;                                 // a key line was seen
    std::map<std::string, RegValue> *current = nullptr; // null under a deleted key
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trim(lines[i]);
        if (!headerSeen) {
            if (line.empty())
                continue;
            if (line != kHeader) {
                file.fail("missing header line");
                return file;
            }
            headerSeen = true;
            continue;
        }
        if (line.empty() || line.front() == ';')
            continue;

        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) {
                file.fail("bad key line");
                return file;
            }
            std::string_view inner = line.substr(1, line.size() - 2);
            const bool deletion = inner.front() == '-';
            if (deletion)
                inner.remove_prefix(1);
            std::string path;
            if (inner.empty() || !parseKeyPath(inner, path)) {
                file.fail("bad key path");
                return file;
            }
            inKey = true;
            if (deletion) {
                // The key and everything below it.
                file.m_keys.erase(path);
                const std::string prefix = path + '\\';
                auto it = file.m_keys.lower_bound(prefix);
                while (it != file.m_keys.end() && it->first.compare(0, prefix.size(), prefix) == 0)
                    it = file.m_keys.erase(it);
                current = nullptr;
            } else {
                current = &file.m_keys[path];
            }
            continue;
        }

        if (!inKey) {
            file.fail("value outside a key");
            return file;
        }
        std::string name;
        std::string_view rest;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (!parseQuoted(line, name, rest)) {
            file.fail("bad value name");
            return file;
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=') {
            file.fail("missing '='");
            return file;
        }
        rest = trim(rest.substr(1));

        RegValue value;
        bool erase = false;
        if (rest == "-") {
            erase = true;
        } else if (!rest.empty() && rest.front() == '"') {
            std::string textValue;
            std::string_view after;
            std::u16string units;
            if (!parseQuoted(rest, textValue, after) || !trim(after).empty() ||
                !platform::utf8ToUtf16(textValue, units)) {
                file.fail("bad string value");
                return file;
            }
            value.type = 1;
            value.data.reserve(units.size() * 2 + 2);
            for (char16_t u : units) {
                value.data.push_back(static_cast<uint8_t>(u & 0xFF));
                value.data.push_back(static_cast<uint8_t>(u >> 8));
            }
            value.data.push_back(0);
            value.data.push_back(0);
        } else if (rest.substr(0, 6) == "dword:") {
            uint32_t number;
            if (!parseHex(trim(rest.substr(6)), 8, number)) {
                file.fail("bad dword value");
                return file;
            }
            value.type = 4;
            for (int b = 0; b < 4; ++b)
                value.data.push_back(static_cast<uint8_t>(number >> (8 * b)));
        } else if (rest.substr(0, 3) == "hex") {
            rest.remove_prefix(3);
            value.type = 3;
            if (!rest.empty() && rest.front() == '(') {
                const size_t close = rest.find(')');
                if (close == std::string_view::npos || !parseHex(rest.substr(1, close - 1), 8, value.type)) {
                    file.fail("bad hex type");
                    return file;
                }
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':') {
                file.fail("bad hex value");
                return file;
            }
            rest.remove_prefix(1);
            // Gather continuation lines (each but the last ends in '\').
            std::string list;
            for (;;) {
                std::string_view part = trim(rest);
                const bool continued = !part.empty() && part.back() == '\\';
                if (continued)
                    part.remove_suffix(1);
                list.append(part.data(), part.size());
                if (!continued)
                    break;
                if (++i >= lines.size()) {
                    file.fail("hex value cut off");
                    return file;
                }
                rest = lines[i];
            }
            if (!parseHexBytes(list, value.data)) {
                file.fail("bad hex bytes");
                return file;
            }
        } else {
            file.fail("unknown value type");
            return file;
        }

        if (current) {
            if (erase)
                current->erase(fold(name));
            else
                (*current)[fold(name)] = std::move(value);
        }
    }
    if (!headerSeen) {
        file.fail("missing header line");
        return file;
    }
    file.m_valid = true;
    return file;
}

const RegValue *RegFile::find(std::string_view keyPath, std::string_view valueName) const
{
    if (!m_valid)
        return nullptr;
    const auto key = m_keys.find(fold(keyPath));
    if (key == m_keys.end())
        return nullptr;
    const auto value = key->second.find(fold(valueName));
    return value == key->second.end() ? nullptr : &value->second;
}
