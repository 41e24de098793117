// SPDX-License-Identifier: MIT
#include "settings/IniSanitizer.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cctype>

namespace {

constexpr qsizetype kMaxNamed = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmedBlanks(const QByteArray &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text.at(from)))
        ++from;
    while (to > from && isBlank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

// The characters of the program's group and key names ("Dial/Mic1Value",
// "speakers.dim"): Qt writes any other one as a '%' or '\' escape.
bool isNameChar(char c, bool slash)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           c == '-' || (slash && c == '/');
}

bool isName(const QByteArray &name, bool slash)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), [slash](char c) { return isNameChar(c, slash); });
}

bool isHex(const QByteArray &text, qsizetype from, qsizetype count)
{
    if (from + count > text.size())
        return false;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text.at(i))))
            return false;
    }
    return true;
}

// A key as QSettings writes any text: name characters, "%XX" for another
// byte of Latin-1 and "%UXXXX" for a character beyond it.
bool isEscapedKey(const QByteArray &key)
{
    if (key.isEmpty())
        return false;
    for (qsizetype i = 0; i < key.size();) {
        if (key.at(i) != '%') {
            if (!isNameChar(key.at(i), true))
                return false;
            ++i;
        } else if (isHex(key, i + 1, 2)) {
            i += 3;
        } else if (i + 1 < key.size() && key.at(i + 1) == 'U' && isHex(key, i + 2, 4)) {
            i += 6;
        } else {
            return false;
        }
    }
    return true;
}

// What QSettings writes for a plain string without escapes: the text as it
// is, or in quotes when it holds ';', ',' or '=' or starts or ends with a
// space. No backslash means no escape; no '@' means no type prefix however
// the text is quoted; no control character means nothing Qt would escape.
bool isPlainValue(const QByteArray &value)
{
    const QString text = QString::fromUtf8(value);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('@') || c.category() == QChar::Other_Control)
            return false;
    }
    if (value.startsWith('"'))
        return value.size() >= 2 && value.endsWith('"') && value.count('"') == 2;
    return !std::any_of(value.cbegin(), value.cend(), [](char c) { return c == '"' || c == ';' || c == ',' || c == '='; });
}

// Text from the file as a log can show it: short, one line.
QString printable(const QByteArray &text)
{
    QString shown = QString::fromUtf8(trimmedBlanks(text)).left(kMaxNamed);
    for (QChar &c : shown) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return shown;
}

// The key as Qt's reader splits it (at the first '=' outside quotes), for the log.
QString keyText(const QByteArray &line)
{
    bool inQuotes = false;
    qsizetype i = 0;
    for (; i < line.size() && (inQuotes || line.at(i) != '='); ++i) {
        if (line.at(i) == '"')
            inQuotes = !inQuotes;
    }
    return printable(line.left(i));
}

} // namespace

QStringList IniSanitizer::setAside(QByteArray &text, Keys keys)
{
    QStringList named;
    QByteArray kept;
    QString section;
    bool foreignSection = false;
    const qsizetype bom = text.startsWith("\xef\xbb\xbf") ? 3 : 0;
    kept += text.left(bom);
    int number = 0;
    for (qsizetype start = bom; start < text.size();) {
        // A physical line and its break ("\n", "\r\n" or "\r"): Qt ends a line at either.
        qsizetype end = start;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        qsizetype next = end;
        if (next < text.size())
            next += text.at(next) == '\r' && next + 1 < text.size() && text.at(next + 1) == '\n' ? 2 : 1;
        ++number;
        const QByteArray line = trimmedBlanks(text.mid(start, end - start));
        const qsizetype equals = line.indexOf('=');
        bool keep = line.isEmpty() || line.startsWith(';');
        bool header = false;
        if (!keep && line.startsWith('[')) {
            // Qt takes any line starting with '[' for a header: under one of
            // another form, every key is set aside, not moved to the group before.
            header = true;
            const QByteArray name = line.endsWith(']') ? line.mid(1, line.size() - 2) : QByteArray();
            foreignSection = !isName(name, false);
            section = foreignSection ? printable(line.mid(1, line.size() - (line.endsWith(']') ? 2 : 1)))
                                     : QString::fromLatin1(name);
            keep = !foreignSection;
        } else if (!keep && equals > 0 && !foreignSection) {
            const QByteArray key = trimmedBlanks(line.left(equals));
            keep = (keys == Keys::Escaped ? isEscapedKey(key) : isName(key, true)) &&
                   isPlainValue(trimmedBlanks(line.mid(equals + 1)));
        }
        if (keep) {
            kept += text.mid(start, next - start);
        } else if (equals > 0 && !header) {
            const QString key = keyText(line);
            named << (section.isEmpty() || section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0
                          ? key
                          : section + QLatin1Char('/') + key);
        } else {
            named << QStringLiteral("line %1").arg(number);
        }
        start = next;
    }
    if (!named.isEmpty())
        text = kept;
    return named;
}

namespace {

bool save(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

} // namespace

void IniSanitizer::sanitize(const QString &path, Keys keys)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return; // missing, or held by another program: QSettings says so
    const QByteArray original = file.readAll();
    file.close();
    QByteArray text = original;
    const QStringList named = setAside(text, keys);
    if (named.isEmpty())
        return;
    const QString copy = path + QStringLiteral(".bad");
    const bool copied = save(copy, original);
    const bool cleaned = save(path, text);
    qWarning().noquote() << QStringLiteral("%1: %2 %3 this program never writes (%4); %5")
                                .arg(path,
                                     cleaned ? QStringLiteral("set aside") : QStringLiteral("could not set aside"),
                                     named.size() == 1 ? QStringLiteral("a line") : QStringLiteral("lines"),
                                     named.join(QStringLiteral(", ")),
                                     copied ? QStringLiteral("the original is kept as %1").arg(copy)
                                            : QStringLiteral("the original could not be kept as %1").arg(copy));
}
