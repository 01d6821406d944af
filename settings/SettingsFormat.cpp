#include "settings/SettingsFormat.h"

#include "platform/FileSystem.h"
#include "settings/SettingsLog.h"

#include <QIODevice>
#include <QMap>
#include <QStringList>
#include <QTextCodec>
#include <QVector>

#include <algorithm>

// The reading and writing rules below are those of Qt's INI format, rule for rule, so that a
// file either format wrote reads the same in the other.

namespace SettingsFormat {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// C escapes: the letter after the backslash and the character it stands for. Qt writes the
// first nine and reads all.
const char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'},  {'n', '\n'}, {'r', '\r'}, {'t', '\t'},
                            {'v', '\v'}, {'"', '"'},  {'\\', '\\'}, {'?', '?'},  {'\'', '\''}};
const auto kWrittenEscapesEnd = std::end(kEscapes) - 2;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isSpecial(char c) { return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\'; }

bool isHexDigit(uint c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// One logical line from `pos` on: comments skipped, a quoted part or an escaped line end runs on
// into the next line, an unquoted ';' ends it. False at the end of the data.
bool readLine(const QByteArray &data, int &pos, int &lineStart, int &lineLen, int &equalsPos)
{
    const int dataLen = data.size();
    bool inQuotes = false;
    equalsPos = -1;
    lineStart = pos;
    while (lineStart < dataLen && isSpace(data.at(lineStart)))
        ++lineStart;
    int i = lineStart;
    while (i < dataLen) {
        char ch = data.at(i);
        if (!isSpecial(ch)) {
            ++i;
            continue;
        }
        ++i;
        if (ch == '=') {
            if (!inQuotes && equalsPos == -1)
                equalsPos = i - 1;
        } else if (ch == '\n' || ch == '\r') {
            if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < dataLen) {
                const char escaped = data.at(i++);
                if (i < dataLen) {
                    const char next = data.at(i);
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (i == lineStart + 1) { // ';' opening a line: a comment
            while (i < dataLen && (ch = data.at(i)) != '\n' && ch != '\r')
                ++i;
            while (i < dataLen && isSpace(data.at(i)))
                ++i;
            lineStart = i;
        } else if (!inQuotes) { // ';' later on: the rest of the line is a comment
            --i;
            break;
        }
    }
    pos = i;
    lineLen = i - lineStart;
    return lineLen > 0;
}

// '\' separates groups, "%XX" and "%UXXXX" are escaped characters, other bytes are Latin-1.
QString unescapeKey(const QByteArray &key, int from, int to)
{
    QString result;
    int i = from;
    while (i < to) {
        const int ch = uchar(key.at(i));
        if (ch == '\\') {
            result += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch != '%' || i == to - 1) {
            result += QLatin1Char(char(ch));
            ++i;
            continue;
        }
        int numDigits = 2;
        int firstDigitPos = i + 1;
        if (key.at(i + 1) == 'U') {
            ++firstDigitPos;
            numDigits = 4;
        }
        bool ok = firstDigitPos + numDigits <= to;
        const int code = ok ? key.mid(firstDigitPos, numDigits).toInt(&ok, 16) : 0;
        if (!ok) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        result += QChar(code);
        i = firstDigitPos + numDigits;
    }
    return result;
}

void chopTrailingSpaces(QString &str, int limit)
{
    int n = str.size() - 1;
    while (n >= limit && (str.at(n) == QLatin1Char(' ') || str.at(n) == QLatin1Char('\t')))
        str.truncate(n--);
}

// The value between `from` and `to`: C escapes, "\x" hex and "\0" octal escapes, quotes, and
// unquoted commas that make it a list (`isList`; then `result` is only its last item).
void unescapeValue(const QByteArray &str, int from, int to, QTextCodec *codec, QString &result, bool &isList)
{
    isList = false;
    bool inQuotes = false;
    bool currentIsQuoted = false;
    int i = from;
    const auto skipSpaces = [&] {
        while (i < to && (str.at(i) == ' ' || str.at(i) == '\t'))
            ++i;
    };
    // Appends the escaped character whose digits start at i (base 16 or 8); false when the
    // data ended inside them, which ends the value without the trailing-space chop.
    const auto numericEscape = [&](uint base) {
        uint value = 0;
        for (;;) {
            if (i >= to) {
                result += QChar(value);
                return false;
            }
            char ch = str.at(i);
            if (base == 16 && ch >= 'a')
                ch = char(ch - ('a' - 'A'));
            const bool digit = base == 16 ? (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F')
                                          : ch >= '0' && ch <= '7';
            if (!digit) {
                result += QChar(value);
                return true;
            }
            value = value * base + uint(ch <= '9' ? ch - '0' : ch - 'A' + 10);
            ++i;
        }
    };

    skipSpaces();
    int chopLimit = result.size();
    while (i < to) {
        const char c = str.at(i);
        if (c == '\\') {
            if (++i >= to)
                return;
            const char ch = str.at(i++);
            const auto code =
                std::find_if(std::begin(kEscapes), std::end(kEscapes), [ch](const char *e) { return e[0] == ch; });
            if (code != std::end(kEscapes)) {
                result += QLatin1Char((*code)[1]);
            } else if (ch == 'x') {
                if (i >= to)
                    return;
                if (isHexDigit(uchar(str.at(i))) && !numericEscape(16))
                    return;
            } else if (ch >= '0' && ch <= '7') {
                --i;
                if (!numericEscape(8))
                    return;
            } else if ((ch == '\n' || ch == '\r') && i < to) {
                const char next = str.at(i);
                if ((next == '\n' || next == '\r') && next != ch)
                    ++i;
            } // any other escaped character is dropped
            chopLimit = result.size();
        } else if (c == '"') {
            ++i;
            currentIsQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = result.size();
            }
        } else if (c == ',' && !inQuotes) {
            isList = true;
            result.clear();
            currentIsQuoted = false;
            ++i;
            skipSpaces();
            chopLimit = 0;
        } else {
            int j = i + 1;
            while (j < to && str.at(j) != '\\' && str.at(j) != '"' && str.at(j) != ',')
                ++j;
            result += codec ? codec->toUnicode(str.constData() + i, j - i)
                            : QString::fromLatin1(str.constData() + i, j - i);
            i = j;
        }
    }
    if (!currentIsQuoted)
        chopTrailingSpaces(result, chopLimit);
}

// Whether `raw` written after "key=" and before a line end reads back as itself: not so for a
// line cut off inside quotes or after an escaping '\', which ran on to the end of the file.
bool endsItsLine(const QByteArray &raw)
{
    const QByteArray line = "k=" + raw + '\n';
    int pos = 0;
    int lineStart = 0;
    int lineLen = 0;
    int equalsPos = -1;
    return readLine(line, pos, lineStart, lineLen, equalsPos) && lineLen == line.size() - 1;
}

QString sectionPrefix(const QByteArray &data, int lineStart, int lineLen)
{
    const int lineEnd = lineStart + lineLen;
    const int close =
        int(std::find(data.constBegin() + lineStart, data.constBegin() + lineEnd, ']') - data.constBegin());
    const QByteArray name = data.mid(lineStart + 1, (close < lineEnd ? close - lineStart : lineLen) - 1).trimmed();
    // Compared with their lengths: a NUL inside makes another name.
    if (name.size() == 7 && qstricmp(name.constData(), "general") == 0)
        return QString();
    if (name.size() == 8 && qstricmp(name.constData(), "%general") == 0)
        return QString(QLatin1String(name.constData() + 1)) + QLatin1Char('/');
    return unescapeKey(name, 0, name.size()) + QLatin1Char('/');
}

QByteArray escapeKey(const QString &key)
{
    QByteArray result;
    for (const QChar c : key) {
        uint ch = c.unicode();
        if (ch == '/') {
            result += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' ||
                   ch == '-' || ch == '.') {
            result += char(ch);
        } else if (ch <= 0xFF) {
            result += '%';
            result += kHexDigits[ch / 16];
            result += kHexDigits[ch % 16];
        } else {
            result += "%U";
            char hex[4];
            for (int d = 3; d >= 0; --d, ch >>= 4)
                hex[d] = kHexDigits[ch % 16];
            result.append(hex, 4);
        }
    }
    return result;
}

void escapeString(const QString &str, QByteArray &result)
{
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    const int startPos = result.size();
    for (const QChar c : str) {
        const uint ch = c.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        // A digit after a numeric escape would read as part of it.
        if (escapeNextIfDigit && isHexDigit(ch)) {
            result += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextIfDigit = false;
        const auto code =
            std::find_if(std::begin(kEscapes), kWrittenEscapesEnd, [ch](const char *e) { return uchar(e[1]) == ch; });
        if (ch == 0) {
            result += "\\0";
            escapeNextIfDigit = true;
        } else if (code != kWrittenEscapesEnd) {
            result += '\\';
            result += (*code)[0];
        } else if (ch <= 0x1F || ch >= 0x7F) {
            result += "\\x" + QByteArray::number(ch, 16);
            escapeNextIfDigit = true;
        } else {
            result += char(ch);
        }
    }
    if (needsQuotes ||
        (startPos < result.size() && (result.at(startPos) == ' ' || result.at(result.size() - 1) == ' '))) {
        result.insert(startPos, '"');
        result += '"';
    }
}

// The text after '=' for a value, as Qt writes it; false for a type this format does not store.
bool valueText(const QVariant &value, QByteArray &out)
{
    switch (value.userType()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
    case QMetaType::Double: {
        QString text = value.toString();
        if (text.contains(QChar::Null))
            text = QLatin1String("@String(") + text + QLatin1Char(')');
        else if (text.startsWith(QLatin1Char('@')))
            text.prepend(QLatin1Char('@'));
        escapeString(text, out);
        return true;
    }
    default:
        if (!isRefused(value))
            return false;
        out = value.value<RefusedValue>().text;
        return true;
    }
}

bool readSettings(QIODevice &device, QSettings::SettingsMap &map)
{
    QStringList dropped;
    map = parse(device.readAll(), &dropped);
    for (const QString &key : qAsConst(dropped))
        qCWarning(lcSettings, "Settings: the value of %s is cut off at the end of the file: dropped",
                  qUtf8Printable(key));
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (isRefused(it.value()))
            qCWarning(lcSettings,
                      "Settings: the value of %s is not a plain number or string: ignored, kept in the file",
                      qUtf8Printable(it.key()));
    }
    return true; // what could be read is used, as Qt's own format does
}

bool writeSettings(QIODevice &device, const QSettings::SettingsMap &map)
{
    QStringList skipped;
    const QByteArray text = serialise(map, &skipped);
    for (const QString &key : qAsConst(skipped))
        qCWarning(lcSettings, "Settings: the value of %s is not a plain number or string: not written",
                  qUtf8Printable(key));
    return device.write(text) == text.size();
}

} // namespace

QSettings::SettingsMap parse(const QByteArray &ini, QStringList *dropped)
{
    QTextCodec *codec = nullptr;
    // Qt reads a section's lines in file order and the sections in the order of their names,
    // so that of two lines giving one key, the later line of the later section counts.
    QMap<QString, QVector<QPair<QString, QVariant>>> sections;
    QString section;
    const auto readLines = [&](const QByteArray &data, int pos) {
        int lineStart = 0;
        int lineLen = 0;
        int equalsPos = -1;
        while (readLine(data, pos, lineStart, lineLen, equalsPos)) {
            if (data.at(lineStart) == '[') {
                section = sectionPrefix(data, lineStart, lineLen);
                continue;
            }
            if (equalsPos == -1)
                continue;
            int keyEnd = equalsPos;
            while (keyEnd > lineStart && (data.at(keyEnd - 1) == ' ' || data.at(keyEnd - 1) == '\t'))
                --keyEnd;
            const int lineEnd = lineStart + lineLen;
            QString text;
            bool isList = false;
            unescapeValue(data, equalsPos + 1, lineEnd, codec, text, isList);

            // Plain strings only; "@@" stands for a leading '@', "@String(...)" for a string with
            // NULs. Any other leading '@' is one of Qt's typed values.
            const QString key = section + unescapeKey(data, lineStart, keyEnd);
            QVariant value;
            if (isList || (text.startsWith(QLatin1Char('@')) && !text.startsWith(QLatin1String("@@")) &&
                           !(text.startsWith(QLatin1String("@String(")) && text.endsWith(QLatin1Char(')'))))) {
                const QByteArray raw = data.mid(equalsPos + 1, lineEnd - equalsPos - 1);
                if (!endsItsLine(raw)) {
                    if (dropped)
                        dropped->append(key);
                    continue;
                }
                value = QVariant::fromValue(RefusedValue{raw});
            } else if (text.startsWith(QLatin1String("@@"))) {
                value = text.mid(1);
            } else if (text.startsWith(QLatin1Char('@'))) {
                value = text.mid(8, text.size() - 9);
            } else {
                value = text;
            }
            sections[section].append({key, value});
        }
    };
    if (ini.startsWith("\xef\xbb\xbf")) {
        // A UTF-8 mark: values are UTF-8. Qt looks for sections after the mark but reads the
        // lines before the first section from the file's start, mark included.
        codec = QTextCodec::codecForName("UTF-8");
        int pos = 3;
        int lineStart = 0;
        int lineLen = 0;
        int equalsPos = -1;
        int firstSection = ini.size();
        while (readLine(ini, pos, lineStart, lineLen, equalsPos)) {
            if (ini.at(lineStart) == '[') {
                firstSection = lineStart;
                break;
            }
        }
        readLines(ini.left(firstSection), 0);
        readLines(ini, firstSection);
    } else {
        readLines(ini, 0);
    }
    QSettings::SettingsMap map;
    for (const auto &entries : qAsConst(sections)) {
        for (const auto &entry : entries)
            map.insert(entry.first, entry.second);
    }
    return map;
}

QByteArray serialise(const QSettings::SettingsMap &map, QStringList *skipped)
{
    // Sections sorted by name, keys sorted within each; "" is [General].
    QMap<QString, QMap<QString, QByteArray>> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QByteArray text;
        if (!valueText(it.value(), text)) {
            if (skipped)
                skipped->append(it.key());
            continue;
        }
        const int slash = it.key().indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : it.key().left(slash)].insert(it.key().mid(slash + 1), text);
    }
    QByteArray out;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        QByteArray header = escapeKey(s.key());
        if (header.isEmpty())
            header = "[General]";
        else if (qstricmp(header.constData(), "general") == 0)
            header = "[%General]";
        else
            header = '[' + header + ']';
        if (s != sections.cbegin())
            out += '\n';
        out += header + '\n';
        for (auto k = s.value().cbegin(); k != s.value().cend(); ++k)
            out += escapeKey(k.key()) + '=' + k.value() + '\n';
    }
    return out;
}

bool isRefused(const QVariant &value) { return value.userType() == qMetaTypeId<RefusedValue>(); }

QSettings::Format format()
{
    static const QSettings::Format registered = [] {
        // Registered before QSettings first runs: Qt's cache of settings files, which holds
        // refused values, must be destroyed at exit before the registry of types is.
        qRegisterMetaType<RefusedValue>();
        if (!platform::nativeSettingsAreIniFiles())
            return QSettings::NativeFormat;
        const QSettings::Format f =
            QSettings::registerFormat(QStringLiteral("conf"), readSettings, writeSettings, Qt::CaseSensitive);
        if (f == QSettings::InvalidFormat) {
            qCWarning(lcSettings, "Settings: no settings format left to register; Qt's own reads the file");
            return QSettings::NativeFormat;
        }
        return f;
    }();
    return registered;
}

} // namespace SettingsFormat
