// SPDX-License-Identifier: MIT
#include "settings/IniSanitizer.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    return value < base ? value : -1;
}

// '@', letters, '(': what Qt's reader takes for typed data ("@Variant(",
// "@ByteArray(", "@DateTime(", "@Rect(" and the like).
bool isTyped(const QByteArray &item)
{
    qsizetype n = 1;
    while (n < item.size() && ((item.at(n) >= 'a' && item.at(n) <= 'z') || (item.at(n) >= 'A' && item.at(n) <= 'Z')))
        ++n;
    return item.startsWith('@') && n > 1 && n < item.size() && item.at(n) == '(';
}

// Whether the value, or one item of it when it is a list, would reach Qt's
// type decoding. Unescaped the way Qt's reader does it: quotes and the spaces
// after them drop out, "\x.." and octal escapes are 16-bit codes, the other
// escapes give a character or nothing, unquoted commas separate items.
bool carriesType(const QByteArray &value)
{
    QByteArray item;
    bool inQuotes = false;
    qsizetype i = 0;
    const auto skipSpaces = [&] {
        while (i < value.size() && (value.at(i) == ' ' || value.at(i) == '\t'))
            ++i;
    };
    skipSpaces();
    while (i < value.size()) {
        const char c = value.at(i++);
        if (c == '\\') {
            if (i >= value.size())
                break;
            const char escaped = value.at(i++);
            const int base = escaped == 'x' ? 16 : escaped >= '0' && escaped <= '7' ? 8 : 0;
            if (base) {
                auto code = static_cast<char16_t>(base == 8 ? escaped - '0' : 0);
                for (int digit; i < value.size() && (digit = digitValue(value.at(i), base)) >= 0; ++i)
                    code = static_cast<char16_t>(code * base + digit);
                item += code < 0x80 ? static_cast<char>(code) : '\x80';
            } else if (escaped == '\n' || escaped == '\r') {
                if (i < value.size() && (value.at(i) == '\n' || value.at(i) == '\r') && value.at(i) != escaped)
                    ++i;
            } else if (escaped == '"' || escaped == '?' || escaped == '\'' || escaped == '\\') {
                item += escaped;
            } else if (std::memchr("abfnrtv", escaped, 7)) {
                item += '\x01'; // a control character
            } // any other escaped character is dropped
        } else if (c == '"') {
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipSpaces();
        } else if (c == ',' && !inQuotes) {
            if (isTyped(item))
                return true;
            item.clear();
            skipSpaces();
        } else {
            item += c;
        }
    }
    return isTyped(item);
}

// Where the logical line from `start` ends, as Qt's reader splits them: a
// backslash escapes the next byte (a line break too), quotes span line
// breaks, an unquoted ';' starts a comment. `equals` gets the first '='.
qsizetype lineEnd(const QByteArray &text, qsizetype start, qsizetype &equals)
{
    bool inQuotes = false;
    equals = -1;
    qsizetype i = start;
    for (; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '=') {
            if (equals < 0)
                equals = i;
        } else if ((c == '\n' || c == '\r' || c == ';') && !inQuotes && i > start) {
            break;
        } else if (c == '\\' && i + 1 < text.size()) {
            const char escaped = text.at(++i);
            if (i + 1 < text.size() && (escaped == '\n' || escaped == '\r') &&
                (text.at(i + 1) == '\n' || text.at(i + 1) == '\r') && text.at(i + 1) != escaped)
                ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        }
    }
    return i;
}

// Takes the typed lines out of `text`; their keys ("Section/key") go to `keys`.
bool clean(QByteArray &text, QStringList &keys)
{
    QByteArray kept;
    qsizetype copied = 0;
    QString section;
    qsizetype i = text.startsWith("\xef\xbb\xbf") ? 3 : 0;
    while (i < text.size()) {
        while (i < text.size() && isSpace(text.at(i)))
            ++i;
        if (i >= text.size())
            break;
        if (text.at(i) == ';') {
            while (i < text.size() && text.at(i) != '\n' && text.at(i) != '\r')
                ++i;
            continue;
        }
        qsizetype equals = -1;
        const qsizetype end = lineEnd(text, i, equals);
        if (text.at(i) == '[') {
            const QByteArray header = text.mid(i + 1, end - i - 1);
            section = QString::fromUtf8(header.left(header.indexOf(']')).trimmed());
        } else if (equals >= 0 && carriesType(text.mid(equals + 1, end - equals - 1))) {
            kept += text.mid(copied, i - copied);
            copied = end;
            const QString key = QString::fromUtf8(text.mid(i, equals - i).trimmed());
            keys << (section.isEmpty() || section == QLatin1String("General") ? key : section + QLatin1Char('/') + key);
        }
        i = end;
    }
    if (keys.isEmpty())
        return false;
    text = kept + text.mid(copied);
    return true;
}

bool save(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

} // namespace

void IniSanitizer::sanitize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return; // missing, or held by another program: QSettings says so
    const QByteArray original = file.readAll();
    file.close();
    QByteArray text = original;
    QStringList keys;
    if (!clean(text, keys))
        return;
    const QString copy = path + QStringLiteral(".bad");
    const bool copied = save(copy, original);
    const bool cleaned = save(path, text);
    qWarning().noquote() << QStringLiteral("%1: %2 %3 with a Qt type prefix (%4); %5")
                                .arg(path,
                                     cleaned ? QStringLiteral("removed") : QStringLiteral("could not remove"),
                                     keys.size() == 1 ? QStringLiteral("the value") : QStringLiteral("the values"),
                                     keys.join(QStringLiteral(", ")),
                                     copied ? QStringLiteral("the original is kept as %1").arg(copy)
                                            : QStringLiteral("the original could not be kept as %1").arg(copy));
}
